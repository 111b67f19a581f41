// Files and folders for the archiver libraries, through the wide Win32 calls
// so that names from other systems (UTF-8 in the archive) come out whole.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archivers/core/archive.h"
#include "archivers/core/extract.h"

namespace arc {

// Text conversions; code page 932 for archive names, CP_ACP for paths the
// caller gives (the program's own code page).
std::wstring Widen(const std::string& text, UINT codePage);
std::string Narrow(const std::wstring& text, UINT codePage);
// The text in a code page without best-fit substitutes; false when it does
// not convert back to itself ('_' then stands for what is missing).
bool NarrowExactly(const std::wstring& wide, UINT codePage, std::string& narrow);

// A path the wide calls take whatever its length (\\?\ for long absolute ones).
std::wstring LongPath(const std::wstring& path);

// The most characters a path may have in the wide calls, with its \\?\ and
// the terminating zero.
const size_t kMaxPathChars = 32767;
bool FitsFileSystem(const std::wstring& path);

// Creates a folder and every folder above it; false, creating nothing, for a
// path longer than the file system takes.
bool MakeFolders(const std::wstring& path);

bool IsFolder(const std::wstring& path);

// Last-write time as MS-DOS local date/time and Unix seconds.
void FileTimes(const FILETIME& written, uint32_t& dosTime, int64_t& unixTime);

class FileSource : public Source {
 public:
  explicit FileSource(const std::wstring& path);
  ~FileSource() override;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

 private:
  size_t ReadDirect(uint64_t offset, void* buffer, size_t n);
  HANDLE handle_;
  uint64_t size_ = 0;
  std::vector<uint8_t> cache_;
  uint64_t cacheStart_ = 0;
  size_t cacheSize_ = 0;
};

// Reads a whole file front to back, for packing.
class FileStream : public Stream {
 public:
  explicit FileStream(HANDLE handle) : handle_(handle) {}
  size_t Read(void* buffer, size_t n) override;
  bool Failed() const override { return failed_; }

 private:
  HANDLE handle_;
  bool failed_ = false;
};

// Writes through a 1 MiB buffer.
class FileOutput : public Output {
 public:
  FileOutput() = default;
  ~FileOutput() override;
  bool Create(const std::wstring& path);
  bool Write(const void* data, size_t n) override;
  uint64_t Position() const override { return flushed_ + buffer_.size(); }
  bool WriteAt(uint64_t offset, const void* data, size_t n) override;
  // Writes what is buffered, sets the last-write time if given, and closes;
  // false when any write failed.
  bool Close(const FILETIME* written = nullptr);
  HANDLE Handle() const { return handle_; }
  bool Failed() const { return failed_; }

 private:
  bool Flush();
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::vector<uint8_t> buffer_;
  uint64_t flushed_ = 0;
  bool failed_ = false;
};

// Extraction into a folder of the disk.
class FolderTarget : public ExtractTarget {
 public:
  // `flat`: every file straight into the folder, without the stored folders.
  FolderTarget(const std::wstring& folder, bool flat = false) : folder_(folder), flat_(flat) {}
  Status MakeFolder(const PathParts& parts, NameCharset charset, const Entry& entry) override;
  Sink* BeginFile(const PathParts& parts, NameCharset charset, const Entry& entry, Status* error) override;
  Status EndFile(bool keep) override;
  Status LinkFile(const PathParts& from, NameCharset fromCharset, const PathParts& to, NameCharset toCharset,
                  const Entry& entry) override;
  std::unique_ptr<Source> OpenFile(const PathParts& parts, NameCharset charset) override;
  // Set to follow the work: called with the archive bytes read; false stops.
  std::function<bool(uint64_t)> onProgress;
  bool Progress(uint64_t archiveBytes) override { return onProgress ? onProgress(archiveBytes) : true; }
  // The bytes free for us on the output folder's volume; null asks the volume.
  std::function<uint64_t()> freeBytes;

 private:
  bool PathOf(const PathParts& parts, NameCharset charset, std::wstring& path) const;
  uint64_t FreeBytes() const;
  std::wstring folder_;
  bool flat_;
  FileOutput file_;
  std::wstring filePath_;
  Entry entry_;
};

}  // namespace arc
