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
  FileSource source(FromProgram(path));
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

}  // namespace arc
