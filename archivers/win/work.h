// What the work entries share inside the libraries: the texts they return,
// and the three jobs (extract or test, pack, make a self-extracting program)
// that the command parsers of each library call.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "archivers/win/command_line.h"
#include "archivers/win/library.h"
#include "archivers/win/progress_window.h"

namespace arc {

// Paths the caller gives are in the caller's code page (caller_text.h): the
// program's own, or UTF-8 through a wide entry.
std::wstring FromProgram(const std::string& text);
std::string ToProgram(const std::wstring& text);
// One of our own texts (code page 932, as compiled) in the caller's code page.
std::string OwnText(const char* text);
// An entry's stored name as the caller's code page shows it.
std::string ShownName(const std::string& name, NameCharset charset);

// Writes `text` into the caller's buffer and returns `status`.
int Finish(Status status, const std::string& text, char* buffer, DWORD size);
// The status's text, then ": detail" when given.
int Fail(Status status, const std::string& detail, char* buffer, DWORD size);
std::string Count(uint64_t n);

// x, e and t: the archive, then the output folder (default the current one).
int RunExtract(const Caller& caller, Format format, const CommandLine& command, bool flat, bool test, char* buffer,
               DWORD size);

struct PackOptions {
  bool recurse = true;        // folders given are packed with their contents
  bool folderEntries = true;  // folders get entries of their own (empty ones survive)
  bool attributes = true;     // files' attributes are kept
  bool verbose = false;       // the summary lists every file
  int level = 6;
  Caller caller;              // shown to, and stoppable by, the user unless silent
};

// Packs `files` (relative to `base` unless absolute) into `archivePath`.
int Pack(Format format, const std::string& archivePath, const std::string& base, const std::vector<std::string>& files,
         const PackOptions& options, char* buffer, DWORD size);

// Writes the carried stub followed by the archive to `exePath`.
int MakeSelfExtracting(const Caller& caller, Format format, const std::string& archivePath, const std::string& exePath,
                       char* buffer, DWORD size);

}  // namespace arc
