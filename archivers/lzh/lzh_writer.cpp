// Writing LZH archives with level-2 headers. Each header goes out first with
// its sizes and CRC left open; the data follows as it is compressed, and the
// header is rewritten in place once they are known.
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "archivers/core/copy_range.h"
#include "archivers/lzh/lzh.h"
#include "archivers/lzh/lzh_encode.h"
#include "archivers/lzh/lzh_header.h"

namespace arc {

namespace {

constexpr uint8_t kOsId = 'W';                    // Windows NT
constexpr size_t kChunk = 64 * 1024;              // read from the file at a time
constexpr size_t kProbe = 1024 * 1024;            // bytes packed before deciding -lh5- or -lh0-
constexpr uint64_t kSizes64From = 0xF0000000ULL;  // declared sizes from here get ext 0x42

// The level-2 header of one entry, and where its variable fields are.
struct Level2Header {
  std::vector<uint8_t> bytes;
  size_t crcAt = 0;      // header CRC (ext 0x00)
  size_t sizes64At = 0;  // ext 0x42 data, 0 when absent

  void Set32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  void Set64(size_t at, uint64_t v) {
    Set32(at, static_cast<uint32_t>(v));
    Set32(at + 4, static_cast<uint32_t>(v >> 32));
  }
  void Fill(const char* method, uint64_t packed, uint64_t original, uint16_t dataCrc) {
    memcpy(&bytes[2], method, 5);
    Set32(7, static_cast<uint32_t>(packed));
    Set32(11, static_cast<uint32_t>(original));
    bytes[21] = static_cast<uint8_t>(dataCrc);
    bytes[22] = static_cast<uint8_t>(dataCrc >> 8);
    if (sizes64At) {
      Set64(sizes64At, packed);
      Set64(sizes64At + 8, original);
    }
    bytes[crcAt] = bytes[crcAt + 1] = 0;
    uint16_t crc = LzhCrc16(0, bytes.data(), bytes.size());
    bytes[crcAt] = static_cast<uint8_t>(crc);
    bytes[crcAt + 1] = static_cast<uint8_t>(crc >> 8);
  }
};

// Ext headers are [type][data][size of the next one]; `last` is the offset of
// the size field that the next ext header fills in.
void AddExt(std::vector<uint8_t>& h, size_t& last, uint8_t type, const void* data, size_t n) {
  size_t size = n + 3;
  h[last] = static_cast<uint8_t>(size);
  h[last + 1] = static_cast<uint8_t>(size >> 8);
  h.push_back(type);
  const uint8_t* p = static_cast<const uint8_t*>(data);
  h.insert(h.end(), p, p + n);
  last = h.size();
  h.push_back(0);
  h.push_back(0);
}

Status BuildHeader(const NewEntry& entry, bool big, Level2Header& out) {
  if (entry.partsCp932.empty()) return kErrorCommand;
  // No field records another encoding: a name is stored exactly or not at all.
  if (!entry.cp932Exact) return kErrorNameCharset;
  size_t folderParts = entry.folder ? entry.partsCp932.size() : entry.partsCp932.size() - 1;
  std::string dir;
  for (size_t i = 0; i < folderParts; ++i) {
    dir += entry.partsCp932[i];
    dir += '\xFF';
  }
  const std::string name = entry.folder ? std::string() : entry.partsCp932.back();
  if (dir.size() > 60000 || name.size() > 60000) return kErrorTooLarge;

  std::vector<uint8_t>& h = out.bytes;
  h.assign(26, 0);
  memcpy(&h[2], entry.folder ? "-lhd-" : "-lh5-", 5);
  int64_t t = entry.unixTime < 0 ? 0 : entry.unixTime > 0xFFFFFFFFLL ? 0xFFFFFFFFLL : entry.unixTime;
  out.Set32(15, static_cast<uint32_t>(t));
  h[19] = 0x20;
  h[20] = 2;
  h[23] = kOsId;
  size_t last = 24;
  uint8_t zero[16] = {};
  AddExt(h, last, 0x00, zero, 2);
  out.crcAt = h.size() - 4;
  if (!entry.folder) AddExt(h, last, 0x01, name.data(), name.size());
  if (!dir.empty()) AddExt(h, last, 0x02, dir.data(), dir.size());
  uint8_t attributes[2] = {static_cast<uint8_t>(entry.attributes | (entry.folder ? 0x10 : 0)),
                           static_cast<uint8_t>(entry.attributes >> 8)};
  AddExt(h, last, 0x40, attributes, 2);
  if (big) {
    AddExt(h, last, 0x42, zero, 16);
    out.sizes64At = h.size() - 18;
  }
  // A total size whose low byte is 0 would read as the end mark.
  if ((h.size() & 0xFF) == 0) h.push_back(0);
  if (h.size() > 0xFFFF) return kErrorTooLarge;
  h[0] = static_cast<uint8_t>(h.size());
  h[1] = static_cast<uint8_t>(h.size() >> 8);
  return kOk;
}

// Collects the first compressed bytes in memory, then passes them straight
// to the archive once the entry is known to shrink.
class PackedSink : public Sink {
 public:
  explicit PackedSink(Output& out) : out_(out) {}
  bool Write(const void* data, size_t n) override {
    if (direct_) return out_.Write(data, n);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    held.insert(held.end(), p, p + n);
    return true;
  }
  bool GoDirect() {
    direct_ = true;
    bool ok = held.empty() || out_.Write(held.data(), held.size());
    held.clear();
    held.shrink_to_fit();
    return ok;
  }
  std::vector<uint8_t> held;

 private:
  Output& out_;
  bool direct_ = false;
};

class LzhWriter : public ArchiveWriter {
 public:
  explicit LzhWriter(Output& out) : out_(out) {}

