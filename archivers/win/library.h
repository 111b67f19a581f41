// What the four libraries do behind their entry points: parse the command,
// extract, test or pack, and write a short summary into the caller's buffer.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "archivers/core/archive.h"
#include "archivers/core/extract.h"

namespace arc {

enum class Format { Lzh, Zip, Tar };

// Library version, times 100.
const WORD kLibraryVersion = 100;

// True when the file is an archive of the format, by its content.
bool CheckArchive(Format format, const char* path);

// Opens an archive for reading (`path` in the program's code page is used for
// a single gzip file's name); null with *error on failure.
std::unique_ptr<ArchiveReader> OpenArchive(Format format, Source& source, const std::wstring& path, Status* error);

// Extracts into `folder` (created when missing); fills `report`.
Status ExtractArchive(Format format, const std::wstring& archive, const std::wstring& folder, bool flat,
                      ExtractReport& report, const std::function<bool(uint64_t, uint64_t)>& progress = nullptr);

// The work entries.
int RunUnlha(const char* command, char* buffer, DWORD size);
int RunUnzip(const char* command, char* buffer, DWORD size);
int RunZip(const char* command, char* buffer, DWORD size);
int RunTar(const char* command, char* buffer, DWORD size);

}  // namespace arc
