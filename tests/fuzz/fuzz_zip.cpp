// libFuzzer target for the ZIP reader, writer and self-extractor copy: opens
// the input, walks and extracts every entry, writes the entries it could
// read into a new archive and checks that they read back the same, and moves
// the input behind a stub and reads that again.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "archivers/zip/zip.h"
#include "tests/fuzz/fuzz_budget.h"

namespace {

// Keeps the first bytes of an entry, counts the rest up to the budget.
class CaptureSink : public arc::Sink {
 public:
  bool Write(const void* data, size_t n) override {
    size_t keep = n < kKeep - std::min(kKeep, bytes.size()) ? n : kKeep - std::min(kKeep, bytes.size());
    bytes.append(static_cast<const char*>(data), keep);
    total += n;
    return total <= fuzz::kEntryBudget;
  }
  static constexpr size_t kKeep = 64 * 1024;
  std::string bytes;
  uint64_t total = 0;
};

void Walk(arc::Source& source) {
  arc::Status error;
  auto reader = arc::OpenZip(source, &error);
  if (!reader) return;
  arc::Entry e;
  // Each entry has its own 46-byte central header: more would be a loop.
  uint64_t n = 0;
  while (reader->Next(e) == arc::kOk) {
    if (++n > source.Size() / 46) __builtin_trap();
    fuzz::BudgetSink sink;
    if (arc::IsFatal(reader->Extract(sink))) break;
  }
}

struct Kept {
  std::string name, utf8, bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  arc::MemorySource source(data, size);
  bool isZip = arc::IsZipArchive(source);
  arc::Status error;
  auto reader = arc::OpenZip(source, &error);
  if ((reader != nullptr) != isZip && error != arc::kErrorDamaged) __builtin_trap();
  if (reader) {
    std::vector<Kept> kept;
    arc::Entry e;
    uint64_t n = 0;
    while (reader->Next(e) == arc::kOk) {
      if (++n > size / 46) __builtin_trap();
      CaptureSink sink;
      arc::Status s = reader->Extract(sink);
      if (s == arc::kOk && e.kind == arc::EntryKind::File && sink.total == sink.bytes.size() && !e.name.empty() &&
          e.name.back() != '/' && kept.size() < 16) {
        // Written back in code page 932 with a UTF-8 form beside it.
        Kept k{e.name, std::string(), sink.bytes};
        if (e.charset == arc::NameCharset::Utf8 && e.name.size() < 60000) k.utf8 = e.name;
        kept.push_back(k);
      }
      if (arc::IsFatal(s)) break;
    }
    if (!kept.empty()) {
      arc::MemoryOutput out;
      auto writer = arc::CreateZipWriter(out, 1);
      for (const Kept& k : kept) {
        arc::NewEntry ne;
        ne.partsCp932 = {k.name};
        if (!k.utf8.empty()) ne.partsUtf8 = {k.utf8 + "u"};
        ne.size = k.bytes.size();
        arc::MemorySource ms(k.bytes);
        arc::SourceStream stream(ms);
        if (writer->Add(ne, &stream) != arc::kOk) __builtin_trap();
      }
      if (writer->Finish() != arc::kOk) __builtin_trap();
      arc::MemorySource again(out.bytes);
      auto back = arc::OpenZip(again, &error);
      if (!back) __builtin_trap();
      for (const Kept& k : kept) {
        CaptureSink sink;
        if (back->Next(e) != arc::kOk || back->Extract(sink) != arc::kOk || sink.bytes != k.bytes) __builtin_trap();
        bool ascii = true;
        for (char c : k.name) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
        std::string expected = !ascii && !k.utf8.empty() ? k.utf8 + "u" : k.name;
        if (e.name != expected) __builtin_trap();
      }
      if (back->Next(e) != arc::kEnd) __builtin_trap();
    }
  }
  // Behind a stub, with the offsets moved.
  arc::MemoryOutput moved;
  moved.Write("MZstub", 6);
  if (arc::CopyZipAfterPrefix(source, moved, 6) == arc::kOk) {
    arc::MemorySource shifted(moved.bytes);
    if (!arc::IsZipArchive(shifted)) __builtin_trap();
    Walk(shifted);
  }
  return 0;
}
