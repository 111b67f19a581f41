// -lh5- encoding. The window is small (8 KiB), so every byte counts: binary
// trees find the matches of each position, a cheapest-path parse over each
// segment of input chooses among them by their cost in bits (costs taken
// from a quick greedy parse of the same segment), and each segment becomes
// one block with Huffman codes built from its own symbols.
#include "archivers/lzh/lzh_encode.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace arc {
namespace lzh {

namespace {

constexpr int kNc = 510;
constexpr int kNt = 19;
constexpr int kNp = 14;  // -lh5-: positions up to 2^13
constexpr int kPbit = 4;
constexpr int kTbit = 5;
constexpr int kCbit = 9;
constexpr int kMaxCodeLen = 16;

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
// Just under the 8 KiB window, as the classic encoders keep it.
constexpr int kMaxDist = 8192 - 3;

constexpr int kSegment = 32 * 1024;   // positions parsed together, and coded as one block
constexpr int kSlide = 64 * 1024;     // bytes dropped from the input buffer at a time
constexpr int kBufferSize = 2 * kSlide;
constexpr int kMinLookahead = kMaxMatch + 1;
static_assert(kBufferSize - kSegment - kMinLookahead >= kSlide + kMaxDist, "a slide keeps the window");
constexpr int kHashBits = 15;
constexpr int kHashSize = 1 << kHashBits;
constexpr int kCyclic = 16 * 1024;  // tree nodes: more than the window
static_assert(kCyclic > kMaxDist && kSlide % kCyclic == 0, "tree slots survive a slide");
constexpr int kNil = -1;
constexpr size_t kOutBuffer = 64 * 1024;

// Match finder and parser settings.
constexpr int kDepth = 32;        // tree nodes visited per position
constexpr int kNiceLength = 64;   // a match this long is taken without weighing others
constexpr uint32_t kForced = 0x80000000u;

inline int PosSymbol(unsigned v) {  // v = distance - 1
  return v ? 32 - __builtin_clz(v) : 0;
}

// Huffman code lengths of at most `limit` bits for the symbols of `freq`.
// Returns the number of symbols used; with fewer than two all lengths stay 0
// and *only holds the single symbol (or 0).
int BuildLengths(const uint32_t* freq, int n, int limit, uint8_t* lens, int* only) {
  memset(lens, 0, n);
  std::vector<int> leaves;
  for (int i = 0; i < n; ++i) {
    if (freq[i]) leaves.push_back(i);
  }
  int m = static_cast<int>(leaves.size());
  *only = m == 1 ? leaves[0] : 0;
  if (m < 2) return m;
  std::stable_sort(leaves.begin(), leaves.end(), [&](int a, int b) { return freq[a] < freq[b]; });
  // Two queues: leaves in order of weight, internal nodes as they are made
  // (also in order of weight). Nodes 0..m-1 are leaves, m.. internal.
  std::vector<uint64_t> weight(2 * m - 1);
  std::vector<int> parent(2 * m - 1, 0);
  for (int i = 0; i < m; ++i) weight[i] = freq[leaves[i]];
  int nextLeaf = 0, nextInternal = m, made = m;
  auto take = [&]() {
    if (nextLeaf < m && (nextInternal == made || weight[nextLeaf] <= weight[nextInternal])) return nextLeaf++;
    return nextInternal++;
  };
  while (made < 2 * m - 1) {
    int a = take(), b = take();
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
    ++made;
  }
  std::vector<int> depth(2 * m - 1, 0);
  std::vector<int> count(2 * m + 1, 0);
  int maxDepth = 0;
  for (int i = 2 * m - 3; i >= 0; --i) {
    depth[i] = depth[parent[i]] + 1;
    if (i < m) {
      count[depth[i]]++;
      maxDepth = std::max(maxDepth, depth[i]);
    }
  }
  // Too long: move pairs of leaves up while keeping the tree full.
  for (int i = maxDepth; i > limit; --i) {
    while (count[i] > 0) {
      int j = i - 2;
      while (count[j] == 0) --j;
      count[i] -= 2;
      count[i - 1] += 1;
      count[j + 1] += 2;
      count[j] -= 1;
    }
  }
  // The longest codes to the rarest symbols.
  int len = std::min(maxDepth, limit);
  for (int i = 0; i < m; ++i) {
    while (count[len] == 0) --len;
    lens[leaves[i]] = static_cast<uint8_t>(len);
    count[len]--;
  }
  return m;
}

void CanonicalCodes(const uint8_t* lens, int n, uint16_t* codes) {
  unsigned count[kMaxCodeLen + 2] = {}, next[kMaxCodeLen + 2] = {};
  for (int i = 0; i < n; ++i) count[lens[i]]++;
  count[0] = 0;
  unsigned code = 0;
  for (int len = 1; len <= kMaxCodeLen; ++len) {
    next[len] = code;
    code = (code + count[len]) << 1;
  }
  for (int i = 0; i < n; ++i) codes[i] = lens[i] ? static_cast<uint16_t>(next[lens[i]]++) : 0;
}

}  // namespace

struct Lh5Encoder::State {
  Sink* out;
  // Bits, most significant first.
  uint64_t acc = 0;
  int accBits = 0;
  std::vector<uint8_t> outBuf = std::vector<uint8_t>(kOutBuffer + 16);
  size_t outLen = 0;
  uint64_t packed = 0;
  uint64_t codedInput = 0;
  bool failed = false;

