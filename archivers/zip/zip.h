// ZIP archives: the reader behind unzip32.dll and the writer behind
// ZIP32J.DLL. Stored and deflated entries (zlib), ZIP64, data descriptors,
// self-extracting programs (a stub before the archive).
#pragma once
#include <cstdint>
#include <memory>

#include "archivers/core/archive.h"

namespace arc {

// True when the file really is a ZIP archive: an end-of-central-directory
// record (searched from the end; a comment and some data after the record are
// allowed) whose directory lies inside the file and starts with a central
// header, also when the whole archive sits behind a stub whose length the
// offsets do not include.
bool IsZipArchive(Source& source);

// Reader over the central directory, in its order. On failure returns null
// and sets *error (kErrorNotArchive, kErrorDamaged).
std::unique_ptr<ArchiveReader> OpenZip(Source& source, Status* error);

// Writer: deflate at `level` (1-9), or stored entries when level is 0. Offsets
// are positions in `out`, so writing after a stub already in `out` gives a
// finished self-extracting file.
std::unique_ptr<ArchiveWriter> CreateZipWriter(Output& out, int level = 6);

// Copies the finished ZIP `zip` to `out`, whose first `prefixSize` bytes (a
// self-extracting program) are already written, adding prefixSize to every
// local-header offset of the central directory, to the directory offset and
// to the ZIP64 records, so that the offsets count from the start of the
// program file.
Status CopyZipAfterPrefix(Source& zip, Output& out, uint64_t prefixSize);

}  // namespace arc
