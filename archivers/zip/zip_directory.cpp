#include <zlib.h>

#include <algorithm>

#include "archivers/core/safe_name.h"
#include "archivers/zip/zip_internal.h"

namespace arc {
namespace zip {

namespace {

// How far from the end the end record is looked for: the longest comment,
// plus room for data appended after the archive (a signature added to a
// self-extracting program, for instance).
constexpr uint64_t kTrailingAllowance = 192 * 1024;
constexpr uint64_t kSearchWindow = 65535 + kEndSize + kTrailingAllowance;

bool ReadExact(Source& source, uint64_t offset, void* buffer, size_t n) {
  return offset <= source.Size() && source.Size() - offset >= n && source.ReadAt(offset, buffer, n) == n;
}

bool CentralSigAt(Source& source, uint64_t offset) {
  uint8_t b[4];
  return ReadExact(source, offset, b, 4) && Le32(b) == kCentralSig;
}

// Checks that a directory of `entries` headers, `cdSize` bytes at the stored
// `cdOffset`, can end by `cdEnd` and starts with a central header, and fills
// d's figures.
bool CheckDirectory(Source& source, uint64_t entries, uint64_t cdSize, uint64_t cdOffset, uint64_t cdEnd,
                    Directory& d) {
  if (cdSize > cdEnd || cdOffset > cdEnd - cdSize) return false;
  if (entries > cdSize / kCentralSize) return false;  // more headers than the directory can hold
  uint64_t delta = cdEnd - cdSize - cdOffset;
  if (cdSize == 0) {
    if (entries != 0) return false;
  } else if (CentralSigAt(source, cdOffset + delta)) {
  } else if (delta != 0 && CentralSigAt(source, cdOffset)) {
    delta = 0;  // something between the directory and the end records
  } else {
    return false;
  }
  d.cdStart = cdOffset + delta;
  d.cdSize = cdSize;
  d.entries = entries;
  d.delta = delta;
  return true;
}

// Checks the end record at `pos` (bytes `p` of it already read) and fills d.
bool CheckEnd(Source& source, uint64_t pos, const uint8_t* p, Directory& d) {
  const uint64_t size = source.Size();
  d.endPos = pos;
  d.commentLength = Le16(p + 20);
  if (size - pos - kEndSize < d.commentLength) return false;
  const uint64_t entries = Le16(p + 10), cdSize = Le32(p + 12), cdOffset = Le32(p + 16);
  const bool sentinel = entries == kMax16 || cdSize == kMax32 || cdOffset == kMax32;
  d.zip64 = false;
  uint8_t locator[kLocatorSize];
  if (pos >= kLocatorSize && ReadExact(source, pos - kLocatorSize, locator, kLocatorSize) &&
      Le32(locator) == kLocatorSig) {
    const uint64_t locatorPos = pos - kLocatorSize;
    uint8_t record[kEnd64Size];
    auto recordAt = [&](uint64_t at) {
      return at <= locatorPos && locatorPos - at >= kEnd64Size && ReadExact(source, at, record, kEnd64Size) &&
             Le32(record) == kEnd64Sig && Le64(record + 4) >= kEnd64Size - 12;
    };
    // The stored offset leaves out a stub the archive was put behind; a
    // record without extension data ends right at the locator.
    uint64_t stored = Le64(locator + 8), recordPos = 0;
    bool found = false;
    if (recordAt(stored)) {
      recordPos = stored;
      found = true;
    } else if (locatorPos >= kEnd64Size && recordAt(locatorPos - kEnd64Size)) {
      recordPos = locatorPos - kEnd64Size;
      found = true;
    }
    if (found && CheckDirectory(source, Le64(record + 32), Le64(record + 40), Le64(record + 48), recordPos, d)) {
      d.zip64 = true;
      return true;
    }
    // Bytes that only look like ZIP64 records: the classic figures decide,
    // unless they say the ZIP64 ones are needed.
    if (sentinel) return false;
  }
  return CheckDirectory(source, entries, cdSize, cdOffset, pos, d);
}

}  // namespace

bool FindDirectory(Source& source, Directory& dir) {
  const uint64_t size = source.Size();
  if (size < kEndSize) return false;
  const size_t take = static_cast<size_t>(std::min<uint64_t>(size, kSearchWindow));
  const uint64_t base = size - take;
  std::vector<uint8_t> tail(take);
  if (source.ReadAt(base, tail.data(), take) != take) return false;
  // The highest record whose comment ends the file wins; failing that, the
  // highest valid one (data appended after the archive).
  bool found = false;
  Directory best;
  for (size_t i = take - kEndSize + 1; i-- > 0;) {
    if (tail[i] != 'P' || Le32(&tail[i]) != kEndSig) continue;
    Directory d;
    if (!CheckEnd(source, base + i, &tail[i], d)) continue;
    if (base + i + kEndSize + d.commentLength == size) {
      dir = d;
      return true;
    }
    if (!found) {
      best = d;
      found = true;
    }
  }
  if (found) dir = best;
  return found;
}

bool FindExtra(const uint8_t* extra, size_t length, uint16_t id, const uint8_t** data, size_t* size) {
  size_t at = 0;
  while (length - at >= 4) {
    uint16_t blockId = Le16(extra + at);
    size_t blockSize = Le16(extra + at + 2);
    if (blockSize > length - at - 4) return false;
    if (blockId == id) {
      *data = extra + at + 4;
      *size = blockSize;
      return true;
    }
    at += 4 + blockSize;
  }
  return false;
}

DirectoryCursor::DirectoryCursor(Source& source, uint64_t start, uint64_t size)
    : source_(source),
      position_(start),
      end_(start + size),
      // No header is larger than 46 + 3 * 65535 bytes, nor than the directory.
      window_(static_cast<size_t>(std::min<uint64_t>(size, 256 * 1024))) {}

bool DirectoryCursor::Fill(size_t need) {
  size_t have = filled_ - begin_;
  if (have >= need) return true;
  memmove(window_.data(), window_.data() + begin_, have);
  begin_ = 0;
  filled_ = have;
  uint64_t from = position_ + have;
  size_t room = window_.size() - filled_;
  uint64_t left = end_ - from;
  size_t want = static_cast<size_t>(std::min<uint64_t>(room, left));
  size_t got = source_.ReadAt(from, window_.data() + filled_, want);
  filled_ += got;
  return filled_ >= need;
}

Status DirectoryCursor::Next(CentralHeader& h) {
  if (end_ - position_ < kCentralSize) return kEnd;
  if (!Fill(kCentralSize)) return kErrorDamaged;
  const uint8_t* p = window_.data() + begin_;
  if (Le32(p) != kCentralSig) return kEnd;
  size_t n = Le16(p + 28), m = Le16(p + 30), k = Le16(p + 32);
  size_t total = kCentralSize + n + m + k;
  if (total > end_ - position_) return kErrorDamaged;
  if (!Fill(total)) return kErrorDamaged;
  p = window_.data() + begin_;
  h.header = p;
  h.madeBy = Le16(p + 4);
  h.needed = Le16(p + 6);
  h.flags = Le16(p + 8);
  h.method = Le16(p + 10);
  h.dosTime = Le32(p + 12);
  h.crc = Le32(p + 16);
  h.csize = Le32(p + 20);
  h.usize = Le32(p + 24);
  h.disk = Le16(p + 34);
  h.internal = Le16(p + 36);
  h.external = Le32(p + 38);
  h.offset = Le32(p + 42);
  h.name = p + kCentralSize;
  h.nameLength = n;
  h.extra = h.name + n;
  h.extraLength = m;
  h.commentLength = k;
  h.totalSize = total;
  // ZIP64 values follow in a fixed order, each one only when its classic
  // field holds the sentinel; the block's own size bounds the parse.
  const uint8_t* z;
  size_t zn;
  if ((h.usize == kMax32 || h.csize == kMax32 || h.offset == kMax32 || h.disk == kMax16) &&
      FindExtra(h.extra, m, kExtraZip64, &z, &zn)) {
    size_t at = 0;
    if (h.usize == kMax32 && zn - at >= 8) {
      h.usize = Le64(z + at);
      at += 8;
    }
    if (h.csize == kMax32 && zn - at >= 8) {
      h.csize = Le64(z + at);
      at += 8;
    }
    if (h.offset == kMax32 && zn - at >= 8) {
      h.offset = Le64(z + at);
      at += 8;
    }
    if (h.disk == kMax16 && zn - at >= 4) h.disk = Le32(z + at);
  }
  begin_ += total;
  position_ += total;
  return kOk;
}

uint32_t Crc32(uint32_t crc, const void* data, size_t n) {
  const Bytef* p = static_cast<const Bytef*>(data);
  uLong c = crc;
  while (n > 0) {
    uInt step = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
    c = crc32(c, p, step);
    p += step;
    n -= step;
  }
  return static_cast<uint32_t>(c);
}

void PutZip64Extra(std::vector<uint8_t>& v, bool needU, uint64_t usize, bool needC, uint64_t csize, bool needOffset,
                   uint64_t offset) {
  PutLe16(v, kExtraZip64);
  PutLe16(v, static_cast<uint16_t>(8 * (needU + needC + needOffset)));
  if (needU) PutLe64(v, usize);
  if (needC) PutLe64(v, csize);
  if (needOffset) PutLe64(v, offset);
}

void PutEndRecords(std::vector<uint8_t>& v, uint64_t endPos, uint64_t entries, uint64_t cdOffset, uint64_t cdSize,
                   bool force64, const uint8_t* comment, size_t commentLength) {
  bool need64 = force64 || entries >= kMax16 || cdOffset >= kMax32 || cdSize >= kMax32;
  if (need64) {
    PutLe32(v, kEnd64Sig);
    PutLe64(v, kEnd64Size - 12);
    PutLe16(v, 45);  // made by: MS-DOS host, version 4.5
    PutLe16(v, 45);
    PutLe32(v, 0);  // this disk
    PutLe32(v, 0);  // disk of the directory
    PutLe64(v, entries);
    PutLe64(v, entries);
    PutLe64(v, cdSize);
    PutLe64(v, cdOffset);
    PutLe32(v, kLocatorSig);
    PutLe32(v, 0);
    PutLe64(v, endPos);
    PutLe32(v, 1);  // total disks
  }
  PutLe32(v, kEndSig);
  PutLe16(v, 0);
  PutLe16(v, 0);
  uint16_t count = entries >= kMax16 ? kMax16 : static_cast<uint16_t>(entries);
  PutLe16(v, count);
  PutLe16(v, count);
  PutLe32(v, cdSize >= kMax32 ? kMax32 : static_cast<uint32_t>(cdSize));
  PutLe32(v, cdOffset >= kMax32 ? kMax32 : static_cast<uint32_t>(cdOffset));
  PutLe16(v, static_cast<uint16_t>(commentLength));
  v.insert(v.end(), comment, comment + commentLength);
}

bool LooksUtf8(const uint8_t* p, size_t n) {
  bool multiByte = false;
  return IsValidUtf8(p, n, multiByte) && multiByte;
}

}  // namespace zip
}  // namespace arc
