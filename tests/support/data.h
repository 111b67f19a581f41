// Contents for test files: the same bytes on every run for a seed, different
// bytes for different seeds and from place to place, so a piece in the wrong
// place shows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace test_data {

// The generator behind every kind below.
class Sequence {
 public:
  explicit Sequence(uint32_t seed) : x_(seed) {}
  uint32_t Next() { return x_ = x_ * 1103515245u + 12345u; }

 private:
  uint32_t x_;
};

// Bytes that do not compress.
inline std::string Noise(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  Sequence x(seed);
  for (char& c : s) c = static_cast<char>(x.Next() >> 24);
  return s;
}

// Text of a few letters, spaces and line ends: compresses well.
inline std::string Letters(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  Sequence x(seed);
  for (char& c : s) c = "abcdefgh ijkl\n"[(x.Next() >> 16) % 14];
  return s;
}

// Noise where every other 256-byte run repeats bytes from 1000 back: binary
// that a matcher finds something in.
inline std::string Repetitive(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  Sequence x(seed);
  for (size_t i = 0; i < n; ++i) {
    uint32_t next = x.Next();
    s[i] = ((i / 256) % 2 == 1 && i >= 1024) ? s[i - 1000] : static_cast<char>(next >> 24);
  }
  return s;
}

}  // namespace test_data
