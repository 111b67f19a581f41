// LZH (LHA) archives: the format code of unlha32.dll.
//
// Reads header levels 0 to 3 and the methods -lh0-, -lz4- (stored), -lh4- to
// -lh7- and -lhd- (folders); other methods are listed but not extracted.
// Writes level-2 headers with -lh5- data (-lh0- when an entry does not
// shrink) and -lhd- folders. The OS id written is 'W' (Windows NT), the name
// bytes are code page 932, the time is the Unix time in the base header, and
// the MS-DOS attributes go in ext 0x40.
#pragma once
#include <cstdint>
#include <memory>

#include "archivers/core/archive.h"
#include "archivers/core/io.h"

namespace arc {

// True when a valid LZH header starts exactly at `start`: a method id -lh?- or
// -lz?- at +2, level 0 to 3, the header and the entry's data inside the
// file, and a correct header checksum (levels 0, 1) and header CRC (ext 0x00).
bool IsLzhArchive(Source& source, uint64_t start = 0);

// IsLzhArchive, and every header after the first is valid too, up to the end
// mark or the end of the file: what the library's test entry accepts. It
// reads the headers only, not the data.
bool IsWholeLzhArchive(Source& source, uint64_t start = 0);

// The offset of the first valid LZH header in [start, start + maxScan), or
// UINT64_MAX when there is none (an archive behind a self-extracting stub
// that does not start right at the end of the program image).
uint64_t FindLzhArchive(Source& source, uint64_t start, uint64_t maxScan);

// Reader over the headers from `start` (0, or where a self-extracting
// program's archive begins). Position() is an offset in `source`.
std::unique_ptr<ArchiveReader> OpenLzh(Source& source, uint64_t start = 0);

// Writer of level-2 headers, -lh5- data (-lh0- for entries that do not
// shrink) and -lhd- folders; Finish() writes the end mark.
std::unique_ptr<ArchiveWriter> CreateLzhWriter(Output& out);

// CRC-16/ARC as LZH uses it for data and headers (poly 0xA001 reflected,
// initial value 0).
uint16_t LzhCrc16(uint16_t crc, const void* data, size_t n);

}  // namespace arc
