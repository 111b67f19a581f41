// -lh4- to -lh7- decoding. Bits are read most significant first; each block
// carries a code-length code, the literal/length code and the position code,
// all canonical. The output goes through a fixed window into the sink in
// large chunks, so memory does not depend on any declared size. Decoding ends
// after the declared original size, and fails as soon as the stream asks for
// more bytes than it has, so no input makes it run on.
#include "archivers/lzh/lzh_decode.h"

#include <cstring>
#include <vector>

#include "archivers/lzh/lzh.h"

namespace arc {
namespace lzh {

namespace {

constexpr int kNc = 510;  // 256 literals + 254 lengths (3..256)
constexpr int kNt = 19;   // code-length code
constexpr int kMaxCodeLen = 16;
constexpr size_t kInChunk = 64 * 1024;
constexpr size_t kDict = 64 * 1024;     // the largest window (-lh7-)
constexpr size_t kOutChunk = 256 * 1024;  // bytes handed to the sink at a time
constexpr size_t kSlack = 256 + 16;       // a match may run past the flush mark

// Bits of the compressed data, most significant first, with the invariant
// that every bit of `bits` below `count` is either the true next bit or 0.
struct BitIn {
  uint64_t bits = 0;
  int count = 0;
  const uint8_t* p = nullptr;
  const uint8_t* end = nullptr;
  uint64_t fed = 0;  // bytes moved into `bits` (zeros past the end included)
  Source* source = nullptr;
  uint64_t next = 0;       // next offset to read
  uint64_t left = 0;       // compressed bytes not yet read from the source
  uint64_t packed = 0;
  bool readFailed = false;
  uint8_t* buffer = nullptr;

  void RefillSlow() {
    while (count <= 56) {
      uint8_t b = 0;
      if (p == end && left > 0) Fetch();
      if (p < end) b = *p++;
      bits |= static_cast<uint64_t>(b) << (56 - count);
      count += 8;
      ++fed;
    }
  }
  void Fetch() {
    size_t n = left < kInChunk ? static_cast<size_t>(left) : kInChunk;
    size_t got = source->ReadAt(next, buffer, n);
    if (got != n) readFailed = true;
    next += got;
    left = got == n ? left - n : 0;
    p = buffer;
    end = buffer + got;
  }
  // At least 48 bits ready.
  inline void Refill() {
    if (count >= 48) return;
    if (end - p >= 8) {
      uint64_t v = 0;
      for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
      bits |= v >> count;
      int take = (63 - count) >> 3;
      p += take;
      count += take * 8;
      fed += take;
    } else {
      RefillSlow();
    }
  }
  inline unsigned Peek16() const { return static_cast<unsigned>(bits >> 48); }
  inline void Skip(int n) {
    bits <<= n;
    count -= n;
  }
  // n in 1..16
  inline unsigned Get(int n) {
    Refill();
    unsigned v = static_cast<unsigned>(bits >> (64 - n));
    Skip(n);
    return v;
  }
  bool Overrun() const { return fed * 8 - static_cast<uint64_t>(count) > packed * 8; }
};

// A canonical Huffman code: a direct table for codes up to `tableBits`,
// a search by length for the longer ones.
class HuffTable {
 public:
  explicit HuffTable(int tableBits) : tableBits_(tableBits), table_(size_t(1) << tableBits) {}

  // A code of one symbol and no bits, or (symbol out of range) of none.
  void BuildSingle(int symbol, int alphabet) {
    uint16_t e = symbol < alphabet ? static_cast<uint16_t>(0x8000 | symbol) : 0;
    for (auto& t : table_) t = e;
    memset(count_, 0, sizeof count_);
  }

  // False when the lengths over-subscribe the code space.
  bool Build(const uint8_t* lens, int n) {
    memset(count_, 0, sizeof count_);
    for (int i = 0; i < n; ++i) count_[lens[i]]++;
    count_[0] = 0;
    int left = 1;
    for (int len = 1; len <= kMaxCodeLen; ++len) {
      left = left * 2 - count_[len];
      if (left < 0) return false;
    }
    unsigned code = 0, index = 0;
    unsigned nextCode[kMaxCodeLen + 1];
    unsigned nextIndex[kMaxCodeLen + 1];
    for (int len = 1; len <= kMaxCodeLen; ++len) {
      first_[len] = code;
      index_[len] = index;
      nextCode[len] = code;
      nextIndex[len] = index;
      code = (code + count_[len]) << 1;
      index += count_[len];
    }
    for (auto& t : table_) t = 0;
    for (int s = 0; s < n; ++s) {
      int len = lens[s];
      if (len == 0) continue;
      sorted_[nextIndex[len]++] = static_cast<uint16_t>(s);
      unsigned c = nextCode[len]++;
      if (len <= tableBits_) {
        size_t start = size_t(c) << (tableBits_ - len), span = size_t(1) << (tableBits_ - len);
        uint16_t e = static_cast<uint16_t>(0x8000 | (len << 10) | s);
        for (size_t k = 0; k < span; ++k) table_[start + k] = e;
      }
    }
    return true;
  }

  // The next symbol, or -1 for a code that is not in the table. Needs 16 bits ready.
  inline int Decode(BitIn& in) const {
    unsigned peek = in.Peek16();
    uint16_t e = table_[peek >> (16 - tableBits_)];
    if (e & 0x8000) {
      in.Skip((e >> 10) & 31);
      return e & 0x3FF;
    }
    for (int len = tableBits_ + 1; len <= kMaxCodeLen; ++len) {
      unsigned c = peek >> (16 - len);
      unsigned k = c - first_[len];
      if (k < count_[len]) {
        in.Skip(len);
        return sorted_[index_[len] + k];
      }
    }
    return -1;
  }

