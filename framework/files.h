// The program's folder and simple questions about files.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

// The folder of the running program with its final backslash, into a buffer
// of `size` bytes. False (and an empty text) when the program's path does not
// fit the platform's 259 bytes (the system would have cut it silently) or
// holds a character the system code page lacks.
bool ProgramFolder(char* folder, size_t size);
// Whether the program's path reads the same in the system code page: the
// profile and every name built from the folder are 8-bit, and a look-alike
// would name another folder.
bool ProgramPathInCodePage();
// The same from the path the system reported: `length` bytes of `path`, told
// into a buffer of `bufferSize` bytes (a path that filled it may be cut).
bool FolderOfModulePath(const char* path, size_t length, size_t bufferSize, char* folder, size_t size);

// The folder part of `path` (up to and with its last separator) for a path
// of 8-bit text; empty when it has none.
void FolderOfPath(const char* path, char* folder, size_t size);

// The path names a device rather than a file: its last part is one of the
// reserved names (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$)
// in any case, with or without an extension or trailing dots and spaces, or
// it is a "\\.\" device path. Opening one can wait for ever.
bool IsDevicePath(const char* path);

// A file or folder of that name exists; a device is neither.
bool FileExists(const char* path);

// The same for a wide path, which may name a file the system code page
// cannot spell ("Café.m3u8"): device names are ASCII, and COM and LPT also
// take the digits ¹ ² ³.
bool IsDevicePath(const std::wstring& path);
bool FileExists(const std::wstring& path);

// The path in the system code page, when it spells it exactly: such a path
// goes through the 8-bit calls, which the 95 family also has.
bool SystemPath(const std::wstring& path, std::string* narrow);
