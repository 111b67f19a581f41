// Each library's command parsing: the command letter and switches it takes,
// handed to the jobs of work.h.
#include "archivers/win/library.h"

#include <algorithm>

#include "archivers/win/caller_text.h"
#include "archivers/win/command_line.h"
#include "archivers/win/output_text.h"
#include "archivers/win/win_files.h"
#include "archivers/win/work.h"

namespace arc {

namespace {

bool ReadResponseFile(const std::string& name, std::string& text) {
  FileSource file(FromProgram(name));
  if (!file.IsOpen() || file.Size() > (16u << 20)) return false;
  text.resize(static_cast<size_t>(file.Size()));
  if (file.ReadAt(0, &text[0], text.size()) != text.size()) return false;
  // A wide entry's response file is UTF-8, perhaps written with a mark.
  if (CallerTextIsUtf8() && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  return true;
}

bool Has(const CommandLine& c, const char* s) {
  return std::find(c.switches.begin(), c.switches.end(), std::string(s)) != c.switches.end();
}

// The paths of a packing command: the archive, then (when it ends with a
// separator) the base folder, then the files.
void SplitPackPaths(const CommandLine& c, std::string& base, std::vector<std::string>& files) {
  size_t next = 1;
  if (c.paths.size() > 1 && EndsWithSeparator(c.paths[1])) {
    base = c.paths[1];
    next = 2;
  } else {
    base = PathFolder(c.paths[0]);
  }
  files.assign(c.paths.begin() + static_cast<long>(next), c.paths.end());
}

// Our own switch, which every library takes anywhere among its switches:
// taken out before the library's own switches are read.
Caller TakeCaller(HWND owner, CommandLine& c) {
  Caller caller;
  caller.owner = owner;
  auto silent = std::remove(c.switches.begin(), c.switches.end(), std::string(kSilentSwitch));
  caller.silent = silent != c.switches.end();
  c.switches.erase(silent, c.switches.end());
  return caller;
}

// The start of a command line that a message quotes, cut between characters.
std::string CommandHead(const char* line) {
  if (!line) return std::string();
  char head[201];
  CopyToBuffer(head, sizeof head, line);
  return head;
}

std::string SwitchList(const CommandLine& c) {
  std::string s;
  for (const std::string& w : c.switches) s += (s.empty() ? "" : " ") + w;
  return s;
}

}  // namespace

int RunUnlha(HWND owner, const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, true, ReadResponseFile, c);
  if (s != kOk) return Fail(s, CommandHead(line), buffer, size);
  Caller caller = TakeCaller(owner, c);
  if (c.command == "x" || c.command == "e" || c.command == "t") {
    if (!c.switches.empty()) return Fail(kErrorCommand, SwitchList(c), buffer, size);
    return RunExtract(caller, Format::Lzh, c, c.command == "e", c.command == "t", buffer, size);
  }
  if (c.command == "a") {
    PackOptions options;
    options.caller = caller;
    options.folderEntries = false;
    options.attributes = false;
    for (const std::string& w : c.switches) {
      // Switches may be joined: -d1a1 is -d1 and -a1.
      for (size_t i = 1; i + 1 < w.size() + 1; i += 2) {
        std::string one = w.substr(i, 2);
        if (one == "d1") options.folderEntries = true;
        else if (one == "d0") options.folderEntries = false;
        else if (one == "a1") options.attributes = true;
        else if (one == "a0") options.attributes = false;
        else return Fail(kErrorCommand, w, buffer, size);
      }
    }
    if (c.paths.empty()) return Fail(kErrorCommand, std::string(), buffer, size);
    std::string base;
    std::vector<std::string> files;
    SplitPackPaths(c, base, files);
    return Pack(Format::Lzh, c.paths[0], base, files, options, buffer, size);
  }
  if (c.command == "s") {
    for (const std::string& w : c.switches)
      if (w != "-gw" && w != "-x" && w != "-x1") return Fail(kErrorCommand, w, buffer, size);
    if (c.paths.empty() || c.paths.size() > 2) return Fail(kErrorCommand, std::string(), buffer, size);
    std::string folder = c.paths.size() > 1 ? c.paths[1] : PathFolder(c.paths[0]);
    if (!folder.empty() && !EndsWithSeparator(folder)) folder += "\\";
    std::string exe = folder + PathName(WithoutExtension(c.paths[0])) + ".exe";
    return MakeSelfExtracting(caller, Format::Lzh, c.paths[0], exe, buffer, size);
  }
  return Fail(kErrorCommand, c.command, buffer, size);
}

int RunUnzip(HWND owner, const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, false, ReadResponseFile, c);
  if (s != kOk) return Fail(s, std::string(), buffer, size);
  Caller caller = TakeCaller(owner, c);
  bool test = false, flat = false;
  for (const std::string& w : c.switches) {
    if (w == "-t") test = true;
    else if (w == "-j") flat = true;
    else return Fail(kErrorCommand, w, buffer, size);
  }
  return RunExtract(caller, Format::Zip, c, flat, test, buffer, size);
}

