// The archiver libraries the program drives, and the texts it hands them:
// which library is asked in which order, the command lines for extracting
// and packing, the extraction folder, the version texts of the DLL page.
//
// Pure code: no <windows.h>, so it also builds natively.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace archive {

// A work entry's result at or above this value is an error code.
constexpr unsigned kFirstErrorCode = 0x8000;
inline bool IsErrorResult(int result) { return static_cast<unsigned>(result) >= kFirstErrorCode; }

// What a message box shows for a failed work entry: the library's own text,
// or the error code when it wrote none.
std::string ErrorText(const std::string& libraryText, int result);

// The output buffer every work entry gets: zero-filled, and the size told to
// the library one byte less, so that its text always stays terminated.
constexpr unsigned kWorkBufferBytes = 32768;
constexpr unsigned kWorkBufferSize = 32767;

// One library that may extract a dropped file, in the order they are asked.
struct ExtractLibrary {
  const char* file;
  const char* partner;  // a second library that must load too, or null
  const char* checkEntry;
  const char* workEntry;
  const char* commandFormat;  // archive path, output folder
};
constexpr int kExtractLibraryCount = 7;
extern const ExtractLibrary kExtractLibraries[kExtractLibraryCount];

// One row of the DLL information page.
struct VersionLibrary {
  const char* file;
  const char* versionEntry;
  const char* displayName;
  const char* format;
};
constexpr int kVersionLibraryCount = 8;
extern const VersionLibrary kVersionLibraries[kVersionLibraryCount];

// A row as the page shows it.
struct ArchiverRow {
  std::string name;
  std::string version;
  std::string format;
};

// " Ver 1.23" for 123; " Not Found" for 0 (the library is missing).
std::string VersionText(unsigned version);
// The page's rows, given the version of each library of the table.
std::vector<ArchiverRow> RowsForVersions(const unsigned (&versions)[kVersionLibraryCount]);

// `path` cut as _splitpath cuts it: drive + folder (with its final backslash),
// name, and extension (from the last dot of the final component).
struct PathParts {
  std::string folder;  // drive and folder
  std::string name;
  std::string extension;
};
PathParts SplitPath(const std::string& path);

// Where an archive is extracted: its path without extension, or the first of
// name(1), name(2), ... that `exists` says is free. Empty when every
// candidate up to a large bound is taken.
std::string ExtractFolderFor(const std::string& archivePath, const std::function<bool(const std::string&)>& exists);

// The extraction command: the format's two %s filled with the archive and
// the output folder.
std::string ExtractCommand(const ExtractLibrary& library, const std::string& archive, const std::string& folder);

// The same for UTF-16 paths, as the libraries' wide entries take them. A
// backslash in UTF-16 is always a separator, so these need no knowledge of
// code page 932.
struct WidePathParts {
  std::wstring folder;
  std::wstring name;
  std::wstring extension;
};
WidePathParts SplitPath(const std::wstring& path);
std::wstring ExtractFolderFor(const std::wstring& archivePath,
                              const std::function<bool(const std::wstring&)>& exists);
std::wstring ExtractCommand(const ExtractLibrary& library, const std::wstring& archive, const std::wstring& folder);

// Packing: one row per format of the compress dialog.
struct CompressFormat {
  const char* label;  // the format list's text
  const char* file;
  const char* workEntry;
  const char* extension;        // of the archive, with its dot
  const char* missingMessage;   // when the library does not load
};
constexpr int kCompressFormatCount = 2;
extern const CompressFormat kCompressFormats[kCompressFormatCount];

// The command that packs the files named in `responseFile` (relative to
// `folder`, which ends with a backslash) into folder + name + extension.
std::string PackCommand(int format, const std::string& folder, const std::string& name,
                        const std::string& responseFile);
// The command that turns that archive into a self-extracting program.
std::string SelfExtractingCommand(int format, const std::string& folder, const std::string& name);
// The archive the two commands work on.
std::string ArchivePath(int format, const std::string& folder, const std::string& name);
// The same in UTF-16.
std::wstring PackCommand(int format, const std::wstring& folder, const std::wstring& name,
                         const std::wstring& responseFile);
std::wstring SelfExtractingCommand(int format, const std::wstring& folder, const std::wstring& name);
std::wstring ArchivePath(int format, const std::wstring& folder, const std::wstring& name);

// The name of a library's wide entry: the classic entry's name and "W".
std::string WideEntryName(const char* entry);

}  // namespace archive
