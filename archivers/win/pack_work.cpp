// Packing: walking the files and folders given, and writing the archive
// through a temporary file.
#include <algorithm>

#include "archivers/lzh/lzh.h"
#include "archivers/win/output_text.h"
#include "archivers/win/win_files.h"
#include "archivers/win/work.h"
#include "archivers/zip/zip.h"

namespace arc {

namespace {


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
  WorkProgress progress;
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
  if (!state.progress.Pulse()) {
    state.result = kErrorCancelled;
    state.aborted = true;
    return;
  }
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
  FileStream read(file);
  state.progress.SetFile(path);
  CountedStream stream(read, state.progress, entry.size);
  Status s = state.writer->Add(entry, &stream);
  CloseHandle(file);
  if (s == kOk && stream.Failed()) s = kErrorSourceFile;
  if (state.progress.Cancelled()) s = kErrorCancelled;
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

}  // namespace

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
  state.progress.Start(options.caller, L"圧縮しています", archivePath);
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

}  // namespace arc
