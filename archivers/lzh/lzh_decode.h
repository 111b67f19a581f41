// The -lh4- to -lh7- decoder: static Huffman blocks over an LZ77 window.
#pragma once
#include <cstdint>
#include <memory>

#include "archivers/core/io.h"
#include "archivers/core/status.h"
#include "archivers/lzh/lzh_header.h"

namespace arc {
namespace lzh {

class LhDecoder {
 public:
  LhDecoder();
  ~LhDecoder();
  LhDecoder(const LhDecoder&) = delete;
  LhDecoder& operator=(const LhDecoder&) = delete;

  // Decodes the `packed` bytes at `offset` of `source` into exactly
  // `original` bytes for `sink`, and gives their CRC-16. kOk; kErrorCrc when
  // the bitstream is not valid (a bad table or code, or it needs more bytes
  // than `packed`); kErrorWrite when the sink refuses; kErrorDamaged when the
  // source cannot be read.
  Status Decode(Source& source, uint64_t offset, uint64_t packed, uint64_t original, const LhParams& params,
                Sink& sink, uint16_t& crc);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace lzh
}  // namespace arc