  // Input and match finder.
  std::vector<uint8_t> buf = std::vector<uint8_t>(kBufferSize + 16);
  int pos = 0;  // next position to code
  int end = 0;  // end of the input in buf
  std::vector<int> head = std::vector<int>(kHashSize, kNil);
  std::vector<int> son = std::vector<int>(2 * kCyclic, kNil);

  // Parser.
  std::vector<uint32_t> matchStart, matches;  // per position: (length << 16 | distance)
  struct Node {
    uint32_t cost;  // in 1/16 bit
    uint32_t from;  // how the cheapest path arrives: 1 = literal, else length << 16 | distance
  };
  std::vector<Node> nodes;
  std::vector<uint32_t> path;
  uint32_t symbolCost[kNc];
  uint32_t posCost[kNp];

  // The block being collected (a segment gives at most kSegment symbols).
  std::vector<uint16_t> symbols = std::vector<uint16_t>(kSegment);
  std::vector<uint16_t> dists = std::vector<uint16_t>(kSegment);
  int count = 0;
  uint32_t cFreq[kNc] = {};
  uint32_t pFreq[kNp] = {};

  explicit State(Sink& sink) : out(&sink) {}

  void Reset(Sink& sink) {
    out = &sink;
    acc = 0;
    accBits = 0;
    outLen = 0;
    packed = 0;
    codedInput = 0;
    failed = false;
    pos = end = 0;
    std::fill(head.begin(), head.end(), kNil);
    std::fill(son.begin(), son.end(), kNil);
    count = 0;
    memset(cFreq, 0, sizeof cFreq);
    memset(pFreq, 0, sizeof pFreq);
  }

  void Put(int n, unsigned value) {
    acc = (acc << n) | value;
    accBits += n;
    if (accBits >= 32) {
      accBits -= 32;
      uint32_t v = static_cast<uint32_t>(acc >> accBits);
      uint8_t* o = outBuf.data() + outLen;
      o[0] = static_cast<uint8_t>(v >> 24);
      o[1] = static_cast<uint8_t>(v >> 16);
      o[2] = static_cast<uint8_t>(v >> 8);
      o[3] = static_cast<uint8_t>(v);
      outLen += 4;
      if (outLen >= kOutBuffer) FlushOut();
    }
  }
  void FlushOut() {
    if (outLen && !failed && !out->Write(outBuf.data(), outLen)) failed = true;
    packed += outLen;
    outLen = 0;
  }
  void FlushBits() {
    while (accBits > 0) {
      int take = accBits >= 8 ? 8 : accBits;
      unsigned v = static_cast<unsigned>(acc >> (accBits - take)) & ((1u << take) - 1);
      outBuf[outLen++] = static_cast<uint8_t>(v << (8 - take));
      accBits -= take;
    }
    FlushOut();
  }

  // ---- blocks ----

  // Lengths of a code-length code or a position code: 3 bits, 7 and up in
  // unary; after the `special`-th length, a 2-bit run of zeros.
  void WritePtLen(const uint8_t* lens, int alphabet, int nbit, int special) {
    int n = alphabet;
    while (n > 0 && lens[n - 1] == 0) --n;
    Put(nbit, n);
    int i = 0;
    while (i < n) {
      int k = lens[i++];
      if (k <= 6) Put(3, k);
      else Put(k - 3, (1u << (k - 3)) - 2);
      if (i == special) {
        int j = i;
        while (j < 6 && j < n && lens[j] == 0) ++j;
        Put(2, j - i);
        i = j;
      }
    }
  }

