// Self-extracting programs: the stub this library carries, then the archive.
#include "archivers/lzh/lzh.h"
#include "archivers/win/win_files.h"
#include "archivers/win/work.h"
#include "archivers/zip/zip.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace arc {

namespace {

// The self-extracting program the libraries carry (resources of this module).
const int kStubResource = 1;

bool StubBytes(const void*& data, DWORD& length) {
  HMODULE self = reinterpret_cast<HMODULE>(&__ImageBase);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(kStubResource), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
  data = loaded ? LockResource(loaded) : nullptr;
  length = found ? SizeofResource(self, found) : 0;
  return data && length;
}

}  // namespace

// Writes the stub followed by the archive (ZIP offsets moved by the stub's
// length) to `exe`, through a temporary file.
int MakeSelfExtracting(const Caller& caller, Format format, const std::string& archivePath, const std::string& exePath,
                       char* buffer, DWORD size) {
  const void* stub;
  DWORD stubLength;
  if (!StubBytes(stub, stubLength)) return Fail(kErrorSfx, std::string(), buffer, size);
  FileSource source(FromProgram(archivePath));
  if (!source.IsOpen()) return Fail(kErrorArchiveOpen, archivePath, buffer, size);
  bool valid = format == Format::Lzh ? IsLzhArchive(source, 0) : IsZipArchive(source);
  if (!valid) return Fail(kErrorNotArchive, archivePath, buffer, size);
  std::wstring exe = FromProgram(exePath);
  std::wstring temporary = exe + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  FileOutput file;
  if (!file.Create(temporary)) return Fail(kErrorWrite, exePath, buffer, size);
  WorkProgress progress;
  progress.Start(caller, L"自己解凍形式を作成しています", archivePath);
  progress.SetFile(exe);
  CountedOutput output(file, progress, stubLength + source.Size());
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
  progress.Close();
  if (progress.Cancelled()) s = kErrorCancelled;
  if (!file.Close() && s == kOk) s = kErrorWrite;
  if (s == kOk && !MoveFileExW(LongPath(temporary).c_str(), LongPath(exe).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    s = kErrorWrite;
  if (s != kOk) {
    DeleteFileW(LongPath(temporary).c_str());
    return Fail(s == kErrorWrite || s == kErrorCancelled ? s : kErrorSfx, exePath, buffer, size);
  }
  return Finish(kOk, PathName(exePath) + OwnText(" を作成しました。"), buffer, size);
}

}  // namespace arc
