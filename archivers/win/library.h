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

class WorkProgress;

enum class Format { Lzh, Zip, Tar };

// Library version, times 100.
const WORD kLibraryVersion = 100;

// True when the file is an archive of the format, by its content.
bool CheckArchive(Format format, const char* path);
bool CheckArchive(Format format, const std::wstring& path);

// Opens an archive for reading (`path` in the program's code page is used for
// a single gzip file's name); null with *error on failure.
std::unique_ptr<ArchiveReader> OpenArchive(Format format, Source& source, const std::wstring& path, Status* error);

// Extracts into `folder` (created when missing), or tests the archive when
// `folder` is empty; fills `report`. `progress` (may be null) follows it.
Status ExtractArchive(Format format, const std::wstring& archive, const std::wstring& folder, bool flat,
                      ExtractReport& report, WorkProgress* progress = nullptr);

// The work entries; `owner` is the caller's window (may be null).
int RunUnlha(HWND owner, const char* command, char* buffer, DWORD size);
int RunUnzip(HWND owner, const char* command, char* buffer, DWORD size);
int RunZip(HWND owner, const char* command, char* buffer, DWORD size);
int RunTar(HWND owner, const char* command, char* buffer, DWORD size);

// A wide entry: runs one of the above with the command in UTF-8 and UTF-8
// caller text (caller_text.h), and gives its text back in UTF-16 within
// `size` WCHARs.
typedef int (*Work)(HWND owner, const char* command, char* buffer, DWORD size);
int RunWide(Work work, HWND owner, const wchar_t* command, wchar_t* buffer, DWORD size);

// The exported entries' bodies: the work or the check, with an exception
// (memory running out) turned into kErrorWrite and an empty text, or into
// "not an archive", instead of crossing into the caller.
int WorkEntry(Work work, HWND owner, const char* command, char* buffer, DWORD size);
int WideWorkEntry(Work work, HWND owner, const wchar_t* command, wchar_t* buffer, DWORD size);
BOOL CheckEntry(Format format, const char* path);
BOOL WideCheckEntry(Format format, const wchar_t* path);

}  // namespace arc
