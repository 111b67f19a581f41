// What the ZIP reader, writer and copier share: record layouts, the search
// for the end records and a cursor over the central directory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archivers/core/io.h"
#include "archivers/core/status.h"

namespace arc {
namespace zip {

constexpr uint32_t kLocalSig = 0x04034B50;
constexpr uint32_t kCentralSig = 0x02014B50;
constexpr uint32_t kEndSig = 0x06054B50;
constexpr uint32_t kEnd64Sig = 0x06064B50;
constexpr uint32_t kLocatorSig = 0x07064B50;

constexpr size_t kLocalSize = 30;
constexpr size_t kCentralSize = 46;
constexpr size_t kEndSize = 22;
constexpr size_t kEnd64Size = 56;
constexpr size_t kLocatorSize = 20;

constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraNtfs = 0x000A;
constexpr uint16_t kExtraUnixTime = 0x5455;
constexpr uint16_t kExtraUnicodePath = 0x7075;

constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr uint16_t kMax16 = 0xFFFF;

// The end records as found in a file.
struct Directory {
  uint64_t endPos = 0;   // the classic end record
  uint64_t cdStart = 0;  // first central header, in the file
  uint64_t cdSize = 0;
  uint64_t entries = 0;  // as declared
  uint64_t delta = 0;    // what to add to every stored offset (a stub the offsets leave out)
  bool zip64 = false;    // the ZIP64 end record was found and its figures used
  uint16_t commentLength = 0;
};

// Looks for the end records from the end of the file and checks that the
// directory they describe starts with a central header inside the file.
bool FindDirectory(Source& source, Directory& dir);

// One central header as parsed; the pointers stay valid until the cursor
// moves on.
struct CentralHeader {
  uint16_t madeBy = 0, needed = 0, flags = 0, method = 0, internal = 0;
  uint32_t dosTime = 0, crc = 0, external = 0;
  uint64_t csize = 0, usize = 0, offset = 0;  // ZIP64 values already applied
  uint32_t disk = 0;
  const uint8_t* header = nullptr;  // the 46 fixed bytes
  const uint8_t* name = nullptr;
  size_t nameLength = 0;
  const uint8_t* extra = nullptr;
  size_t extraLength = 0;
  size_t commentLength = 0;
  size_t totalSize = 0;  // fixed part, name, extra and comment
};

// Finds an extra block by id within an extra field; bounded by the field.
bool FindExtra(const uint8_t* extra, size_t length, uint16_t id, const uint8_t** data, size_t* size);

// Walks the central directory front to back through a window that holds the
// largest possible header, so memory does not depend on the archive.
class DirectoryCursor {
 public:
  DirectoryCursor(Source& source, uint64_t start, uint64_t size);
  // kOk with h filled; kEnd when the directory holds no further header (its
  // end, or bytes that are not a central header); kErrorDamaged when a header
  // runs past the directory or the file cannot be read.
  Status Next(CentralHeader& h);
  uint64_t Position() const { return position_; }

 private:
  bool Fill(size_t need);

  Source& source_;
  uint64_t position_;  // of the next header
  uint64_t end_;
  std::vector<uint8_t> window_;
  size_t begin_ = 0, filled_ = 0;  // window_[begin_, filled_) holds the bytes from position_ on
};

// Whether a name is well-formed UTF-8 holding at least one multi-byte
// sequence: how names from Unix and macOS tools are told from code page 932
// when the UTF-8 flag is missing.
bool LooksUtf8(const uint8_t* p, size_t n);

// CRC-32 of a buffer of any length (zlib's crc32 takes 32-bit lengths).
uint32_t Crc32(uint32_t crc, const void* data, size_t n);

// The ZIP64 extra block for the given values: each field only when `need...`.
void PutZip64Extra(std::vector<uint8_t>& v, bool needU, uint64_t usize, bool needC, uint64_t csize, bool needOffset,
                   uint64_t offset);

// ZIP64 end record, locator and classic end record for a directory of
// `entries` headers at `cdOffset`, written where `endPos` is (positions all
// in the output file). The ZIP64 records come when a figure needs them or
// `force64` is set.
void PutEndRecords(std::vector<uint8_t>& v, uint64_t endPos, uint64_t entries, uint64_t cdOffset, uint64_t cdSize,
                   bool force64, const uint8_t* comment, size_t commentLength);

}  // namespace zip
}  // namespace arc