  // The literal/length lengths as code-length symbols: 0 one zero, 1 a run
  // of 3-18 zeros (4 bits), 2 a run of 20-531 (9 bits), k+2 length k.
  template <typename Emit>
  static void CLenSymbols(const uint8_t* cLen, Emit emit) {
    int n = kNc;
    while (n > 0 && cLen[n - 1] == 0) --n;
    int i = 0;
    while (i < n) {
      int k = cLen[i++];
      if (k != 0) {
        emit(k + 2, 0, 0);
        continue;
      }
      int run = 1;
      while (i < n && cLen[i] == 0) {
        ++i;
        ++run;
      }
      if (run <= 2) {
        for (int r = 0; r < run; ++r) emit(0, 0, 0);
      } else if (run <= 18) {
        emit(1, 4, run - 3);
      } else if (run == 19) {
        emit(0, 0, 0);
        emit(1, 4, 15);
      } else {
        emit(2, kCbit, run - 20);
      }
    }
  }

  void SendBlock() {
    if (count == 0) return;
    uint8_t cLen[kNc], pLen[kNp], tLen[kNt];
    uint16_t cCode[kNc], pCode[kNp], tCode[kNt];
    int cOnly = 0, pOnly = 0, tOnly = 0;
    int cUsed = BuildLengths(cFreq, kNc, kMaxCodeLen, cLen, &cOnly);
    int pUsed = BuildLengths(pFreq, kNp, kMaxCodeLen, pLen, &pOnly);
    CanonicalCodes(cLen, kNc, cCode);
    CanonicalCodes(pLen, kNp, pCode);

    Put(16, static_cast<unsigned>(count));
    if (cUsed >= 2) {
      uint32_t tFreq[kNt] = {};
      CLenSymbols(cLen, [&](int s, int, int) { tFreq[s]++; });
      int tUsed = BuildLengths(tFreq, kNt, kMaxCodeLen, tLen, &tOnly);
      CanonicalCodes(tLen, kNt, tCode);
      if (tUsed >= 2) {
        WritePtLen(tLen, kNt, kTbit, 3);
      } else {
        Put(kTbit, 0);
        Put(kTbit, static_cast<unsigned>(tOnly));
      }
      int n = kNc;
      while (n > 0 && cLen[n - 1] == 0) --n;
      Put(kCbit, static_cast<unsigned>(n));
      CLenSymbols(cLen, [&](int s, int bits, int value) {
        Put(tLen[s], tCode[s]);
        if (bits) Put(bits, static_cast<unsigned>(value));
      });
    } else {
      Put(kTbit, 0);
      Put(kTbit, 0);
      Put(kCbit, 0);
      Put(kCbit, static_cast<unsigned>(cOnly));
    }
    if (pUsed >= 2) {
      WritePtLen(pLen, kNp, kPbit, -1);
    } else {
      Put(kPbit, 0);
      Put(kPbit, static_cast<unsigned>(pOnly));
    }
    for (int i = 0; i < count; ++i) {
      unsigned c = symbols[i];
      Put(cLen[c], cCode[c]);
      if (c >= 256) {
        unsigned v = dists[i];
        int p = PosSymbol(v);
        Put(pLen[p], pCode[p]);
        if (p > 1) Put(p - 1, v - (1u << (p - 1)));
      }
    }
    count = 0;
    memset(cFreq, 0, sizeof cFreq);
    memset(pFreq, 0, sizeof pFreq);
  }

  void Literal(uint8_t b) {
    symbols[count++] = b;
    cFreq[b]++;
  }
  void Match(int length, int dist) {
    unsigned c = static_cast<unsigned>(length + 253);
    unsigned v = static_cast<unsigned>(dist - 1);
    symbols[count] = static_cast<uint16_t>(c);
    dists[count++] = static_cast<uint16_t>(v);
    cFreq[c]++;
    pFreq[PosSymbol(v)]++;
  }

  // ---- match finder: binary trees over the window ----
  //
  // Each position is a node of the tree of its 3-byte hash, ordered by the
  // bytes that follow; walking down from the newest node finds matches of
  // growing length, and the walk re-roots the tree at the current position.

