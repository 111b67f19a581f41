// Walking an LZH archive: one header after the other, each entry's data
// extracted on demand or skipped.
#include <cstring>
#include <vector>

#include "archivers/lzh/lzh.h"
#include "archivers/lzh/lzh_decode.h"
#include "archivers/lzh/lzh_header.h"

namespace arc {

namespace {

using lzh::Header;
using lzh::Method;

bool LooksLikeMethod(const char* id) {
  return id[0] == '-' && id[1] == 'l' && (id[2] == 'h' || id[2] == 'z') && id[4] == '-';
}

class LzhReader : public ArchiveReader {
 public:
  LzhReader(Source& source, uint64_t start) : source_(source), next_(start), position_(start) {}

  Status Next(Entry& entry) override {
    if (failed_) return kErrorDamaged;
    if (have_) {
      position_ = next_ = header_.dataOffset + header_.packedSize;
      have_ = false;
    }
    Status s = lzh::ReadHeader(source_, next_, header_);
    if (s == kEnd) return kEnd;
    // Each header must move the walk forward, or it would never end.
    if (s != kOk || header_.dataOffset + header_.packedSize <= next_) {
      failed_ = true;
      return kErrorDamaged;
    }
    have_ = true;
    position_ = header_.dataOffset;
    entry = header_.entry;
    return kOk;
  }

  Status Extract(Sink& sink) override {
    if (!have_ || failed_) return kErrorDamaged;
    const Header& h = header_;
    if (h.entry.kind == EntryKind::Folder || h.entry.kind == EntryKind::Link) return kOk;
    if (h.method == Method::Unsupported) return kErrorMethod;
    uint64_t size = source_.Size();
    if (h.dataOffset > size || h.packedSize > size - h.dataOffset) {
      failed_ = true;
      return kErrorDamaged;
    }
    uint16_t crc = 0;
    Status s = kOk;
    if (h.method == Method::Stored) {
      s = CopyStored(sink, crc);
    } else {
      s = decoder_.Decode(source_, h.dataOffset, h.packedSize, h.originalSize, h.params, sink, crc);
    }
    if (s == kErrorDamaged) failed_ = true;
    if (s != kOk) return s;
    position_ = h.dataOffset + h.packedSize;
    return crc == h.dataCrc ? kOk : kErrorCrc;
  }

  uint64_t Position() const override { return position_; }

 private:
  Status CopyStored(Sink& sink, uint16_t& crc) {
    const Header& h = header_;
    if (buffer_.empty()) buffer_.resize(256 * 1024);
    uint64_t left = h.packedSize < h.originalSize ? h.packedSize : h.originalSize;
    uint64_t at = h.dataOffset;
    while (left > 0) {
      size_t n = left < buffer_.size() ? static_cast<size_t>(left) : buffer_.size();
      if (source_.ReadAt(at, buffer_.data(), n) != n) return kErrorDamaged;
      crc = LzhCrc16(crc, buffer_.data(), n);
      if (!sink.Write(buffer_.data(), n)) return kErrorWrite;
      at += n;
      left -= n;
    }
    // A stored entry whose two sizes differ cannot be right.
    return h.packedSize == h.originalSize ? kOk : kErrorCrc;
  }

  Source& source_;
  uint64_t next_;
  uint64_t position_;
  bool have_ = false;
  bool failed_ = false;
  Header header_;
  lzh::LhDecoder decoder_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

bool IsLzhArchive(Source& source, uint64_t start) {
  Header h;
  return lzh::ReadHeader(source, start, h) == kOk && LooksLikeMethod(h.methodId);
}

bool IsWholeLzhArchive(Source& source, uint64_t start) {
  if (!IsLzhArchive(source, start)) return false;
  // Only headers are read; each valid one ends past the last, so the walk
  // ends within the file.
  Header h;
  uint64_t at = start;
  Status s;
  while ((s = lzh::ReadHeader(source, at, h)) == kOk) {
    if (h.dataOffset + h.packedSize <= at) return false;
    at = h.dataOffset + h.packedSize;
  }
  return s == kEnd;
}

uint64_t FindLzhArchive(Source& source, uint64_t start, uint64_t maxScan) {
  uint64_t size = source.Size();
  if (start >= size) return UINT64_MAX;
  uint64_t stop = size - start < maxScan ? size : start + maxScan;
  std::vector<uint8_t> buffer(64 * 1024 + 8);
  for (uint64_t at = start; at < stop; at += 64 * 1024) {
    size_t got = source.ReadAt(at, buffer.data(), buffer.size());
    for (size_t i = 0; i + 7 <= got && at + i < stop; ++i) {
      const char* id = reinterpret_cast<const char*>(buffer.data() + i + 2);
      if (LooksLikeMethod(id) && IsLzhArchive(source, at + i)) return at + i;
    }
  }
  return UINT64_MAX;
}

std::unique_ptr<ArchiveReader> OpenLzh(Source& source, uint64_t start) {
  return std::unique_ptr<ArchiveReader>(new LzhReader(source, start));
}

}  // namespace arc
