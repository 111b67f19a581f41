#include "archivers/win/library.h"

#include <algorithm>

#include "archivers/lzh/lzh.h"
#include "archivers/tar/tar.h"
#include "archivers/win/command_line.h"
#include "archivers/win/output_text.h"
#include "archivers/win/win_files.h"
#include "archivers/zip/zip.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace arc {

namespace {

// The self-extracting program the libraries carry (resources of this module).
const int kStubResource = 1;

std::wstring FromProgram(const std::string& text) { return Widen(text, CP_ACP); }
std::string ToProgram(const std::wstring& text) { return Narrow(text, CP_ACP); }

std::string ShownName(const std::string& name, NameCharset charset) {
  if (charset == NameCharset::Utf8) return ToProgram(Widen(name, CP_UTF8));
  return ToProgram(Widen(name, 932));
}

bool ReadResponseFile(const std::string& name, std::string& text) {
  FileSource file(FromProgram(name));
  if (!file.IsOpen() || file.Size() > (16u << 20)) return false;
  text.resize(static_cast<size_t>(file.Size()));
  return file.ReadAt(0, &text[0], text.size()) == text.size();
}

int Finish(Status status, const std::string& text, char* buffer, DWORD size) {
  CopyToBuffer(buffer, size, text);
  return status;
}

int Fail(Status status, const std::string& detail, char* buffer, DWORD size) {
  std::string text = StatusText(status);
  if (!detail.empty()) text += ": " + detail;
  return Finish(status, text, buffer, size);
}

std::string Count(uint64_t n) { return std::to_string(n); }

// --- extraction ---

int RunExtract(Format format, const CommandLine& command, bool flat, bool test, char* buffer, DWORD size) {
  if (command.paths.empty() || command.paths.size() > 2 || (test && command.paths.size() > 1))
    return Fail(kErrorCommand, std::string(), buffer, size);
  std::wstring archive = FromProgram(command.paths[0]);
  std::string name = PathName(command.paths[0]);
  std::wstring folder;
  if (!test) {
    folder = command.paths.size() > 1 ? FromProgram(command.paths[1]) : std::wstring(L".");
  }
  ExtractReport report;
  Status status = ExtractArchive(format, archive, test ? std::wstring() : folder, flat, report);
  if (status == kErrorArchiveOpen || status == kErrorNotArchive || (status == kErrorWrite && report.files == 0 &&
                                                                     report.problemCount == 0))
    return Fail(status, name, buffer, size);
  std::string text;
  if (report.problemCount == 0) {
    text = test ? name + " は正常です（ファイル " + Count(report.files) + " 個）。"
                : name + " を展開しました（ファイル " + Count(report.files) + " 個、フォルダ " +
                      Count(report.folders) + " 個）。";
  } else {
    text = name + (test ? " の検査で" : " の展開で") + "エラーがありました（" + Count(report.problemCount) +
           " 件、ファイル " + Count(report.files) + " 個は正常）。";
    for (const ExtractProblem& p : report.problems) {
      text += "\r\n" + std::string(StatusText(p.status));
      if (!p.name.empty()) text += ": " + ShownName(p.name, p.charset);
    }
  }
  return Finish(report.result, text, buffer, size);
}

// --- packing ---

struct PackOptions {
  bool recurse = true;        // folders given are packed with their contents
  bool folderEntries = true;  // folders get entries of their own (empty ones survive)
  bool attributes = true;     // files' attributes are kept
  bool verbose = false;       // the summary lists every file
  int level = 6;
};

struct PackState {
  ArchiveWriter* writer = nullptr;
  PackOptions options;
  std::wstring archive;  // never packed into itself
  std::wstring temporary;
  int files = 0;
  int folders = 0;
  int problems = 0;
  Status result = kOk;
  bool aborted = false;
  std::string problemText;
  std::string listing;
};

bool SamePath(const std::wstring& a, const std::wstring& b) {
  wchar_t fa[1024], fb[1024];
  DWORD na = GetFullPathNameW(a.c_str(), 1024, fa, nullptr), nb = GetFullPathNameW(b.c_str(), 1024, fb, nullptr);
  return na && nb && na < 1024 && nb < 1024 && lstrcmpiW(fa, fb) == 0;
}

void Problem(PackState& state, Status status, const std::wstring& path) {
  ++state.problems;
  if (state.result == kOk) state.result = status;
  if (state.problems <= 64) state.problemText += "\r\n" + std::string(StatusText(status)) + ": " + ToProgram(path);
}

NewEntry MakeEntry(const std::vector<std::wstring>& parts, const WIN32_FIND_DATAW& data, const PackOptions& options) {
  NewEntry entry;
  for (const std::wstring& part : parts) {
    // Characters code page 932 lacks become '_' rather than '?', which no
    // file name may hold; ZIP keeps the true name in its UTF-8 field.
    int n = WideCharToMultiByte(932, 0, part.c_str(), static_cast<int>(part.size()), nullptr, 0, "_", nullptr);
    std::string narrow(n, '\0');
    if (n) WideCharToMultiByte(932, 0, part.c_str(), static_cast<int>(part.size()), &narrow[0], n, "_", nullptr);
    entry.partsCp932.push_back(narrow);
    entry.partsUtf8.push_back(Narrow(part, CP_UTF8));
  }
  entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  FileTimes(data.ftLastWriteTime, entry.dosTime, entry.unixTime);
  DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
               FILE_ATTRIBUTE_DIRECTORY;
  entry.attributes = options.attributes ? (data.dwFileAttributes & kept) : (entry.folder ? 0x10 : 0x20);
  if (entry.attributes == 0) entry.attributes = entry.folder ? 0x10 : 0x20;
  return entry;
}

void PackPath(PackState& state, const std::wstring& path, std::vector<std::wstring>& parts, int depth);

void PackFolderContents(PackState& state, const std::wstring& folder, std::vector<std::wstring>& parts, int depth) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(LongPath(folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> names;
  do {
    if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L"..")) names.push_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  for (const std::wstring& name : names) {
    parts.push_back(name);
    PackPath(state, folder + L"\\" + name, parts, depth + 1);
    parts.pop_back();
  }
}

void PackPath(PackState& state, const std::wstring& path, std::vector<std::wstring>& parts, int depth) {
  if (state.aborted || depth > 256) return;
  if (SamePath(path, state.archive) || SamePath(path, state.temporary)) return;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(LongPath(path).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    Problem(state, kErrorSourceFile, path);
    return;
  }
  FindClose(find);
  NewEntry entry = MakeEntry(parts, data, state.options);
  if (entry.folder) {
    // Reparse points (junctions) could loop or leave the tree: their entry only.
    bool descend = state.options.recurse && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (state.options.folderEntries || !descend) {
      Status s = state.writer->Add(entry, nullptr);
      if (s != kOk) {
        Problem(state, s, path);
        state.aborted = true;
        return;
      }
      ++state.folders;
    }
    if (descend) PackFolderContents(state, path, parts, depth);
    return;
  }
  HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Problem(state, kErrorSourceFile, path);
    return;
  }
  FileStream stream(file);
  Status s = state.writer->Add(entry, &stream);
  CloseHandle(file);
  if (s == kOk && stream.Failed()) s = kErrorSourceFile;
  if (s != kOk) {
    // The writer has written part of the entry: the archive is unusable.
    Problem(state, s, path);
    state.result = s;
    state.aborted = true;
    return;
  }
  ++state.files;
  if (state.options.verbose && state.listing.size() < 40000) {
    std::string shown;
    for (size_t i = 0; i < entry.partsCp932.size(); ++i) shown += (i ? "\\" : "") + entry.partsCp932[i];
    state.listing += "\r\n  " + shown;
  }
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// Packs `files` (relative to `base` unless absolute) into `archivePath`,
// through a temporary file so that a failure leaves an older archive alone.
int Pack(Format format, const std::string& archivePath, const std::string& base, const std::vector<std::string>& files,
         const PackOptions& options, char* buffer, DWORD size) {
  if (files.empty()) return Fail(kErrorNoFiles, std::string(), buffer, size);
  std::wstring archive = FromProgram(archivePath);
  std::wstring temporary = archive + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  FileOutput output;
  if (!output.Create(temporary)) return Fail(kErrorWrite, archivePath, buffer, size);
  std::unique_ptr<ArchiveWriter> writer =
      format == Format::Lzh ? CreateLzhWriter(output) : CreateZipWriter(output, options.level);
  PackState state;
  state.writer = writer.get();
  state.options = options;
  state.archive = archive;
  state.temporary = temporary;
  for (const std::string& file : files) {
    std::string full = IsAbsolute(file) ? file : base + file;
    std::wstring wide = FromProgram(full);
    while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
    std::vector<std::wstring> parts{FromProgram(PathName(IsAbsolute(file) ? full : file))};
    // A relative name with folders keeps them in the archive.
    if (!IsAbsolute(file)) {
      parts.clear();
      std::wstring rel = FromProgram(file);
      size_t start = 0;
      while (start <= rel.size()) {
        size_t end = rel.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = rel.size();
        std::wstring part = rel.substr(start, end - start);
        if (!part.empty() && part != L".") parts.push_back(part);
        start = end + 1;
      }
      if (std::find(parts.begin(), parts.end(), L"..") != parts.end()) {
        Problem(state, kErrorSourceFile, wide);
        continue;
      }
    }
    if (parts.empty()) continue;
    PackPath(state, wide, parts, 0);
    if (state.aborted) break;
  }
  Status finished = state.aborted ? state.result : writer->Finish();
  bool written = output.Close() && finished == kOk;
  if (!written || state.files + state.folders == 0) {
    DeleteFileW(LongPath(temporary).c_str());
    if (written && state.result == kOk) state.result = kErrorNoFiles;
    Status s = written || state.aborted ? state.result : finished;
    if (s == kOk) s = kErrorWrite;
    return Finish(s, std::string(StatusText(s)) + ": " + archivePath + state.problemText, buffer, size);
  }
  if (!MoveFileExW(LongPath(temporary).c_str(), LongPath(archive).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    DeleteFileW(LongPath(temporary).c_str());
    return Fail(kErrorWrite, archivePath, buffer, size);
  }
  std::string text = PathName(archivePath) + " を作成しました（ファイル " + Count(state.files) + " 個、フォルダ " +
                     Count(state.folders) + " 個）。";
  if (state.problems) text += "\r\nエラーがありました（" + Count(state.problems) + " 件）。" + state.problemText;
  return Finish(state.result, text + state.listing, buffer, size);
}

// --- self-extracting programs ---

bool StubBytes(const void*& data, DWORD& length) {
  HMODULE self = reinterpret_cast<HMODULE>(&__ImageBase);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(kStubResource), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
  data = loaded ? LockResource(loaded) : nullptr;
  length = found ? SizeofResource(self, found) : 0;
  return data && length;
}

// Writes the stub followed by the archive (ZIP offsets moved by the stub's
// length) to `exe`, through a temporary file.
int MakeSelfExtracting(Format format, const std::string& archivePath, const std::string& exePath, char* buffer,
                       DWORD size) {
  const void* stub;
  DWORD stubLength;
  if (!StubBytes(stub, stubLength)) return Fail(kErrorSfx, std::string(), buffer, size);
  FileSource source(FromProgram(archivePath));
  if (!source.IsOpen()) return Fail(kErrorArchiveOpen, archivePath, buffer, size);
  bool valid = format == Format::Lzh ? IsLzhArchive(source, 0) : IsZipArchive(source);
  if (!valid) return Fail(kErrorNotArchive, archivePath, buffer, size);
  std::wstring exe = FromProgram(exePath);
  std::wstring temporary = exe + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  FileOutput output;
  if (!output.Create(temporary)) return Fail(kErrorWrite, exePath, buffer, size);
  Status s = output.Write(stub, stubLength) ? kOk : kErrorWrite;
  if (s == kOk && format == Format::Zip) {
    s = CopyZipAfterPrefix(source, output, stubLength);
  } else if (s == kOk) {
    std::vector<uint8_t> block(1 << 20);
    for (uint64_t at = 0; at < source.Size() && s == kOk;) {
      size_t got = source.ReadAt(at, block.data(), block.size());
      if (got == 0) s = kErrorArchiveOpen;
      else if (!output.Write(block.data(), got)) s = kErrorWrite;
      at += got;
    }
  }
  if (!output.Close() && s == kOk) s = kErrorWrite;
  if (s == kOk && !MoveFileExW(LongPath(temporary).c_str(), LongPath(exe).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    s = kErrorWrite;
  if (s != kOk) {
    DeleteFileW(LongPath(temporary).c_str());
    return Fail(s == kErrorWrite ? kErrorWrite : kErrorSfx, exePath, buffer, size);
  }
  return Finish(kOk, PathName(exePath) + " を作成しました。", buffer, size);
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

std::string SwitchList(const CommandLine& c) {
  std::string s;
  for (const std::string& w : c.switches) s += (s.empty() ? "" : " ") + w;
  return s;
}

}  // namespace

bool CheckArchive(Format format, const char* path) {
  if (!path) return false;
  FileSource source(FromProgram(path));
  if (!source.IsOpen()) return false;
  switch (format) {
    case Format::Lzh: {
      if (IsLzhArchive(source, 0)) return true;
      uint64_t end = ProgramImageEnd(source);
      return end && IsLzhArchive(source, end);
    }
    case Format::Zip: return IsZipArchive(source);
    case Format::Tar: return DetectTar(source) != TarKind::None;
  }
  return false;
}

std::unique_ptr<ArchiveReader> OpenArchive(Format format, Source& source, const std::wstring& path, Status* error) {
  *error = kOk;
  switch (format) {
    case Format::Lzh: {
      uint64_t start = 0;
      if (!IsLzhArchive(source, 0)) {
        start = ProgramImageEnd(source);
        if (!start || !IsLzhArchive(source, start)) {
          *error = kErrorNotArchive;
          return nullptr;
        }
      }
      return OpenLzh(source, start);
    }
    case Format::Zip: return OpenZip(source, error);
    case Format::Tar: {
      // A single .gz file is named after the archive: a.txt.gz -> a.txt, a.tgz -> a.tar.
      std::wstring name = path.substr(path.find_last_of(L"\\/") == std::wstring::npos ? 0 : path.find_last_of(L"\\/") + 1);
      size_t dot = name.find_last_of(L'.');
      std::wstring extension = dot == std::wstring::npos ? L"" : name.substr(dot);
      std::wstring stem = dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
      if (lstrcmpiW(extension.c_str(), L".tgz") == 0) stem += L".tar";
      else if (lstrcmpiW(extension.c_str(), L".gz") && lstrcmpiW(extension.c_str(), L".z")) stem = name + L".out";
      return OpenTar(source, Narrow(stem, 932), error);
    }
  }
  *error = kErrorNotArchive;
  return nullptr;
}

Status ExtractArchive(Format format, const std::wstring& archive, const std::wstring& folder, bool flat,
                      ExtractReport& report, const std::function<bool(uint64_t, uint64_t)>& progress) {
  report = ExtractReport();
  FileSource source(archive);
  if (!source.IsOpen()) return report.result = kErrorArchiveOpen;
  Status error = kOk;
  std::unique_ptr<ArchiveReader> reader = OpenArchive(format, source, archive, &error);
  if (!reader) return report.result = (error == kOk ? kErrorNotArchive : error);
  if (folder.empty()) return ExtractAll(*reader, nullptr, report);
  if (!MakeFolders(folder)) return report.result = kErrorWrite;
  FolderTarget target(folder, flat);
  uint64_t total = source.Size();
  if (progress) target.onProgress = [&](uint64_t done) { return progress(done, total); };
  return ExtractAll(*reader, &target, report);
}

int RunUnlha(const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, true, ReadResponseFile, c);
  if (s != kOk) return Fail(s, line ? std::string(line).substr(0, 200) : std::string(), buffer, size);
  if (c.command == "x" || c.command == "e" || c.command == "t") {
    if (!c.switches.empty()) return Fail(kErrorCommand, SwitchList(c), buffer, size);
    return RunExtract(Format::Lzh, c, c.command == "e", c.command == "t", buffer, size);
  }
  if (c.command == "a") {
    PackOptions options;
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
    return MakeSelfExtracting(Format::Lzh, c.paths[0], exe, buffer, size);
  }
  return Fail(kErrorCommand, c.command, buffer, size);
}

int RunUnzip(const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, false, ReadResponseFile, c);
  if (s != kOk) return Fail(s, std::string(), buffer, size);
  bool test = false, flat = false;
  for (const std::string& w : c.switches) {
    if (w == "-t") test = true;
    else if (w == "-j") flat = true;
    else return Fail(kErrorCommand, w, buffer, size);
  }
  return RunExtract(Format::Zip, c, flat, test, buffer, size);
}

int RunZip(const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, false, ReadResponseFile, c);
  if (s != kOk) return Fail(s, std::string(), buffer, size);
  if (Has(c, "--sfx")) {
    if (c.switches.size() != 1 || c.paths.size() != 1) return Fail(kErrorCommand, SwitchList(c), buffer, size);
    return MakeSelfExtracting(Format::Zip, c.paths[0], WithoutExtension(c.paths[0]) + ".exe", buffer, size);
  }
  PackOptions options;
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

int RunTar(const char* line, char* buffer, DWORD size) {
  CommandLine c;
  Status s = ParseCommandLine(line, true, ReadResponseFile, c);
  if (s != kOk) return Fail(s, std::string(), buffer, size);
  if (!c.switches.empty()) return Fail(kErrorCommand, SwitchList(c), buffer, size);
  if (c.command == "x" || c.command == "e" || c.command == "t")
    return RunExtract(Format::Tar, c, c.command == "e", c.command == "t", buffer, size);
  return Fail(kErrorCommand, c.command, buffer, size);
}

}  // namespace arc
