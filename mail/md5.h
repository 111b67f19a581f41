// MD5 (RFC 1321) of our own, for HTTP Digest authentication. Pure.
#pragma once

#include <cstddef>
#include <cstdint>

class Md5 {
 public:
  Md5();
  void Update(const void* data, size_t size);
  void Update(const char* text);  // the text's bytes, without the terminator
  // The digest as 32 lower-case hex characters and a terminator; ends the use.
  void FinishHex(char out[33]);

 private:
  void Block(const unsigned char* block);
  uint32_t state_[4];
  uint64_t length_ = 0;  // bytes taken so far
  unsigned char pending_[64];
};

// MD5 of the text's bytes as 32 lower-case hex characters, terminated.
void Md5Hex(const char* text, char out[33]);
