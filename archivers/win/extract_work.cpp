// Extraction and testing: opening an archive of each format (also inside a
// self-extracting program) and the summary the work entry returns.
#include "archivers/lzh/lzh.h"
#include "archivers/tar/tar.h"
#include "archivers/win/output_text.h"
#include "archivers/win/win_files.h"
#include "archivers/win/work.h"
#include "archivers/zip/zip.h"

namespace arc {

bool CheckArchive(Format format, const char* path) {
  if (!path) return false;
  return CheckArchive(format, FromProgram(path));
}

bool CheckArchive(Format format, const std::wstring& path) {
  FileSource source(path);
  if (!source.IsOpen()) return false;
  switch (format) {
    case Format::Lzh: {
      if (IsWholeLzhArchive(source, 0)) return true;
      uint64_t end = ProgramImageEnd(source);
      return end && IsWholeLzhArchive(source, end);
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
      // The reader takes a name it finds to be UTF-8 as such: one outside
      // code page 932 (through a wide entry) keeps its characters.
      std::string stored;
      if (!NarrowExactly(stem, 932, stored)) stored = Narrow(stem, CP_UTF8);
      return OpenTar(source, stored, error);
    }
  }
  *error = kErrorNotArchive;
  return nullptr;
}

namespace {

// The folder target, also naming each file to the progress window.
class ShownFolderTarget : public FolderTarget {
 public:
  ShownFolderTarget(const std::wstring& folder, bool flat, WorkProgress& progress)
      : FolderTarget(folder, flat), progress_(progress) {}
  Sink* BeginFile(const PathParts& parts, NameCharset charset, const Entry& entry, Status* error) override {
    progress_.SetFile(Widen(entry.name, charset == NameCharset::Utf8 ? CP_UTF8 : 932));
    return FolderTarget::BeginFile(parts, charset, entry, error);
  }

 private:
  WorkProgress& progress_;
};

// Testing: every entry read and checked as in an extraction, nothing written.
class CheckTarget : public ExtractTarget {
 public:
  CheckTarget(WorkProgress& progress, uint64_t total) : progress_(progress), total_(total) {}
  Status MakeFolder(const PathParts&, NameCharset, const Entry&) override { return kOk; }
  Sink* BeginFile(const PathParts&, NameCharset charset, const Entry& entry, Status*) override {
    progress_.SetFile(Widen(entry.name, charset == NameCharset::Utf8 ? CP_UTF8 : 932));
    return &nothing_;
  }
  Status EndFile(bool) override { return kOk; }
  Status LinkFile(const PathParts&, NameCharset, const PathParts&, NameCharset, const Entry&) override { return kOk; }
  std::unique_ptr<Source> OpenFile(const PathParts&, NameCharset) override { return nullptr; }
  bool Progress(uint64_t archiveBytes) override { return progress_.Step(archiveBytes, total_); }

 private:
  WorkProgress& progress_;
  uint64_t total_;
  NullSink nothing_;
};

}  // namespace

Status ExtractArchive(Format format, const std::wstring& archive, const std::wstring& folder, bool flat,
                      ExtractReport& report, WorkProgress* progress) {
  report = ExtractReport();
  FileSource source(archive);
  if (!source.IsOpen()) return report.result = kErrorArchiveOpen;
  Status error = kOk;
  std::unique_ptr<ArchiveReader> reader = OpenArchive(format, source, archive, &error);
  if (!reader) return report.result = (error == kOk ? kErrorNotArchive : error);
  uint64_t total = source.Size();
  WorkProgress none;  // never started: shows nothing, never cancels
  WorkProgress& shown = progress ? *progress : none;
  if (folder.empty()) {
    CheckTarget check(shown, total);
    return ExtractAll(*reader, &check, report);
  }
  if (!MakeFolders(folder)) return report.result = kErrorWrite;
  ShownFolderTarget target(folder, flat, shown);
  target.onProgress = [&shown, total](uint64_t done) { return shown.Step(done, total); };
  return ExtractAll(*reader, &target, report);
}

int RunExtract(const Caller& caller, Format format, const CommandLine& command, bool flat, bool test, char* buffer,
               DWORD size) {
  if (command.paths.empty() || command.paths.size() > 2 || (test && command.paths.size() > 1))
    return Fail(kErrorCommand, std::string(), buffer, size);
  std::wstring archive = FromProgram(command.paths[0]);
  std::string name = PathName(command.paths[0]);
  std::wstring folder;
  if (!test) {
    folder = command.paths.size() > 1 ? FromProgram(command.paths[1]) : std::wstring(L".");
  }
  ExtractReport report;
  WorkProgress progress;
  progress.Start(caller, test ? L"書庫を検査しています" : L"展開しています", command.paths[0]);
  Status status = ExtractArchive(format, archive, test ? std::wstring() : folder, flat, report, &progress);
  progress.Close();
  // What was extracted before stays; the file being written was removed.
  if (report.cancelled) return Fail(kErrorCancelled, name, buffer, size);
  if (status == kErrorArchiveOpen || status == kErrorNotArchive || (status == kErrorWrite && report.files == 0 &&
                                                                     report.problemCount == 0))
    return Fail(status, name, buffer, size);
  std::string text;
  if (report.problemCount == 0) {
    text = test ? name + OwnText(" は正常です（ファイル ") + Count(report.files) + OwnText(" 個）。")
                : name + OwnText(" を展開しました（ファイル ") + Count(report.files) + OwnText(" 個、フォルダ ") +
                      Count(report.folders) + OwnText(" 個）。");
  } else {
    text = name + OwnText(test ? " の検査でエラーがありました（" : " の展開でエラーがありました（") +
           Count(report.problemCount) + OwnText(" 件、ファイル ") + Count(report.files) + OwnText(" 個は正常）。");
    for (const ExtractProblem& p : report.problems) {
      text += "\r\n" + OwnText(StatusText(p.status));
      if (!p.name.empty()) text += ": " + ShownName(p.name, p.charset);
    }
  }
  return Finish(report.result, text, buffer, size);
}

}  // namespace arc