int RunZip(HWND owner, const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, false, ReadResponseFile, c);
  if (s != kOk) return Fail(s, std::string(), buffer, size);
  Caller caller = TakeCaller(owner, c);
  if (Has(c, "--sfx")) {
    if (c.switches.size() != 1 || c.paths.size() != 1) return Fail(kErrorCommand, SwitchList(c), buffer, size);
    return MakeSelfExtracting(caller, Format::Zip, c.paths[0], WithoutExtension(c.paths[0]) + ".exe", buffer, size);
  }
  PackOptions options;
  options.caller = caller;
  options.recurse = false;
  for (const std::string& w : c.switches) {
    if (w == "-r") options.recurse = true;
    else if (w == "-v") options.verbose = true;
    else if (w.size() == 2 && w[1] >= '0' && w[1] <= '9') options.level = w[1] - '0';
    else return Fail(kErrorCommand, w, buffer, size);
  }
  if (c.paths.empty()) return Fail(kErrorCommand, std::string(), buffer, size);
  std::string base;
  std::vector<std::string> files;
  SplitPackPaths(c, base, files);
  return Pack(Format::Zip, c.paths[0], base, files, options, buffer, size);
}

int RunTar(HWND owner, const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, true, ReadResponseFile, c);
  if (s != kOk) return Fail(s, std::string(), buffer, size);
  Caller caller = TakeCaller(owner, c);
  if (!c.switches.empty()) return Fail(kErrorCommand, SwitchList(c), buffer, size);
  if (c.command == "x" || c.command == "e" || c.command == "t")
    return RunExtract(caller, Format::Tar, c, c.command == "e", c.command == "t", buffer, size);
  return Fail(kErrorCommand, c.command, buffer, size);
}

int RunWide(Work work, HWND owner, const wchar_t* line, wchar_t* buffer, DWORD size) {
  Utf8CallerText utf8;
  std::string command = line ? Narrow(line, CP_UTF8) : std::string();
  // Text that fits `size` WCHARs takes at most three UTF-8 bytes for each;
  // the texts are far shorter than the cap.
  DWORD wide = size < (1u << 20) ? size : (1u << 20);
  std::vector<char> text(3 * static_cast<size_t>(wide) + 4, '\0');
  int result = work(owner, line ? command.c_str() : nullptr, text.data(), static_cast<DWORD>(text.size()));
  CopyToWideBuffer(buffer, size, Widen(text.data(), CP_UTF8));
  return result;
}

int WorkEntry(Work work, HWND owner, const char* command, char* buffer, DWORD size) {
  try {
    return work(owner, command, buffer, size);
  } catch (...) {
    if (buffer && size) buffer[0] = '\0';
    return kErrorWrite;
  }
}

int WideWorkEntry(Work work, HWND owner, const wchar_t* command, wchar_t* buffer, DWORD size) {
  try {
    return RunWide(work, owner, command, buffer, size);
  } catch (...) {
    if (buffer && size) buffer[0] = L'\0';
    return kErrorWrite;
  }
}

// Every mode of the check entries checks the content.
BOOL CheckEntry(Format format, const char* path) {
  try {
    return CheckArchive(format, path) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL WideCheckEntry(Format format, const wchar_t* path) {
  try {
    return path && CheckArchive(format, std::wstring(path)) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace arc
