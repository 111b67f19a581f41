// Packing into a ZIP archive that exists: its entries as they are, each
// copied (local header, data, descriptor) without recompressing, with its
// central header moved to the entry's new place.
#pragma once
#include <cstdint>
#include <vector>

#include "archivers/core/archive.h"
#include "archivers/zip/zip_internal.h"

namespace arc {
namespace zip {

struct KeptEntry {
  uint64_t start = 0, end = 0;   // local header to the end of the data (and descriptor) in the old file
  std::vector<uint8_t> central;  // the central header as stored
};

// The entries of `old` as the reader sees them, and where each lies. Refuses
// (kErrorDamaged) entries that overlap or reach into the directory.
Status ListExisting(Source& old, std::vector<Entry>& entries, std::vector<KeptEntry>& kept);

// Appends the central header `h` with its local header at `offset` (a ZIP64
// extra added or dropped as the offset and sizes need).
Status PutMovedCentral(std::vector<uint8_t>& v, const CentralHeader& h, uint64_t offset);

}  // namespace zip
}  // namespace arc
