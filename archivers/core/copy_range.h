// Copying a stretch of one file into another as it is (entries carried over
// from an existing archive into a new one).
#pragma once
#include <cstdint>
#include <vector>

#include "archivers/core/io.h"
#include "archivers/core/status.h"

namespace arc {

// Copies bytes [start, end) of `from` to the end of `to`.
inline Status CopyRange(Source& from, uint64_t start, uint64_t end, Output& to) {
  std::vector<uint8_t> buffer(end - start < (256u << 10) ? static_cast<size_t>(end - start) + 1 : (256u << 10));
  for (uint64_t at = start; at < end;) {
    size_t n = end - at < buffer.size() ? static_cast<size_t>(end - at) : buffer.size();
    if (from.ReadAt(at, buffer.data(), n) != n) return kErrorArchiveOpen;
    if (!to.Write(buffer.data(), n)) return kErrorWrite;
    at += n;
  }
  return kOk;
}

}  // namespace arc
