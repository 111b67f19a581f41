// The -lh5- encoder: LZ77 over an 8 KiB window, parsed for the fewest bits,
// with a fresh optimal Huffman code for every block of symbols.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "archivers/core/io.h"

namespace arc {
namespace lzh {

class Lh5Encoder {
 public:
  // The compressed bytes go to `out`, in chunks of up to 64 KiB.
  explicit Lh5Encoder(Sink& out);
  ~Lh5Encoder();
  Lh5Encoder(const Lh5Encoder&) = delete;
  Lh5Encoder& operator=(const Lh5Encoder&) = delete;

  // Starts a new stream into `out`, keeping the buffers.
  void Reset(Sink& out);

  // Feeds data; false once `out` has refused a write.
  bool Write(const void* data, size_t n);
  // Codes what is left and writes the last bits; false when `out` refused.
  bool Finish();
  uint64_t PackedSize() const;
  // Input coded into blocks so far, and the bits they took (in bytes): how
  // well the data shrinks, before everything has been fed.
  uint64_t CodedInput() const;
  uint64_t CodedOutput() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace lzh
}  // namespace arc
