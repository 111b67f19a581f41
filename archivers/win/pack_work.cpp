// Packing: walking the files and folders given, and writing the archive
// through a temporary file. An archive that exists is updated: its entries
// are kept as they are unless a file of the same name is packed.
#include <algorithm>
#include <memory>
#include <set>

#include "archivers/lzh/lzh.h"
#include "archivers/win/caller_text.h"
#include "archivers/win/output_text.h"
#include "archivers/win/win_files.h"
#include "archivers/win/work.h"
#include "archivers/zip/zip.h"

namespace arc {

namespace {


struct PackState {
  ArchiveWriter* writer = nullptr;
  Format format = Format::Zip;
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
  std::set<std::wstring> added;  // NameKey of every entry written
  WorkProgress progress;
};

// The parts of a relative path, without empty and "." ones.
std::vector<std::wstring> SplitParts(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring part = path.substr(start, end - start);
    if (!part.empty() && part != L".") parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

// A name as Windows tells names apart: '/' between parts, case folded.
std::wstring NameKey(const std::vector<std::wstring>& parts) {
  std::wstring key;
  for (const std::wstring& part : parts) key += (key.empty() ? L"" : L"/") + part;
  if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
  return key;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  wchar_t fa[1024], fb[1024];
  DWORD na = GetFullPathNameW(a.c_str(), 1024, fa, nullptr), nb = GetFullPathNameW(b.c_str(), 1024, fb, nullptr);
  return na && nb && na < 1024 && nb < 1024 && lstrcmpiW(fa, fb) == 0;
}

void Problem(PackState& state, Status status, const std::wstring& path) {
  ++state.problems;
  if (state.result == kOk) state.result = status;
  if (state.problems <= 64) state.problemText += "\r\n" + OwnText(StatusText(status)) + ": " + ToProgram(path);
}

NewEntry MakeEntry(const std::vector<std::wstring>& parts, const WIN32_FIND_DATAW& data, const PackOptions& options) {
  NewEntry entry;
  for (const std::wstring& part : parts) {
    // Best fit would merge names (cafe and cafe with an accent) or turn the
    // yen sign into a folder separator: a name either converts exactly or is
    // marked, and the writer stores it another way or refuses it.
    std::string narrow;
    if (!NarrowExactly(part, 932, narrow)) entry.cp932Exact = false;
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
  if (!entry.cp932Exact && state.format != Format::Zip) {
    // Only ZIP records names in UTF-8; below a folder refused here every
    // name would be refused too.
    Problem(state, kErrorNameCharset, path);
    return;
  }
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
      state.added.insert(NameKey(parts));
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
  state.added.insert(NameKey(parts));
  if (state.options.verbose && state.listing.size() < 40000) {
    std::string shown;
    const std::vector<std::string>& names = CallerTextIsUtf8() ? entry.partsUtf8 : entry.partsCp932;
    for (size_t i = 0; i < names.size(); ++i) shown += (i ? "\\" : "") + names[i];
    state.listing += "\r\n  " + shown;
  }
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// Copies the entries of the existing archive that no packed file replaced
// (same name as its reader decodes it, case aside); gives how many.
int KeepExisting(PackState& state, const std::vector<Entry>& existing) {
  int kept = 0;
  for (size_t i = 0; i < existing.size() && !state.aborted; ++i) {
    const Entry& e = existing[i];
    std::wstring name = Widen(e.name, e.charset == NameCharset::Utf8 ? CP_UTF8 : 932);
    if (state.added.count(NameKey(SplitParts(name)))) continue;
    Status s = state.writer->KeepExisting(i);
    if (s == kOk) {
      ++kept;
      continue;
    }
    Problem(state, s, state.archive);
    state.result = s;
    state.aborted = true;
  }
  return kept;
}

}  // namespace

// Packs `files` (relative to `base` unless absolute) into `archivePath`,
// through a temporary file so that a failure leaves an older archive alone.
int Pack(Format format, const std::string& archivePath, const std::string& base, const std::vector<std::string>& files,
         const PackOptions& options, char* buffer, DWORD size) {
  if (files.empty()) return Fail(kErrorNoFiles, std::string(), buffer, size);
  std::wstring archive = FromProgram(archivePath);
  std::wstring temporary = archive + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  // An archive already there is updated, as zip and lha do; one that cannot
  // be read as the format's archive is left alone.
  std::unique_ptr<FileSource> old;
  if (GetFileAttributesW(LongPath(archive).c_str()) != INVALID_FILE_ATTRIBUTES) {
    old.reset(new FileSource(archive));
    if (!old->IsOpen()) return Fail(kErrorArchiveOpen, archivePath, buffer, size);
  }
  FileOutput output;
  if (!output.Create(temporary)) return Fail(kErrorWrite, archivePath, buffer, size);
  std::unique_ptr<ArchiveWriter> writer =
      format == Format::Lzh ? CreateLzhWriter(output) : CreateZipWriter(output, options.level);
  std::vector<Entry> existing;
  if (old) {
    Status s = writer->ReadExisting(*old, existing);
    if (s != kOk) {
      output.Close();
      DeleteFileW(LongPath(temporary).c_str());
      return Fail(s, archivePath, buffer, size);
    }
  }
  PackState state;
  state.writer = writer.get();
  state.format = format;
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
      parts = SplitParts(FromProgram(file));
      if (std::find(parts.begin(), parts.end(), L"..") != parts.end()) {
        Problem(state, kErrorSourceFile, wide);
        continue;
      }
    }
    if (parts.empty()) continue;
    PackPath(state, wide, parts, 0);
    if (state.aborted) break;
  }
  int kept = KeepExisting(state, existing);
  old.reset();  // closed before the new archive takes its place
  Status finished = state.aborted ? state.result : writer->Finish();
  bool written = output.Close() && finished == kOk;
  if (!written || state.files + state.folders == 0) {
    DeleteFileW(LongPath(temporary).c_str());
    if (written && state.result == kOk) state.result = kErrorNoFiles;
    Status s = written || state.aborted ? state.result : finished;
    if (s == kOk) s = kErrorWrite;
    return Finish(s, OwnText(StatusText(s)) + ": " + archivePath + state.problemText, buffer, size);
  }
  if (!MoveFileExW(LongPath(temporary).c_str(), LongPath(archive).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    DeleteFileW(LongPath(temporary).c_str());
    return Fail(kErrorWrite, archivePath, buffer, size);
  }
  std::string counts = OwnText("ファイル ") + Count(state.files) + OwnText(" 個、フォルダ ") + Count(state.folders) +
                       OwnText(" 個");
  std::string text = existing.empty() && kept == 0
                         ? PathName(archivePath) + OwnText(" を作成しました（") + counts + OwnText("）。")
                         : PathName(archivePath) + OwnText(" を更新しました（") + counts + OwnText("を格納、元の ") +
                               Count(kept) + OwnText(" 個はそのまま）。");
  if (state.problems)
    text += OwnText("\r\nエラーがありました（") + Count(state.problems) + OwnText(" 件）。") + state.problemText;
  return Finish(state.result, text + state.listing, buffer, size);
}

}  // namespace arc
