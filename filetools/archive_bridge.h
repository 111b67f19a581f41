// Extraction and version queries through the archiver libraries installed
// beside the program (or on the system's search path). Each call loads the
// libraries it needs by plain name and releases them before it returns.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "filetools/archive_commands.h"

// Extracts `path` with the first library of the table whose check entry
// accepts it, into the folder ExtractFolderName chooses. Returns 1 when a
// library accepted the file (and then reports a failed extraction itself,
// with the library's text in a message box owned by `owner`), 0 when none did,
// and kExtractNameRefused when none did and some library was passed over
// only because it takes 8-bit names and the path has no exact 8-bit form.
// A library that exports the wide entries (the classic names and "W") gets
// the path in UTF-16; one without them only ever gets a path that the system
// code page holds exactly.
constexpr int kExtractNameRefused = -1;
int ExtractArchive(HWND owner, const std::wstring& path);
// A path in the system code page.
int ExtractArchive(HWND owner, const char* path);

// The folder an archive is extracted into: the archive's path without its
// extension, or with "(1)", "(2)", ... added until no file or folder of that
// name exists. False (and an empty text) when it does not fit `size` bytes.
bool ExtractFolderName(const char* archivePath, char* folder, size_t size);
// The same for a UTF-16 path; no length bound.
std::wstring ExtractFolderName(const std::wstring& archivePath);

// The version of the library of row `index` (0..7) of the DLL page, or 0 when
// the index is outside the table or the library or its entry is missing.
WORD GetArchiverVersion(int index);

// The eight rows of the DLL information page, as it shows them.
std::vector<archive::ArchiverRow> ArchiverRows();

// Calls the work entry `entry` of a loaded library with `command`, no owner,
// and a zero-filled buffer; returns its result and, with `text`, what it
// wrote into the buffer. -1 (and no call) when the entry is missing.
int CallWorkEntry(HMODULE library, const char* entry, const std::string& command, std::string* text);
// The wide work entry `entry` (its name with the "W") with a UTF-16 command
// and a buffer of as many UTF-16 units.
int CallWideWorkEntry(HMODULE library, const char* entry, const std::wstring& command, std::wstring* text);

// The message for a file that no library took because the libraries that
// might have take 8-bit names only: the path and why.
std::wstring NameRefusedText(const std::wstring& path, const char* reason);
