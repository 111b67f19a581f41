// Whether the bytes of a ".bmp" file can be handed to the system's bitmap
// loader safely (pure). The loader trusts the headers and reads wherever they
// point, so a cut-off download or a lying header would make it read past the
// end of the file and crash.
#pragma once

#include <cstddef>
#include <cstdint>

// Larger sides than this are no picture of ours, only a damaged header.
constexpr uint32_t kMaxBitmapSide = 16384;

namespace bitmap_check {

inline uint32_t Le16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t Le32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace bitmap_check

// True when the file header says "BM", the information header is one the
// system knows (12, 40, 52, 56, 108 or 124 bytes), the picture is 1 to
// kMaxBitmapSide pixels each way with one plane, 1/4/8/16/24/32 bits per
// pixel, uncompressed or with bit masks, and the masks, the palette, an
// embedded colour profile and every row of pixels lie inside the file.
inline bool BitmapFileIsSound(const unsigned char* data, size_t size) {
  using bitmap_check::Le16;
  using bitmap_check::Le32;
  const uint64_t kFileHeader = 14;
  if (!data || size < kFileHeader + 12) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const uint64_t fileSize = size;
  const uint64_t offBits = Le32(data + 10);
  const unsigned char* info = data + kFileHeader;
  const uint64_t headerSize = Le32(info);
  if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
      headerSize != 108 && headerSize != 124)
    return false;
  if (kFileHeader + headerSize > fileSize) return false;

  uint64_t width, height, planes, bitCount, compression = 0, colours = 0;
  if (headerSize == 12) {  // the old core header: 16-bit sides, no compression
    width = Le16(info + 4);
    height = Le16(info + 6);
    planes = Le16(info + 8);
    bitCount = Le16(info + 10);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return false;
  } else {
    int32_t w = int32_t(Le32(info + 4)), h = int32_t(Le32(info + 8));
    if (w <= 0 || h == 0 || h < -int32_t(kMaxBitmapSide)) return false;
    width = uint64_t(w);
    height = h < 0 ? uint64_t(-int64_t(h)) : uint64_t(h);  // negative: rows top down
    planes = Le16(info + 12);
    bitCount = Le16(info + 14);
    compression = Le32(info + 16);
    colours = Le32(info + 32);
  }
  if (width == 0 || height == 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) return false;
  if (planes != 1) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return false;
  const uint32_t kRgb = 0, kBitFields = 3;
  if (compression != kRgb && compression != kBitFields) return false;  // RLE, JPEG, PNG...
  if (compression == kBitFields && bitCount != 16 && bitCount != 32) return false;

  // Three colour masks follow a 40-byte header; the longer headers hold them.
  uint64_t tableStart = kFileHeader + headerSize;
  if (compression == kBitFields && headerSize == 40) tableStart += 12;
  // Palette: up to 2^bits entries below 9 bits (0 meaning all of them),
  // an optional one of at most 256 above.
  uint64_t entries;
  if (bitCount <= 8) {
    uint64_t most = uint64_t(1) << bitCount;
    if (colours > most) return false;
    entries = colours ? colours : most;
  } else {
    if (colours > 256) return false;
    entries = colours;
  }
  const uint64_t tableEnd = tableStart + entries * (headerSize == 12 ? 3 : 4);
  if (tableEnd > fileSize) return false;

  // A colour profile embedded in the file (the longest header) must lie in it
  // too; a profile linked by file name would lead elsewhere.
  if (headerSize == 124) {
    const uint32_t cs = Le32(info + 56);
    const uint32_t kLinked = 0x4C494E4B, kEmbedded = 0x4D424544;  // 'LINK', 'MBED'
    if (cs == kLinked) return false;
    if (cs == kEmbedded) {
      uint64_t at = kFileHeader + uint64_t(Le32(info + 112)), length = Le32(info + 116);
      if (at > fileSize || length > fileSize - at) return false;
    }
  }

  // The pixels start after the headers and the palette and fill whole rows
  // of 4-byte multiples. Every factor is bounded above, so no product overflows.
  if (offBits < tableEnd || offBits > fileSize) return false;
  const uint64_t stride = (width * bitCount + 31) / 32 * 4;
  return stride * height <= fileSize - offBits;
}
