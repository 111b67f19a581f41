// Every entry of an archive read into memory, for the format tests.
#pragma once
#include <string>
#include <vector>

#include "archivers/core/archive.h"

struct Got {
  arc::Entry entry;
  arc::Status status = arc::kOk;  // what Extract returned
  std::string data;
  uint64_t positionAfter = 0;     // the reader's Position after Extract
};

struct Listing {
  arc::Status open = arc::kOk;
  arc::Status end = arc::kOk;  // what the last Next returned (kEnd when all went well)
  std::vector<Got> entries;
};

// Reads every entry, extracting each into memory, until the end or an error
// after which the archive cannot be read further. A null reader leaves the
// listing empty with `open` as given.
inline Listing ReadEntries(arc::ArchiveReader* reader, arc::Status open = arc::kOk) {
  Listing l;
  l.open = open;
  if (!reader) return l;
  Got g;
  while ((l.end = reader->Next(g.entry)) == arc::kOk) {
    arc::MemoryOutput out;
    g.status = reader->Extract(out);
    g.data.assign(out.bytes.begin(), out.bytes.end());
    g.positionAfter = reader->Position();
    l.entries.push_back(g);
    if (arc::IsFatal(g.status)) break;
  }
  return l;
}
