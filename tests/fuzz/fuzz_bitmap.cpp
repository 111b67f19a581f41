// The bitmap file check under arbitrary files: it never reads outside the
// bytes it is given, and what it passes has its pixels inside the file.
#include <cstdint>
#include <cstring>

#include "framework/bitmap_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so that a read past the end is caught.
  unsigned char* copy = new unsigned char[size ? size : 1];
  if (size) std::memcpy(copy, data, size);
  if (BitmapFileIsSound(copy, size)) {
    if (size < 26 || copy[0] != 'B' || copy[1] != 'M') __builtin_trap();
    if (bitmap_check::Le32(copy + 10) >= size) __builtin_trap();  // pixels start inside
  }
  delete[] copy;
  return 0;
}
