// Reading tar archives (ustar, GNU, pax, v7), tar inside gzip, and single
// gzip files: the format side of TAR32.dll.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "archivers/core/archive.h"
#include "archivers/core/io.h"
#include "archivers/core/status.h"

namespace arc {

// What a file is, judged by its content only: a tar archive (its first header
// has a right checksum), gzip whose decompressed start is such a header
// (.tar.gz, .tgz), any other gzip file (one compressed file), or none of them.
// An empty tar (only zero blocks) has no header to recognise: None, or Gzip
// when compressed. A gzip file whose own header is unreadable is None too
// (OpenTar then tells kErrorDamaged or kErrorMethod).
enum class TarKind { None, Tar, TarGzip, Gzip };
TarKind DetectTar(Source& source);

// Opens a tar, tar.gz or gzip file. A single gzip file holds one entry named
// after its header's stored name (last path part only) or, when it has none,
// `fallbackName`. Null with *error set (kErrorNotArchive, kErrorDamaged...)
// when the file cannot be read as one of them.
//
// Entries: '0', NUL, '7' and unknown type flags are files ('0'/NUL with a name
// ending in '/' are folders, as old tars wrote them); '5' and GNU 'D' folders;
// '2' symbolic and '1' hard links (kind Link, linkTarget, hardLink); devices,
// FIFOs, GNU sparse 'S' and multi-volume 'M' parts are Other (their data
// cannot be rebuilt here). GNU 'V' volume labels and 'N' records are skipped
// silently; pax 'x'/'X'/'g' and GNU 'L'/'K' records apply to what follows.
// Next on a tar inside gzip reads the compressed file to its end before it
// reports kEnd, so that a wrong CRC there is reported (kErrorCrc). After an
// error from Next, further calls return kErrorDamaged.
std::unique_ptr<ArchiveReader> OpenTar(Source& source, const std::string& fallbackName, Status* error);

// Decompresses a gzip file read front to back: every member in turn, each
// member's CRC-32 and length checked at its end. Bytes after the last member
// that do not start another member (tape padding) are ignored. Read returns
// 0 at the end and on an error; error() tells which.
class GzipStream : public Stream {
 public:
  explicit GzipStream(Stream& input);
  ~GzipStream() override;
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  // Reads the first member's header (Read does so too): kOk or error().
  Status Start();
  size_t Read(void* buffer, size_t n) override;
  bool Failed() const override { return error_ != kOk; }
  // kOk; kErrorNotArchive (no gzip signature at the start), kErrorMethod (not
  // deflate), kErrorDamaged (bad header or data, truncated), kErrorCrc (CRC-32
  // or length differ), kErrorArchiveOpen (the input could not be read).
  Status error() const { return error_; }
  // Compressed bytes consumed so far.
  uint64_t CompressedPosition() const;

  // The first member's header, after Start.
  bool hasName() const { return hasName_; }
  const std::string& name() const { return name_; }  // raw bytes, may hold a path
  uint32_t mtime() const { return mtime_; }           // 0: none

 private:
  struct Inflater;
  enum class State { Header, Data, Next, End, Failed };
  bool Refill();
  bool GetByte(uint8_t& byte);
  bool ReadHeader(bool first);
  bool ReadTrailer();
  void Fail(Status status);

  Stream& input_;
  std::unique_ptr<Inflater> inflater_;
  std::unique_ptr<uint8_t[]> in_;
  size_t inPos_ = 0, inLen_ = 0;
  uint64_t inTotal_ = 0;
  State state_ = State::Header;
  Status error_ = kOk;
  uint32_t crc_ = 0, length_ = 0;
  bool hasName_ = false;
  std::string name_;
  uint32_t mtime_ = 0;
};

}  // namespace arc