  static inline unsigned Hash(const uint8_t* p) {
    uint32_t v = (static_cast<uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  // Finds the matches of `at` (lengths growing, each with the distance that
  // first reached it) when `found` is given, and inserts `at` in its tree.
  int FindMatches(int at, int maxLen, uint32_t* found) {
    unsigned h = Hash(&buf[at]);
    int candidate = head[h];
    head[h] = at;
    int* less = &son[2 * (at & (kCyclic - 1))];
    int* more = less + 1;
    int lenLess = 0, lenMore = 0, best = kMinMatch - 1, n = 0, depth = kDepth;
    const uint8_t* cur = &buf[at];
    for (;;) {
      if (candidate < 0 || candidate >= at || at - candidate > kMaxDist || depth-- == 0) {
        *less = *more = kNil;
        return n;
      }
      int* pair = &son[2 * (candidate & (kCyclic - 1))];
      const uint8_t* m = &buf[candidate];
      int len = std::min(lenLess, lenMore);
      len += CommonLength(cur + len, m + len, maxLen - len);
      if (len > best) {
        best = len;
        if (found) found[n++] = (static_cast<uint32_t>(len) << 16) | static_cast<uint32_t>(at - candidate);
        if (len >= maxLen) {
          // Equal as far as we can see: the new node takes the old one's place.
          *less = pair[0];
          *more = pair[1];
          return n;
        }
      }
      if (len < maxLen && m[len] < cur[len]) {
        *less = candidate;
        less = &pair[1];
        candidate = *less;
        lenLess = len;
      } else {
        *more = candidate;
        more = &pair[0];
        candidate = *more;
        lenMore = len;
      }
    }
  }

  static inline int CommonLength(const uint8_t* a, const uint8_t* b, int limit) {
    int n = 0;
    while (n + 8 <= limit) {
      uint64_t x, y;
      memcpy(&x, a + n, 8);
      memcpy(&y, b + n, 8);
      if (x != y) return n + (__builtin_ctzll(x ^ y) >> 3);
      n += 8;
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
  }

  // ---- parsing: the cheapest path through a segment ----

  // Bit costs (in 1/16 bit) of each literal, length and position symbol
  // under the code lengths of a parse; symbols it did not use get a long
  // code, as they would in a block that used them rarely.
  void SetCosts(const uint8_t* cLen, int cOnly, const uint8_t* pLen, int pOnly) {
    for (int c = 0; c < kNc; ++c) symbolCost[c] = 16 * (cLen[c] ? cLen[c] : c == cOnly ? 1 : 14);
    for (int p = 0; p < kNp; ++p) posCost[p] = 16 * ((pLen[p] ? pLen[p] : p == pOnly ? 1 : 10) + (p > 1 ? p - 1 : 0));
  }

  // Collects the matches of every position of [pos, pos + n); a match of
  // kNiceLength or more is taken at once and the bytes it covers are only
  // inserted in the trees.
  void FindSegmentMatches(int n) {
    matchStart.resize(n + 1);
    matches.clear();
    uint32_t found[kMaxMatch + 1];
    int skipUntil = 0;
    for (int i = 0; i < n; ++i) {
      int at = pos + i;
      matchStart[i] = static_cast<uint32_t>(matches.size());
      int maxLen = std::min(kMaxMatch, end - at);
      if (maxLen < kMinMatch) continue;
      int limit = std::min(maxLen, kNiceLength);
      if (i < skipUntil) {
        FindMatches(at, limit, nullptr);
        continue;
      }
      int k = FindMatches(at, limit, found);
      if (k > 0 && static_cast<int>(found[k - 1] >> 16) >= limit) {
        // The trees only look as far as kNiceLength: see how far it really goes.
        int longest = limit;
        int dist = static_cast<int>(found[k - 1] & 0xFFFF);
        longest += CommonLength(&buf[at + longest], &buf[at + longest - dist], maxLen - longest);
        matches.push_back(static_cast<uint32_t>(longest) << 16 | static_cast<uint32_t>(dist) | kForced);
        skipUntil = i + longest;
        continue;
      }
      matches.insert(matches.end(), found, found + k);
    }
    matchStart[n] = static_cast<uint32_t>(matches.size());
  }

  // A first parse that takes the longest match everywhere: its symbol
  // counts give the costs for the real one.
  void Greedy(int n) {
    path.clear();
    for (int i = 0; i < n;) {
      uint32_t first = matchStart[i], last = matchStart[i + 1];
      int len = 0;
      uint32_t dist = 0;
      if (first != last) {
        len = static_cast<int>((matches[last - 1] >> 16) & 0x1FF);
        dist = matches[last - 1] & 0xFFFF;
        if (len > n - i) len = n - i;
      }
      if (len < kMinMatch) {
        path.push_back(1);
        ++i;
      } else {
        path.push_back(static_cast<uint32_t>(len) << 16 | dist);
        i += len;
      }
    }
  }

  // The cheapest parse of the segment under the current costs, as symbols
  // in `path` (1 = literal, else length << 16 | distance).
  void Parse(int n) {
    nodes.resize(n + 1);
    for (int i = 1; i <= n; ++i) nodes[i].cost = UINT32_MAX;
    nodes[0].cost = 0;
    const uint8_t* base = &buf[pos];
    const uint32_t* lengthCost = symbolCost + 253;
    for (int i = 0; i < n; ++i) {
      Node* node = &nodes[i];
      uint32_t here = node->cost;
      uint32_t c = here + symbolCost[base[i]];
      if (c < node[1].cost) {
        node[1].cost = c;
        node[1].from = 1;
      }
      int done = kMinMatch - 1;  // lengths already tried with a nearer match
      for (uint32_t k = matchStart[i], last = matchStart[i + 1]; k < last; ++k) {
        uint32_t mt = matches[k];
        int len = static_cast<int>((mt >> 16) & 0x1FF);
        uint32_t dist = mt & 0xFFFF;
        if (len > n - i) len = n - i;
        uint32_t withDist = here + posCost[PosSymbol(dist - 1)];
        for (int l = (mt & kForced) ? len : done + 1; l <= len; ++l) {
          uint32_t mc = withDist + lengthCost[l];
          if (mc < node[l].cost) {
            node[l].cost = mc;
            node[l].from = static_cast<uint32_t>(l) << 16 | dist;
          }
        }
        if (len > done) done = len;
      }
    }
    path.clear();
    for (int j = n; j > 0;) {
      uint32_t f = nodes[j].from;
      path.push_back(f);
      j -= f == 1 ? 1 : static_cast<int>(f >> 16);
    }
    std::reverse(path.begin(), path.end());
  }

  // Frequencies of `path` turned into costs for the next parse.
  void CostsFromPath() {
    uint32_t cf[kNc] = {}, pf[kNp] = {};
    int at = pos;
    for (uint32_t f : path) {
      if (f == 1) {
        cf[buf[at++]]++;
      } else {
        int len = static_cast<int>(f >> 16);
        cf[len + 253]++;
        pf[PosSymbol((f & 0xFFFF) - 1)]++;
        at += len;
      }
    }
    uint8_t cLen[kNc], pLen[kNp];
    int cOnly = 0, pOnly = 0;
    BuildLengths(cf, kNc, kMaxCodeLen, cLen, &cOnly);
    BuildLengths(pf, kNp, kMaxCodeLen, pLen, &pOnly);
    SetCosts(cLen, cOnly, pLen, pOnly);
  }

  // Codes [pos, pos + n) as one block.
  void Segment(int n) {
    codedInput += static_cast<uint64_t>(n);
    FindSegmentMatches(n);
    Greedy(n);
    CostsFromPath();
    Parse(n);
    for (uint32_t f : path) {
      if (f == 1) {
        Literal(buf[pos++]);
      } else {
        int len = static_cast<int>(f >> 16);
        Match(len, static_cast<int>(f & 0xFFFF));
        pos += len;
      }
    }
    SendBlock();
  }

  // Codes the input while a whole segment and its lookahead are there (all
  // of it when finishing).
  void Process(bool finishing) {
    for (;;) {
      int lookahead = end - pos;
      if (finishing) {
        if (lookahead == 0) break;
        Segment(std::min(lookahead, kSegment));
      } else {
        if (lookahead < kSegment + kMinLookahead) break;
        Segment(kSegment);
      }
    }
  }

  void Slide() {
    memmove(buf.data(), buf.data() + kSlide, static_cast<size_t>(end - kSlide));
    pos -= kSlide;
    end -= kSlide;
    for (int& h : head) h = h >= kSlide ? h - kSlide : kNil;
    for (int& p : son) p = p >= kSlide ? p - kSlide : kNil;
  }

  void Feed(const uint8_t* data, size_t n) {
    while (n > 0) {
      if (end == kBufferSize) Slide();
      size_t take = std::min(n, static_cast<size_t>(kBufferSize - end));
      memcpy(&buf[end], data, take);
      end += static_cast<int>(take);
      data += take;
      n -= take;
      Process(false);
    }
  }

  void End() {
    Process(true);
    SendBlock();
    FlushBits();
  }
};

Lh5Encoder::Lh5Encoder(Sink& out) : state_(new State(out)) {}
Lh5Encoder::~Lh5Encoder() = default;

void Lh5Encoder::Reset(Sink& out) { state_->Reset(out); }

bool Lh5Encoder::Write(const void* data, size_t n) {
  state_->Feed(static_cast<const uint8_t*>(data), n);
  return !state_->failed;
}

bool Lh5Encoder::Finish() {
  state_->End();
  return !state_->failed;
}

uint64_t Lh5Encoder::PackedSize() const { return state_->packed; }
uint64_t Lh5Encoder::CodedInput() const { return state_->codedInput; }
uint64_t Lh5Encoder::CodedOutput() const { return state_->packed + state_->outLen + state_->accBits / 8; }

}  // namespace lzh
}  // namespace arc
