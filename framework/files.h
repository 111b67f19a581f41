// The program's folder and simple questions about files.
#pragma once
#include <windows.h>

#include <cstddef>

// The folder of the running program with its final backslash, into a buffer
// of `size` bytes. False (and an empty text) when the program's path does not
// fit the platform's 259 bytes: the system would have cut it silently.
bool ProgramFolder(char* folder, size_t size);
// The same from the path the system reported: `length` bytes of `path`, told
// into a buffer of `bufferSize` bytes (a path that filled it may be cut).
bool FolderOfModulePath(const char* path, size_t length, size_t bufferSize, char* folder, size_t size);

// The folder part of `path` (up to and with its last separator) for a path
// of 8-bit text; empty when it has none.
void FolderOfPath(const char* path, char* folder, size_t size);

// A file or folder of that name exists.
bool FileExists(const char* path);
