// Parsing of LZH headers, levels 0 to 3. Every size is checked against the
// bytes actually read before it is used.
#include <cstring>
#include <vector>

#include "archivers/lzh/lzh.h"
#include "archivers/lzh/lzh_header.h"

namespace arc {
namespace lzh {

namespace {

// Reads exactly n bytes at offset, appended to v.
bool ReadMore(Source& source, uint64_t offset, size_t n, std::vector<uint8_t>& v) {
  size_t old = v.size();
  v.resize(old + n);
  if (n == 0) return true;
  return source.ReadAt(offset, v.data() + old, n) == n;
}

void ClassifyMethod(Header& h) {
  static const struct {
    const char* id;
    Method method;
    LhParams params;
  } kMethods[] = {
      {"-lh0-", Method::Stored, {0, 0, 0}},  {"-lz4-", Method::Stored, {0, 0, 0}},
      {"-lhd-", Method::Folder, {0, 0, 0}},  {"-lh4-", Method::Lh, {12, 14, 4}},
      {"-lh5-", Method::Lh, {13, 14, 4}},    {"-lh6-", Method::Lh, {15, 16, 5}},
      {"-lh7-", Method::Lh, {16, 17, 5}},
  };
  h.method = Method::Unsupported;
  for (const auto& m : kMethods) {
    if (memcmp(h.methodId, m.id, 5) == 0) {
      h.method = m.method;
      h.params = m.params;
    }
  }
}

// What the ext headers tell; applied to the header once all are read.
struct ExtInfo {
  bool hasName = false;
  std::string name;
  std::string dir;
  bool hasAttributes = false;
  uint32_t attributes = 0;
  bool hasUnixMtime = false;
  uint32_t unixMtime = 0;
  bool hasFiletime = false;
  uint64_t filetime = 0;
  bool hasSizes64 = false;
  uint64_t packed64 = 0, original64 = 0;
  int unixMode = -1;
  size_t crcAt = 0;  // offset of the header CRC inside the header bytes, 0 = none
};

// One ext header: type byte, then `n` data bytes at `d` (the next-size field
// excluded). `at` is the data's offset in the header bytes.
void ParseExt(uint8_t type, const uint8_t* d, size_t n, size_t at, ExtInfo& x) {
  switch (type) {
    case 0x00:
      if (n >= 2) x.crcAt = at;
      break;
    case 0x01:
      x.hasName = true;
      x.name.assign(reinterpret_cast<const char*>(d), n);
      break;
    case 0x02:
      x.dir.assign(reinterpret_cast<const char*>(d), n);
      break;
    case 0x40:
      if (n >= 2) {
        x.hasAttributes = true;
        x.attributes = Le16(d);
      }
      break;
    case 0x41:
      if (n >= 16) {
        x.hasFiletime = true;
        x.filetime = Le64(d + 8);  // creation, last write, last access
      }
      break;
    case 0x42:
      if (n >= 16) {
        x.hasSizes64 = true;
        x.packed64 = Le64(d);
        x.original64 = Le64(d + 8);
      }
      break;
    case 0x50:
      if (n >= 2) x.unixMode = Le16(d);
      break;
    case 0x54:
      if (n >= 4) {
        x.hasUnixMtime = true;
        x.unixMtime = Le32(d);
      }
      break;
    default:
      break;
  }
}

// Walks an ext chain held in `hdr` from `pos`, the first size being `next`
// (sizeBytes 2 or 4). Returns the end of the chain or 0 when it does not fit
// in `limit` bytes.
size_t WalkExts(const std::vector<uint8_t>& hdr, size_t pos, uint64_t next, int sizeBytes, size_t limit,
                ExtInfo& x) {
  while (next != 0) {
    if (next < static_cast<uint64_t>(1 + sizeBytes) || next > limit - pos) return 0;
    size_t n = static_cast<size_t>(next);
    const uint8_t* e = hdr.data() + pos;
    ParseExt(e[0], e + 1, n - 1 - sizeBytes, pos + 1, x);
    next = sizeBytes == 2 ? Le16(e + n - 2) : Le32(e + n - 4);
    pos += n;
  }
  return pos;
}

uint8_t Checksum(const uint8_t* p, size_t n) {
  unsigned sum = 0;
  for (size_t i = 0; i < n; ++i) sum += p[i];
  return static_cast<uint8_t>(sum);
}

bool HeaderCrcOk(std::vector<uint8_t>& hdr, size_t crcAt) {
  if (crcAt == 0) return true;
  uint16_t stored = Le16(hdr.data() + crcAt);
  hdr[crcAt] = hdr[crcAt + 1] = 0;
  uint16_t crc = LzhCrc16(0, hdr.data(), hdr.size());
  hdr[crcAt] = static_cast<uint8_t>(stored);
  hdr[crcAt + 1] = static_cast<uint8_t>(stored >> 8);
  return crc == stored;
}

// The position of the first '|' outside code page 932 characters, or npos.
size_t FindLinkBar(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    if (IsCp932Lead(b)) {
      ++i;
    } else if (b == '|') {
      return i;
    }
  }
  return std::string::npos;
}

// Drops separators at the end of a folder's name ('\' only where it is not
// the second byte of a code page 932 character).
void TrimTrailingSeparators(std::string& s) {
  for (;;) {
    size_t end = 0;  // length without a final separator
    bool trailing = false;
    for (size_t i = 0; i < s.size(); ++i) {
      uint8_t b = static_cast<uint8_t>(s[i]);
      if (IsCp932Lead(b) && i + 1 < s.size()) {
        ++i;
        trailing = false;
      } else {
        trailing = (b == '/' || b == '\\');
      }
      if (!trailing) end = i + 1;
    }
    if (end == s.size()) return;
    s.resize(end);
  }
}

// Fills the entry from the header's fields once they are all known.
void Finish(Header& h, const std::string& baseName, const ExtInfo& x) {
  std::string dir = x.dir;
  for (char& c : dir) {
    if (static_cast<uint8_t>(c) == 0xFF) c = '/';
  }
  if (!dir.empty() && dir.back() != '/') dir += '/';
  std::string name = dir + (x.hasName ? x.name : baseName);
  for (char& c : name) {
    if (static_cast<uint8_t>(c) == 0xFF) c = '/';
  }
  Entry& e = h.entry;
  e.charset = NameCharset::Cp932;
  e.size = h.originalSize;
  if (x.hasAttributes) e.attributes = x.attributes;
  if (x.unixMode >= 0) h.unixMode = x.unixMode;
  if (x.hasUnixMtime) {
    e.hasUnixTime = true;
    e.unixTime = x.unixMtime;
  } else if (x.hasFiletime && !e.hasUnixTime && x.filetime >= 116444736000000000ULL) {
    e.hasUnixTime = true;
    e.unixTime = static_cast<int64_t>((x.filetime - 116444736000000000ULL) / 10000000ULL);
  }
  bool isLinkMode = h.unixMode >= 0 && (h.unixMode & 0xF000) == 0xA000;
  bool modeSaysOther = h.unixMode >= 0 && (h.unixMode & 0xF000) != 0 && !isLinkMode;
  size_t bar = FindLinkBar(name);
  if (bar != std::string::npos && (isLinkMode || (h.method == Method::Folder && !modeSaysOther))) {
    e.kind = EntryKind::Link;
    e.linkTarget = name.substr(bar + 1);
    name.resize(bar);
  } else if (h.method == Method::Folder) {
    e.kind = EntryKind::Folder;
    TrimTrailingSeparators(name);
  } else {
    e.kind = EntryKind::File;
  }
  e.name = name;
}

}  // namespace

Status ReadHeader(Source& source, uint64_t offset, Header& h) {
  h = Header();
  h.offset = offset;
  uint64_t size = source.Size();
  if (offset >= size) return kEnd;
  std::vector<uint8_t> hdr;
  hdr.reserve(512);
  if (!ReadMore(source, offset, 1, hdr)) return kErrorDamaged;
  if (hdr[0] == 0) return kEnd;
  if (!ReadMore(source, offset + 1, 21, hdr)) return kErrorDamaged;
  memcpy(h.methodId, hdr.data() + 2, 5);
  if (h.methodId[0] != '-' || h.methodId[4] != '-') return kErrorDamaged;
  ClassifyMethod(h);
  h.level = hdr[20];
  h.packedSize = Le32(&hdr[7]);
  h.originalSize = Le32(&hdr[11]);
  ExtInfo x;
  std::string baseName;
  uint64_t headerSize = 0;

  if (h.level == 0 || h.level == 1) {
    size_t base = hdr[0] + 2u;
    if (base < 24 || !ReadMore(source, offset + 22, base - 22, hdr)) return kErrorDamaged;
    if (Checksum(hdr.data() + 2, base - 2) != hdr[1]) return kErrorDamaged;
    size_t f = hdr[21];
    size_t need = h.level == 0 ? 24 + f : 27 + f;
    if (need > base) return kErrorDamaged;
    baseName.assign(reinterpret_cast<const char*>(&hdr[22]), f);
    h.dataCrc = Le16(&hdr[22 + f]);
    h.entry.hasDosTime = true;
    h.entry.dosTime = Le32(&hdr[15]);
    h.entry.attributes = hdr[19];
    if (h.level == 0) {
      // An optional Unix area: 'U', version, mtime:4, mode:2, uid:2, gid:2.
      size_t ext = 24 + f;
      if (base - ext >= 12 && hdr[ext] == 'U') {
        x.hasUnixMtime = true;
        x.unixMtime = Le32(&hdr[ext + 2]);
        x.unixMode = Le16(&hdr[ext + 6]);
      }
      headerSize = base;
    } else {
      // Ext headers follow the base one, and count in the "skip size".
      uint64_t next = Le16(&hdr[base - 2]);
      size_t pos = base;
      while (next != 0) {
        if (next < 3 || pos + next > kMaxHeaderBytes) return kErrorDamaged;
        size_t n = static_cast<size_t>(next);
        if (!ReadMore(source, offset + pos, n, hdr)) return kErrorDamaged;
        ParseExt(hdr[pos], &hdr[pos + 1], n - 3, pos + 1, x);
        next = Le16(&hdr[pos + n - 2]);
        pos += n;
      }
      uint64_t extBytes = pos - base;
      if (extBytes > h.packedSize) return kErrorDamaged;
      h.packedSize -= extBytes;
      headerSize = pos;
    }
  } else if (h.level == 2) {
    size_t total = Le16(&hdr[0]);
    if (total < 26 || !ReadMore(source, offset + 22, total - 22, hdr)) return kErrorDamaged;
    h.entry.hasUnixTime = true;
    h.entry.unixTime = Le32(&hdr[15]);
    h.dataCrc = Le16(&hdr[21]);
    // A pad byte (or any rest) may follow the chain; the header CRC covers it.
    if (WalkExts(hdr, 26, Le16(&hdr[24]), 2, total, x) == 0) return kErrorDamaged;
    headerSize = total;
  } else if (h.level == 3) {
    if (Le16(&hdr[0]) != 4 || !ReadMore(source, offset + 22, 10, hdr)) return kErrorDamaged;
    uint64_t total = Le32(&hdr[24]);
    if (total < 32 || total > kMaxHeaderBytes) return kErrorDamaged;
    if (!ReadMore(source, offset + 32, static_cast<size_t>(total) - 32, hdr)) return kErrorDamaged;
    h.entry.hasUnixTime = true;
    h.entry.unixTime = Le32(&hdr[15]);
    h.dataCrc = Le16(&hdr[21]);
    if (WalkExts(hdr, 32, Le32(&hdr[28]), 4, static_cast<size_t>(total), x) == 0) return kErrorDamaged;
    headerSize = total;
  } else {
    return kErrorDamaged;
  }
  if (!HeaderCrcOk(hdr, x.crcAt)) return kErrorDamaged;
  if (x.hasSizes64) {
    h.packedSize = x.packed64;
    h.originalSize = x.original64;
  }
  h.dataOffset = offset + headerSize;
  // The data must lie in the bytes the file still holds: a size beyond them
  // (ext 0x42 holds 64 bits) would put the next header anywhere, even back at
  // an earlier one, and folders and links never read their data to notice.
  if (headerSize == 0 || h.dataOffset > size || h.packedSize > size - h.dataOffset) return kErrorDamaged;
  Finish(h, baseName, x);
  return kOk;
}

}  // namespace lzh
}  // namespace arc
