// The tar and gzip reader under arbitrary files: every entry is walked twice,
// once extracted and once skipped, and the gzip decoder also runs alone. No
// input may crash, hang, read outside its bytes or grow memory with a size
// it declares.
#include <cstdint>
#include <cstring>
#include <memory>

#include "archivers/tar/tar.h"
#include "tests/fuzz/fuzz_budget.h"

namespace {

void Walk(const uint8_t* data, size_t size, bool extract) {
  arc::MemorySource source(data, size);
  arc::Status error = arc::kOk;
  std::unique_ptr<arc::ArchiveReader> reader = arc::OpenTar(source, "fallback", &error);
  if (!reader) {
    if (error == arc::kOk) __builtin_trap();
    return;
  }
  arc::Entry entry;
  uint64_t last = 0;
  // A plain tar entry takes at least its 512-byte header; inside gzip the
  // budget bounds what the entries can hold.
  bool plain = arc::DetectTar(source) == arc::TarKind::Tar;
  uint64_t output = 0;
  for (uint64_t i = 0;; ++i) {
    if (plain && i > size / 512) __builtin_trap();
    if (output > 4 * fuzz::kEntryBudget) break;
    arc::Status s = reader->Next(entry);
    if (s != arc::kOk) {
      // After an error or the end, the reader stays there.
      if (s != arc::kEnd && reader->Next(entry) == arc::kOk) __builtin_trap();
      break;
    }
    if (extract) {
      fuzz::BudgetSink sink;
      s = reader->Extract(sink);
      output += sink.written;
      if (s == arc::kOk && sink.written != entry.size && entry.kind == arc::EntryKind::File &&
          arc::DetectTar(source) != arc::TarKind::Gzip)
        __builtin_trap();  // a tar entry gives exactly its declared size
      if (arc::IsFatal(s)) break;
    } else {
      output += entry.size;  // skipped inside gzip means decoded
    }
    uint64_t p = reader->Position();
    if (p < last || p > size) __builtin_trap();
    last = p;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so that a read past the end is caught.
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
  if (size) memcpy(copy.get(), data, size);
  Walk(copy.get(), size, true);
  Walk(copy.get(), size, false);

  arc::MemorySource source(copy.get(), size);
  arc::SourceStream input(source);
  arc::GzipStream gzip(input);
  static uint8_t buffer[65536];
  for (uint64_t out = 0; out <= fuzz::kEntryBudget && gzip.Read(buffer, sizeof buffer) == sizeof buffer;)
    out += sizeof buffer;
  if (gzip.CompressedPosition() > size) __builtin_trap();
  return 0;
}
