// The LZH reader under arbitrary archives: every entry is walked and
// extracted without reading outside the input, looping or growing memory;
// and the writer's archive of the same bytes reads back to exactly them.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archivers/core/io.h"
#include "archivers/lzh/lzh.h"
#include "tests/fuzz/fuzz_budget.h"

namespace {

class CollectSink : public arc::Sink {
 public:
  bool Write(const void* data, size_t n) override {
    bytes.append(static_cast<const char*>(data), n);
    return true;
  }
  std::string bytes;
};

class BytesStream : public arc::Stream {
 public:
  BytesStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(void* buffer, size_t n) override {
    // Odd chunk sizes, so the writer's buffering is exercised too.
    size_t take = size_ - at_ < n ? size_ - at_ : n;
    if (take > 777) take = 777;
    if (take) memcpy(buffer, data_ + at_, take);
    at_ += take;
    return take;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void Walk(const std::vector<uint8_t>& archive) {
  arc::MemorySource source(archive);
  arc::IsLzhArchive(source, 0);
  auto reader = arc::OpenLzh(source, 0);
  arc::Entry entry;
  // Every header moves the walk forward by at least its 22 fixed bytes: more
  // entries than that would be a loop.
  for (size_t entries = 0;; ++entries) {
    if (entries > archive.size() / 22) __builtin_trap();
    arc::Status s = reader->Next(entry);
    if (s != arc::kOk) break;
    if (reader->Position() > archive.size()) __builtin_trap();
    fuzz::BudgetSink sink;
    s = reader->Extract(sink);
    if (s == arc::kOk && entry.kind == arc::EntryKind::File && sink.written != entry.size) __builtin_trap();
  }
}

void RoundTrip(const uint8_t* data, size_t size) {
  arc::MemoryOutput out;
  auto writer = arc::CreateLzhWriter(out);
  arc::NewEntry folder;
  folder.partsCp932 = {"d"};
  folder.folder = true;
  if (writer->Add(folder, nullptr) != arc::kOk) __builtin_trap();
  arc::NewEntry file;
  file.partsCp932 = {"d", "f"};
  file.size = size;
  BytesStream stream(data, size);
  if (writer->Add(file, &stream) != arc::kOk || writer->Finish() != arc::kOk) __builtin_trap();
  arc::MemorySource source(out.bytes);
  if (!arc::IsLzhArchive(source, 0)) __builtin_trap();
  auto reader = arc::OpenLzh(source, 0);
  arc::Entry entry;
  if (reader->Next(entry) != arc::kOk || entry.kind != arc::EntryKind::Folder || entry.name != "d") __builtin_trap();
  if (reader->Next(entry) != arc::kOk || entry.name != "d/f") __builtin_trap();
  CollectSink sink;
  if (reader->Extract(sink) != arc::kOk) __builtin_trap();
  if (sink.bytes.size() != size || (size && memcmp(sink.bytes.data(), data, size) != 0)) __builtin_trap();
  if (reader->Next(entry) != arc::kEnd) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so that a read past the end is caught.
  std::vector<uint8_t> archive(data, data + size);
  Walk(archive);
  // Packing costs some milliseconds an archive, far more than reading: one
  // input in sixteen is also packed, which keeps the writer's coverage.
  if (size % 16 == 0) RoundTrip(archive.data(), archive.size());
  return 0;
}
