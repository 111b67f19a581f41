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
// with the library's text in a message box owned by `owner`), 0 when none did.
int ExtractArchive(HWND owner, const char* path);

// The folder an archive is extracted into: the archive's path without its
// extension, or with "(1)", "(2)", ... added until no file or folder of that
// name exists. False (and an empty text) when it does not fit `size` bytes.
bool ExtractFolderName(const char* archivePath, char* folder, size_t size);

// The version of the library of row `index` (0..7) of the DLL page, or 0 when
// the index is outside the table or the library or its entry is missing.
WORD GetArchiverVersion(int index);

// The eight rows of the DLL information page, as it shows them.
std::vector<archive::ArchiverRow> ArchiverRows();

// Calls the work entry `entry` of a loaded library with `command`, no owner,
// and a zero-filled buffer; returns its result and, with `text`, what it
// wrote into the buffer. -1 (and no call) when the entry is missing.
int CallWorkEntry(HMODULE library, const char* entry, const std::string& command, std::string* text);
