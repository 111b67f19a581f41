// CRC-16/ARC, eight bytes per step: it runs over every byte extracted or packed.
#include <cstring>

#include "archivers/lzh/lzh.h"

namespace arc {

namespace {

struct Crc16Tables {
  uint16_t t[8][256] = {};
  constexpr Crc16Tables() {
    for (int i = 0; i < 256; ++i) {
      uint16_t c = static_cast<uint16_t>(i);
      for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001) : static_cast<uint16_t>(c >> 1);
      t[0][i] = c;
    }
    for (int i = 0; i < 256; ++i) {
      for (int k = 1; k < 8; ++k) t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    }
  }
};

// Built by the compiler: no start-up work, no guarded static.
constexpr Crc16Tables kTables;

}  // namespace

uint16_t LzhCrc16(uint16_t crc, const void* data, size_t n) {
  const auto& t = kTables.t;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (n >= 8) {
    uint32_t lo = (p[0] | (p[1] << 8)) ^ crc;
    crc = static_cast<uint16_t>(t[7][lo & 0xFF] ^ t[6][lo >> 8] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^
                                t[1][p[6]] ^ t[0][p[7]]);
    p += 8;
    n -= 8;
  }
  while (n--) crc = static_cast<uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
  return crc;
}

}  // namespace arc
