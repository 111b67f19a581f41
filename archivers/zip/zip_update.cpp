// Carrying the entries of an existing ZIP archive into a new one.
#include "archivers/zip/zip_update.h"

#include <algorithm>

#include "archivers/zip/zip.h"

namespace arc {
namespace zip {

namespace {

constexpr uint32_t kDescriptorSig = 0x08074B50;

// Where the entry of central header `h`, whose local header is at `start`,
// ends: after its data and, with flag bit 3, its data descriptor.
bool EntryEnd(Source& old, const CentralHeader& h, uint64_t start, uint64_t& end) {
  uint8_t local[kLocalSize];
  if (start > old.Size() || old.Size() - start < kLocalSize || old.ReadAt(start, local, kLocalSize) != kLocalSize ||
      Le32(local) != kLocalSig)
    return false;
  size_t nameLength = Le16(local + 26), extraLength = Le16(local + 28);
  std::vector<uint8_t> extra(extraLength + 1);
  uint64_t extraAt = start + kLocalSize + nameLength;
  if (old.ReadAt(extraAt, extra.data(), extraLength) != extraLength) return false;
  uint64_t dataStart = extraAt + extraLength;
  if (h.csize > old.Size() - dataStart) return false;
  end = dataStart + h.csize;
  if (h.flags & 0x0008) {
    const uint8_t* x;
    size_t xn;
    bool sizes64 = FindExtra(extra.data(), extraLength, kExtraZip64, &x, &xn);
    uint8_t sig[4] = {};
    bool signed_ = old.ReadAt(end, sig, 4) == 4 && Le32(sig) == kDescriptorSig;
    uint64_t length = (signed_ ? 4 : 0) + 4 + (sizes64 ? 16 : 8);
    if (length > old.Size() - end) return false;
    end += length;
  }
  return true;
}

}  // namespace

Status ListExisting(Source& old, std::vector<Entry>& entries, std::vector<KeptEntry>& kept) {
  Directory dir;
  if (!FindDirectory(old, dir)) return kErrorNotArchive;
  Status s = kOk;
  std::unique_ptr<ArchiveReader> reader = OpenZip(old, &s);
  if (!reader) return s == kOk ? kErrorNotArchive : s;
  DirectoryCursor cursor(old, dir.cdStart, dir.cdSize);
  Entry entry;
  CentralHeader h;
  while ((s = reader->Next(entry)) == kOk) {
    if (cursor.Next(h) != kOk) return kErrorDamaged;
    KeptEntry k;
    k.start = h.offset + dir.delta;
    if (k.start < h.offset || !EntryEnd(old, h, k.start, k.end) || k.end > dir.cdStart) return kErrorDamaged;
    k.central.assign(h.header, h.header + h.totalSize);
    entries.push_back(entry);
    kept.push_back(std::move(k));
  }
  if (s != kEnd) return kErrorDamaged;
  // Entries sharing bytes would be copied once each: refuse rather than grow.
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  for (const KeptEntry& k : kept) ranges.emplace_back(k.start, k.end);
  std::sort(ranges.begin(), ranges.end());
  for (size_t i = 1; i < ranges.size(); ++i)
    if (ranges[i].first < ranges[i - 1].second) return kErrorDamaged;
  return kOk;
}

Status PutMovedCentral(std::vector<uint8_t>& v, const CentralHeader& h, uint64_t offset) {
  bool bigU = h.usize >= kMax32, bigC = h.csize >= kMax32, bigOffset = offset >= kMax32;
  bool zip64 = bigU || bigC || bigOffset;
  // The other extra blocks, without any old ZIP64 one.
  std::vector<uint8_t> extras;
  for (size_t at = 0; h.extraLength - at >= 4;) {
    size_t blockSize = Le16(h.extra + at + 2);
    if (blockSize > h.extraLength - at - 4) break;
    if (Le16(h.extra + at) != kExtraZip64) extras.insert(extras.end(), h.extra + at, h.extra + at + 4 + blockSize);
    at += 4 + blockSize;
  }
  size_t extraLength = extras.size() + (zip64 ? 4 + 8 * (bigU + bigC + bigOffset) : 0);
  if (extraLength > 0xFFFF) return kErrorTooLarge;
  size_t start = v.size();
  v.insert(v.end(), h.header, h.header + kCentralSize);
  uint8_t* f = v.data() + start;
  uint16_t needed = std::max<uint16_t>(Le16(f + 6), zip64 ? 45 : 0);
  f[6] = needed & 0xFF;
  f[7] = needed >> 8;
  auto put32 = [](uint8_t* p, uint32_t x) {
    p[0] = x & 0xFF;
    p[1] = (x >> 8) & 0xFF;
    p[2] = (x >> 16) & 0xFF;
    p[3] = x >> 24;
  };
  put32(f + 20, bigC ? kMax32 : static_cast<uint32_t>(h.csize));
  put32(f + 24, bigU ? kMax32 : static_cast<uint32_t>(h.usize));
  f[30] = extraLength & 0xFF;
  f[31] = static_cast<uint8_t>(extraLength >> 8);
  f[34] = f[35] = 0;  // one disk
  put32(f + 42, bigOffset ? kMax32 : static_cast<uint32_t>(offset));
  v.insert(v.end(), h.name, h.name + h.nameLength);
  if (zip64) PutZip64Extra(v, bigU, h.usize, bigC, h.csize, bigOffset, offset);
  v.insert(v.end(), extras.begin(), extras.end());
  v.insert(v.end(), h.extra + h.extraLength, h.extra + h.extraLength + h.commentLength);
  return kOk;
}

}  // namespace zip
}  // namespace arc
