// The small file interfaces the format code reads and writes through, so that
// it builds without <windows.h> (natively for fuzzing) and is tested on
// memory. The Win32 implementations live in archivers/win.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace arc {

// A file of known size read at offsets (ZIP directories, LZH headers).
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t Size() const = 0;
  // Reads up to n bytes at offset; fewer only at the end or on a read error.
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t n) = 0;
};

// A stream read front to back (tar inside gzip).
class Stream {
 public:
  virtual ~Stream() = default;
  // Reads up to n bytes; 0 at the end. A read error is reported by Failed().
  virtual size_t Read(void* buffer, size_t n) = 0;
  virtual bool Failed() const { return false; }
};

// Where extracted data goes.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual bool Write(const void* data, size_t n) = 0;
};

// A file being written that can be patched behind the write position (sizes
// and CRCs known only after the data, as in ZIP and LZH headers).
class Output : public Sink {
 public:
  virtual uint64_t Position() const = 0;
  virtual bool WriteAt(uint64_t offset, const void* data, size_t n) = 0;
};

// Reads a Source front to back from an offset.
class SourceStream : public Stream {
 public:
  SourceStream(Source& source, uint64_t offset = 0) : source_(source), position_(offset) {}
  size_t Read(void* buffer, size_t n) override {
    size_t got = source_.ReadAt(position_, buffer, n);
    position_ += got;
    if (got < n && position_ < source_.Size()) failed_ = true;
    return got;
  }
  bool Failed() const override { return failed_; }
  uint64_t Position() const { return position_; }

 private:
  Source& source_;
  uint64_t position_;
  bool failed_ = false;
};

class MemorySource : public Source {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  explicit MemorySource(const std::vector<uint8_t>& v) : MemorySource(v.data(), v.size()) {}
  explicit MemorySource(const std::string& s) : MemorySource(s.data(), s.size()) {}
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
    if (offset >= size_) return 0;
    size_t take = static_cast<size_t>(size_ - offset) < n ? static_cast<size_t>(size_ - offset) : n;
    if (take) memcpy(buffer, data_ + offset, take);
    return take;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

class MemoryOutput : public Output {
 public:
  bool Write(const void* data, size_t n) override {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (n) bytes.insert(bytes.end(), p, p + n);
    return true;
  }
  uint64_t Position() const override { return bytes.size(); }
  bool WriteAt(uint64_t offset, const void* data, size_t n) override {
    if (offset + n > bytes.size()) return false;
    if (n) memcpy(bytes.data() + offset, data, n);
    return true;
  }
  std::vector<uint8_t> bytes;
};

// A sink that only counts (testing an archive, skipping an entry).
class NullSink : public Sink {
 public:
  bool Write(const void*, size_t n) override {
    written += n;
    return true;
  }
  uint64_t written = 0;
};

// Little-endian helpers for the headers.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }
inline void PutLe16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(x & 0xFF);
  v.push_back(x >> 8);
}
inline void PutLe32(std::vector<uint8_t>& v, uint32_t x) {
  PutLe16(v, x & 0xFFFF);
  PutLe16(v, x >> 16);
}
inline void PutLe64(std::vector<uint8_t>& v, uint64_t x) {
  PutLe32(v, static_cast<uint32_t>(x));
  PutLe32(v, static_cast<uint32_t>(x >> 32));
}

}  // namespace arc
