// LZH headers as the reader sees them, and the few facts the reader and the
// writer share.
#pragma once
#include <cstdint>
#include <string>

#include "archivers/core/archive.h"
#include "archivers/core/io.h"
#include "archivers/core/status.h"

namespace arc {
namespace lzh {

// The -lh4- to -lh7- bitstreams differ only in their window and in the size
// of the position alphabet.
struct LhParams {
  int dictBits;  // window: 1 << dictBits bytes
  int np;        // position symbols
  int pbit;      // bits of the position table's count field
};

enum class Method { Stored, Lh, Folder, Unsupported };

struct Header {
  uint64_t offset = 0;        // where the header starts in the source
  uint64_t dataOffset = 0;    // where the data starts
  uint64_t packedSize = 0;
  uint64_t originalSize = 0;
  uint16_t dataCrc = 0;
  int level = 0;
  char methodId[6] = {};
  Method method = Method::Unsupported;
  LhParams params = {};
  int unixMode = -1;          // from ext 0x50 or a level-0 Unix area, -1 when absent
  Entry entry;
};

// Reads the header at `offset`. kOk; kEnd at the end mark (a zero byte) or at
// the end of the source; kErrorDamaged when the header is cut off, does not
// add up, fails its checksum or CRC, or declares data beyond the end of the
// source. So on kOk the next header, at dataOffset + packedSize, lies after
// this one and inside the source.
Status ReadHeader(Source& source, uint64_t offset, Header& header);

// Code page 932 lead bytes: the byte after one is never a separator.
inline bool IsCp932Lead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Longest header the reader accepts (level 1 ext chains and level 3 sizes
// are otherwise unbounded).
constexpr uint64_t kMaxHeaderBytes = 1 << 20;

}  // namespace lzh
}  // namespace arc