 private:
  int tableBits_;
  std::vector<uint16_t> table_;
  unsigned count_[kMaxCodeLen + 1] = {};
  unsigned first_[kMaxCodeLen + 1] = {};
  unsigned index_[kMaxCodeLen + 1] = {};
  uint16_t sorted_[kNc] = {};
};

}  // namespace

struct LhDecoder::State {
  BitIn in;
  HuffTable pre{8}, lit{12}, pos{8};
  std::vector<uint8_t> input = std::vector<uint8_t>(kInChunk);
  std::vector<uint8_t> window = std::vector<uint8_t>(kDict + kOutChunk + kSlack);

  // The code-length code or the position code: a count, then 3-bit lengths
  // where 7 goes on in unary; after the `special`-th length, 2 bits of zeros.
  bool ReadPtLen(HuffTable& t, int alphabet, int nbit, int special) {
    uint8_t lens[kNt] = {};
    int n = static_cast<int>(in.Get(nbit));
    if (n == 0) {
      t.BuildSingle(static_cast<int>(in.Get(nbit)), alphabet);
      return true;
    }
    if (n > alphabet) return false;
    int i = 0;
    while (i < n) {
      in.Refill();
      int c = static_cast<int>(in.Get(3));
      if (c == 7) {
        while (in.Get(1)) {
          if (++c > kMaxCodeLen) return false;
        }
      }
      lens[i++] = static_cast<uint8_t>(c);
      if (i == special) {
        int zeros = static_cast<int>(in.Get(2));
        while (zeros-- > 0 && i < alphabet) lens[i++] = 0;
      }
    }
    return t.Build(lens, alphabet);
  }

  bool ReadCLen() {
    uint8_t lens[kNc] = {};
    int n = static_cast<int>(in.Get(9));
    if (n == 0) {
      lit.BuildSingle(static_cast<int>(in.Get(9)), kNc);
      return true;
    }
    if (n > kNc) return false;
    int i = 0;
    while (i < n) {
      in.Refill();
      int c = pre.Decode(in);
      if (c < 0) return false;
      if (c <= 2) {
        int run = c == 0 ? 1 : c == 1 ? static_cast<int>(in.Get(4)) + 3 : static_cast<int>(in.Get(9)) + 20;
        if (i + run > kNc) return false;
        memset(lens + i, 0, run);
        i += run;
      } else {
        lens[i++] = static_cast<uint8_t>(c - 2);
      }
    }
    return lit.Build(lens, kNc);
  }

  bool ReadBlockHeader(const LhParams& params, uint32_t& blockSize) {
    blockSize = in.Get(16);
    if (blockSize == 0) return false;
    return ReadPtLen(pre, kNt, 5, 3) && ReadCLen() && ReadPtLen(pos, params.np, params.pbit, -1) && !in.Overrun();
  }
};

LhDecoder::LhDecoder() = default;
LhDecoder::~LhDecoder() = default;

Status LhDecoder::Decode(Source& source, uint64_t offset, uint64_t packed, uint64_t original, const LhParams& params,
                         Sink& sink, uint16_t& crc) {
  if (!state_) state_.reset(new State);
  State& s = *state_;
  BitIn& in = s.in;
  in = BitIn();
  in.source = &source;
  in.next = offset;
  in.left = packed;
  in.packed = packed;
  in.buffer = s.input.data();
  crc = 0;

  uint8_t* win = s.window.data();
  // The classic encoders count on a window of spaces before the data.
  memset(win, 0x20, kDict);
  size_t at = kDict;
  uint64_t remaining = original;
  uint32_t blockLeft = 0;
  Status status = kOk;
  while (remaining > 0) {
    if (blockLeft == 0 && !s.ReadBlockHeader(params, blockLeft)) {
      status = kErrorCrc;
      break;
    }
    --blockLeft;
    in.Refill();
    int c = s.lit.Decode(in);
    if (c < 0) {
      status = kErrorCrc;
      break;
    }
    if (c < 256) {
      win[at++] = static_cast<uint8_t>(c);
      --remaining;
    } else {
      size_t len = static_cast<size_t>(c - 253);
      int p = s.pos.Decode(in);
      if (p < 0) {
        status = kErrorCrc;
        break;
      }
      size_t dist = static_cast<size_t>(p) + 1;
      if (p > 1) dist = (size_t(1) << (p - 1)) + in.Get(p - 1) + 1;
      if (len > remaining) len = static_cast<size_t>(remaining);
      uint8_t* d = win + at;
      const uint8_t* from = d - dist;
      if (dist >= 8) {
        for (size_t k = 0; k < len; k += 8) memcpy(d + k, from + k, 8);
      } else {
        for (size_t k = 0; k < len; ++k) d[k] = from[k];
      }
      at += len;
      remaining -= len;
    }
    if (at >= kDict + kOutChunk) {
      if (in.Overrun()) {
        status = kErrorCrc;
        break;
      }
      crc = LzhCrc16(crc, win + kDict, at - kDict);
      if (!sink.Write(win + kDict, at - kDict)) return kErrorWrite;
      memmove(win, win + at - kDict, kDict);
      at = kDict;
    }
  }
  if (in.readFailed) return kErrorDamaged;
  if (status == kOk && in.Overrun()) status = kErrorCrc;
  if (status != kOk) return status;
  crc = LzhCrc16(crc, win + kDict, at - kDict);
  if (at > kDict && !sink.Write(win + kDict, at - kDict)) return kErrorWrite;
  return kOk;
}

}  // namespace lzh
}  // namespace arc