  Status Add(const NewEntry& entry, Stream* data) override {
    if (finished_) return kErrorCommand;
    bool big = !entry.folder && entry.size >= kSizes64From;
    Level2Header header;
    Status s = BuildHeader(entry, big, header);
    if (s != kOk) return s;
    uint64_t headerAt = out_.Position();
    header.Fill(entry.folder ? "-lhd-" : "-lh0-", 0, 0, 0);
    if (!out_.Write(header.bytes.data(), header.bytes.size())) return kErrorWrite;
    if (entry.folder || !data) return kOk;

    uint64_t packed = 0, original = 0;
    uint16_t crc = 0;
    bool stored = false;
    s = Pack(*data, packed, original, crc, stored);
    if (s != kOk) return s;
    if (!big && (packed > 0xFFFFFFFFULL || original > 0xFFFFFFFFULL)) return kErrorTooLarge;
    header.Fill(stored ? "-lh0-" : "-lh5-", packed, original, crc);
    if (!out_.WriteAt(headerAt, header.bytes.data(), header.bytes.size())) return kErrorWrite;
    return kOk;
  }

  Status Finish() override {
    if (finished_) return kOk;
    finished_ = true;
    uint8_t endMark = 0;
    return out_.Write(&endMark, 1) ? kOk : kErrorWrite;
  }

  // Entries hold no offsets: each header and its data are copied as they are.
  Status ReadExisting(Source& old, std::vector<Entry>& entries) override {
    kept_.clear();
    old_ = &old;
    if (!IsLzhArchive(old, 0)) return kErrorNotArchive;
    const uint64_t size = old.Size();
    for (uint64_t at = 0;;) {
      lzh::Header h;
      Status s = lzh::ReadHeader(old, at, h);
      if (s == kEnd) return kOk;
      if (s != kOk || h.dataOffset <= at || h.dataOffset > size || h.packedSize > size - h.dataOffset)
        return kErrorDamaged;
      at = h.dataOffset + h.packedSize;
      kept_.emplace_back(h.offset, at);
      entries.push_back(h.entry);
    }
  }

  Status KeepExisting(size_t index) override {
    if (finished_ || !old_ || index >= kept_.size()) return kErrorCommand;
    return CopyRange(*old_, kept_[index].first, kept_[index].second, out_);
  }

 private:
  // Reads a chunk; false on a read error.
  bool ReadChunk(Stream& data, size_t& got) {
    got = 0;
    while (got < buffer_.size()) {
      size_t n = data.Read(buffer_.data() + got, buffer_.size() - got);
      if (n == 0) break;
      got += n;
    }
    return !data.Failed();
  }

  // Compresses the stream. The first kProbe bytes are kept as they are too:
  // if the file ends within them, the smaller form is written; if not, a
  // first part that does not shrink makes the whole entry stored.
  Status Pack(Stream& data, uint64_t& packed, uint64_t& original, uint16_t& crc, bool& stored) {
    if (buffer_.empty()) buffer_.resize(kChunk);
    PackedSink sink(out_);
    if (!encoder_) encoder_.reset(new lzh::Lh5Encoder(sink));
    lzh::Lh5Encoder& encoder = *encoder_;
    encoder.Reset(sink);
    std::vector<uint8_t> raw;
    bool more = true;
    size_t got = 0;
    while (raw.size() < kProbe) {
      if (!ReadChunk(data, got)) return kErrorSourceFile;
      if (got == 0) {
        more = false;
        break;
      }
      crc = LzhCrc16(crc, buffer_.data(), got);
      original += got;
      raw.insert(raw.end(), buffer_.data(), buffer_.data() + got);
      encoder.Write(buffer_.data(), got);
    }
    if (!more) {
      encoder.Finish();
      stored = sink.held.size() >= raw.size();
      const std::vector<uint8_t>& chosen = stored ? raw : sink.held;
      packed = chosen.size();
      if (!chosen.empty() && !out_.Write(chosen.data(), chosen.size())) return kErrorWrite;
      return kOk;
    }
    if (encoder.CodedOutput() >= encoder.CodedInput()) {
      // Stored: the bytes kept, then the rest as it comes.
      stored = true;
      if (!out_.Write(raw.data(), raw.size())) return kErrorWrite;
      for (;;) {
        if (!ReadChunk(data, got)) return kErrorSourceFile;
        if (got == 0) break;
        crc = LzhCrc16(crc, buffer_.data(), got);
        original += got;
        if (!out_.Write(buffer_.data(), got)) return kErrorWrite;
      }
      packed = original;
      return kOk;
    }
    raw.clear();
    raw.shrink_to_fit();
    if (!sink.GoDirect()) return kErrorWrite;
    for (;;) {
      if (!ReadChunk(data, got)) return kErrorSourceFile;
      if (got == 0) break;
      crc = LzhCrc16(crc, buffer_.data(), got);
      original += got;
      if (!encoder.Write(buffer_.data(), got)) return kErrorWrite;
    }
    if (!encoder.Finish()) return kErrorWrite;
    packed = encoder.PackedSize();
    return kOk;
  }

  Output& out_;
  bool finished_ = false;
  std::vector<uint8_t> buffer_;
  std::unique_ptr<lzh::Lh5Encoder> encoder_;  // kept from entry to entry with its buffers
  Source* old_ = nullptr;
  std::vector<std::pair<uint64_t, uint64_t>> kept_;  // [header, end of data) of each existing entry
};

}  // namespace

std::unique_ptr<ArchiveWriter> CreateLzhWriter(Output& out) {
  return std::unique_ptr<ArchiveWriter>(new LzhWriter(out));
}

}  // namespace arc
