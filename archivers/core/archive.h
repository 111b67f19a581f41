// What every format's reader and writer offers the shared extraction and
// packing code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archivers/core/io.h"
#include "archivers/core/status.h"

namespace arc {

// How the bytes of an entry name are to be read.
enum class NameCharset { Cp932, Utf8 };

enum class EntryKind { File, Folder, Link, Other };

// One entry as an archive describes it.
struct Entry {
  // The stored name, '/' between folders. Readers turn their own folder
  // marks into '/' (LZH's 0xFF) but leave '\' alone: the shared name check
  // treats it as a separator too, outside the trail bytes of code page 932.
  std::string name;
  NameCharset charset = NameCharset::Cp932;
  EntryKind kind = EntryKind::File;
  std::string linkTarget;  // for links, as stored (same charset as name)
  bool hardLink = false;   // a link to an earlier entry of the archive, not a symbolic link
  uint64_t size = 0;       // as declared: for progress and texts, never for allocation
  bool hasUnixTime = false;
  int64_t unixTime = 0;    // seconds since 1970, UTC
  bool hasDosTime = false;
  uint32_t dosTime = 0;    // MS-DOS date << 16 | time, local time
  uint32_t attributes = 0; // MS-DOS attributes when known (read-only 0x01, hidden 0x02...)
};

class ArchiveReader {
 public:
  virtual ~ArchiveReader() = default;
  // Reads the next entry's header and skips the data of the previous one if
  // it was not extracted. kOk with entry filled, kEnd after the last entry,
  // or an error after which the archive cannot be read further.
  virtual Status Next(Entry& entry) = 0;
  // Streams the current entry's data into sink, checking its CRC and length.
  // kOk; kErrorCrc, kErrorMethod or kErrorEncrypted for this entry only (Next
  // still works); kErrorWrite when the sink refused; kErrorDamaged when the
  // archive cannot be read further.
  virtual Status Extract(Sink& sink) = 0;
  // Bytes of the archive read so far, for progress bars.
  virtual uint64_t Position() const = 0;
};

// One file or folder to pack.
struct NewEntry {
  std::vector<std::string> partsCp932;  // path below the base folder, in code page 932
  bool cp932Exact = true;               // false: partsCp932 only approximates the name (shown, never stored)
  std::vector<std::string> partsUtf8;   // the same in UTF-8 (empty when unknown)
  bool folder = false;
  uint64_t size = 0;          // of the file on disk before packing
  int64_t unixTime = 0;       // last write, seconds since 1970, UTC
  uint32_t dosTime = 0;       // last write, MS-DOS date << 16 | time, local
  uint32_t attributes = 0x20; // MS-DOS attributes
};

class ArchiveWriter {
 public:
  virtual ~ArchiveWriter() = default;
  // Adds a folder (data null) or a file whose bytes data gives.
  virtual Status Add(const NewEntry& entry, Stream* data) = 0;
  // Writes what closes the archive (LZH end mark, ZIP directory).
  virtual Status Finish() = 0;
  // Packing into an archive that exists: lists the entries `old` holds (names
  // as the format's reader decodes them); kErrorNotArchive when it is not an
  // archive of the writer's format, kErrorDamaged when it cannot be copied.
  virtual Status ReadExisting(Source& old, std::vector<Entry>& entries) = 0;
  // Copies entry `index` of that list into the new archive as it is.
  virtual Status KeepExisting(size_t index) = 0;
};

}  // namespace arc
