// Writing ZIP archives, new or updated (entries of an existing one carried
// over as they are), and moving a finished one behind a self-extracting
// program.
//
// Each entry: local header, data, then the CRC and sizes patched into the
// local header (no data descriptors). A file that fits in one input chunk is
// compressed in memory first and written stored when deflate does not make it
// smaller, header and data in one write. A longer file is deflated as it is
// read and stays deflated even if it does not shrink: zlib then emits stored
// blocks, which cost 5 bytes per block of up to 64 KiB, so the growth stays
// below 0.01 % and the input never has to be read twice.
//
// ZIP64: a file announced as nearly 4 GiB or more gets a ZIP64 extra in its
// local header from the start (its classic size fields hold the sentinel and
// the extra the real sizes, whatever they turn out to be). A file announced
// smaller that grows past 4 GiB while it is read is dropped with
// kErrorSourceFile: its bytes stay in the file, unreferenced, and the archive
// remains valid. Offsets of 4 GiB or more and 65,535 or more entries are
// recorded in ZIP64 extras and end records.
#include <zlib.h>

#include <algorithm>
#include <memory>

#include "archivers/core/copy_range.h"
#include "archivers/zip/zip.h"
#include "archivers/zip/zip_internal.h"
#include "archivers/zip/zip_update.h"

namespace arc {

namespace {

using namespace zip;

constexpr size_t kChunk = 256 * 1024;
// From this announced size on the local header reserves ZIP64 sizes; below
// it, deflate cannot push a file that keeps its size past 4 GiB.
constexpr uint64_t kZip64Announced = 0xF0000000u;
// Made by host 0 (MS-DOS/FAT): the one host number for which every reader
// takes the low byte of the external attributes as MS-DOS attributes (NTFS is
// 10 in PKWARE's list but 11 in Info-ZIP's).
constexpr uint16_t kHostDos = 0x0000;

// Reads until n bytes or the end of the stream.
size_t ReadFull(Stream& s, uint8_t* buffer, size_t n) {
  size_t got = 0;
  while (got < n) {
    size_t r = s.Read(buffer + got, n - got);
    if (r == 0) break;
    got += r;
  }
  return got;
}

std::string Join(const std::vector<std::string>& parts, bool folder) {
  std::string name;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) name += '/';
    name += parts[i];
  }
  if (folder) name += '/';
  return name;
}

void PutBytes(std::vector<uint8_t>& v, const std::string& s) { v.insert(v.end(), s.begin(), s.end()); }

class ZipWriter : public ArchiveWriter {
 public:
  ZipWriter(Output& out, int level) : out_(out), level_(std::max(0, std::min(level, 9))) {}
  ~ZipWriter() override {
    if (zReady_) deflateEnd(&z_);
  }
  Status Add(const NewEntry& entry, Stream* data) override;
  Status Finish() override;
  Status ReadExisting(Source& old, std::vector<Entry>& entries) override;
  Status KeepExisting(size_t index) override;

 private:
  struct Pending {
    std::string name;
    std::string extras;  // Unicode Path and time, the same in both headers
    uint32_t dosTime = 0, attributes = 0;
    uint16_t flags = 0;  // bit 11: the name is UTF-8
    bool folder = false;
  };
  Status AddFile(const Pending& p, uint64_t announced, arc::Stream& data);
  Status StreamFile(const Pending& p, bool zip64Local, uint64_t offset, size_t first, arc::Stream& data);
  void PutLocal(std::vector<uint8_t>& v, const Pending& p, uint16_t method, uint32_t crc, uint64_t csize,
                uint64_t usize, bool zip64Local);
  void AddCentral(const Pending& p, uint16_t method, uint32_t crc, uint64_t csize, uint64_t usize, uint64_t offset,
                  bool zip64Local);
  bool Write(const void* data, size_t n) {
    if (!failed_ && !out_.Write(data, n)) failed_ = true;
    return !failed_;
  }

  Output& out_;
  int level_;
  z_stream z_{};
  bool zReady_ = false;
  std::vector<uint8_t> in_, packed_, stage_, cd_;
  uint64_t count_ = 0;
  bool finished_ = false, failed_ = false;
  Source* old_ = nullptr;
  std::vector<KeptEntry> kept_;
};

Status ZipWriter::Add(const NewEntry& entry, arc::Stream* data) {
  if (finished_) return kErrorCommand;
  if (failed_) return kErrorWrite;
  Pending p;
  p.folder = entry.folder;
  // Names go in code page 932 without the UTF-8 flag, so that programs that
  // know nothing else read them as Japanese Windows does; the UTF-8 form
  // rides along in a Unicode Path extra for everyone else. A name code page
  // 932 cannot hold exactly goes in UTF-8 alone, flagged (bit 11).
  const bool utf8Name = !entry.cp932Exact;
  const std::vector<std::string>& parts = utf8Name ? entry.partsUtf8 : entry.partsCp932;
  p.name = Join(parts, entry.folder);
  p.flags = utf8Name ? 0x0800 : 0;
  if (parts.empty() || p.name.empty()) return kErrorCommand;
  if (p.name.size() > 0xFFFF) return kErrorTooLarge;
  std::vector<uint8_t> extras;
  bool ascii = std::all_of(p.name.begin(), p.name.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
  if (!utf8Name && !ascii && !entry.partsUtf8.empty()) {
    std::string utf8 = Join(entry.partsUtf8, entry.folder);
    if (utf8.size() + 9 + 9 + 28 > 0xFFFF) return kErrorTooLarge;  // with time and ZIP64 extras
    PutLe16(extras, kExtraUnicodePath);
    PutLe16(extras, static_cast<uint16_t>(5 + utf8.size()));
    extras.push_back(1);
    PutLe32(extras, Crc32(0, p.name.data(), p.name.size()));
    PutBytes(extras, utf8);
  }
  if (entry.unixTime >= INT32_MIN && entry.unixTime <= INT32_MAX) {
    PutLe16(extras, kExtraUnixTime);
    PutLe16(extras, 5);
    extras.push_back(1);  // modification time only
    PutLe32(extras, static_cast<uint32_t>(static_cast<int32_t>(entry.unixTime)));
  }
  p.extras.assign(extras.begin(), extras.end());
  p.dosTime = entry.dosTime >> 16 ? entry.dosTime : (0x21u << 16);  // no date: 1980-01-01
  p.attributes = entry.folder ? (entry.attributes | 0x10) : entry.attributes;

  if (entry.folder || !data) {
    uint64_t offset = out_.Position();
    stage_.clear();
    PutLocal(stage_, p, 0, 0, 0, 0, false);
    if (!Write(stage_.data(), stage_.size())) return kErrorWrite;
    AddCentral(p, 0, 0, 0, 0, offset, false);
    return kOk;
  }
  return AddFile(p, entry.size, *data);
}

Status ZipWriter::AddFile(const Pending& p, uint64_t announced, arc::Stream& data) {
  if (in_.empty()) in_.resize(kChunk);
  if (level_ > 0 && !zReady_) {
    if (deflateInit2(&z_, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return kErrorWrite;
    zReady_ = true;
    packed_.resize(deflateBound(&z_, kChunk) + 64);
  }
  uint64_t offset = out_.Position();
  size_t got = ReadFull(data, in_.data(), kChunk);
  if (data.Failed()) return kErrorSourceFile;
  if (got == kChunk) return StreamFile(p, announced >= kZip64Announced, offset, got, data);

  // The whole file is in memory: compress it, keep the smaller form.
  uint32_t crc = Crc32(0, in_.data(), got);
  const uint8_t* body = in_.data();
  size_t bodySize = got;
  uint16_t method = 0;
  if (level_ > 0 && got > 0) {
    deflateReset(&z_);
    z_.next_in = in_.data();
    z_.avail_in = static_cast<uInt>(got);
    z_.next_out = packed_.data();
    z_.avail_out = static_cast<uInt>(packed_.size());
    if (deflate(&z_, Z_FINISH) == Z_STREAM_END && z_.total_out < got) {
      body = packed_.data();
      bodySize = z_.total_out;
      method = 8;
    }
  }
  stage_.clear();
  PutLocal(stage_, p, method, crc, bodySize, got, false);
  stage_.insert(stage_.end(), body, body + bodySize);
  if (!Write(stage_.data(), stage_.size())) return kErrorWrite;
  AddCentral(p, method, crc, bodySize, got, offset, false);
  return kOk;
}

// A file longer than one chunk, of which `first` bytes are in in_.
Status ZipWriter::StreamFile(const Pending& p, bool zip64Local, uint64_t offset, size_t first, arc::Stream& data) {
  const uint16_t method = level_ > 0 ? 8 : 0;
  stage_.clear();
  PutLocal(stage_, p, method, 0, 0, 0, zip64Local);
  if (!Write(stage_.data(), stage_.size())) return kErrorWrite;
  const uint64_t limit = zip64Local ? UINT64_MAX : kMax32 - 1;
  uint64_t usize = 0, csize = 0;
  uint32_t crc = 0;
  size_t got = first;
  if (method == 8) deflateReset(&z_);
  for (;;) {
    crc = Crc32(crc, in_.data(), got);
    usize += got;
    if (usize > limit) return kErrorSourceFile;  // grew past what the local header can hold
    if (method == 0) {
      if (got > 0 && !Write(in_.data(), got)) return kErrorWrite;
      csize += got;
    } else {
      z_.next_in = in_.data();
      z_.avail_in = static_cast<uInt>(got);
      int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
      int r;
      do {
        z_.next_out = packed_.data();
        z_.avail_out = static_cast<uInt>(packed_.size());
        r = deflate(&z_, flush);
        if (r == Z_STREAM_ERROR) return kErrorWrite;
        size_t n = packed_.size() - z_.avail_out;
        if (n > 0 && !Write(packed_.data(), n)) return kErrorWrite;
        csize += n;
      } while (z_.avail_out == 0 || (flush == Z_FINISH && r != Z_STREAM_END));
      if (csize > limit) return kErrorSourceFile;
    }
    if (got == 0) break;
    got = ReadFull(data, in_.data(), kChunk);
    if (data.Failed()) return kErrorSourceFile;
  }

  // Patch the CRC and sizes into the local header.
  std::vector<uint8_t> v;
  PutLe32(v, crc);
  if (!out_.WriteAt(offset + 14, v.data(), v.size())) return kErrorWrite;
  v.clear();
  if (zip64Local) {
    PutLe64(v, usize);
    PutLe64(v, csize);
    if (!out_.WriteAt(offset + kLocalSize + p.name.size() + 4, v.data(), v.size())) return kErrorWrite;
  } else {
    PutLe32(v, static_cast<uint32_t>(csize));
    PutLe32(v, static_cast<uint32_t>(usize));
    if (!out_.WriteAt(offset + 18, v.data(), v.size())) return kErrorWrite;
  }
  AddCentral(p, method, crc, csize, usize, offset, zip64Local);
  return kOk;
}

void ZipWriter::PutLocal(std::vector<uint8_t>& v, const Pending& p, uint16_t method, uint32_t crc, uint64_t csize,
                         uint64_t usize, bool zip64Local) {
  PutLe32(v, kLocalSig);
  PutLe16(v, zip64Local ? 45 : 20);
  PutLe16(v, p.flags);
  PutLe16(v, method);
  PutLe32(v, p.dosTime);
  PutLe32(v, crc);
  PutLe32(v, zip64Local ? kMax32 : static_cast<uint32_t>(csize));
  PutLe32(v, zip64Local ? kMax32 : static_cast<uint32_t>(usize));
  PutLe16(v, static_cast<uint16_t>(p.name.size()));
  PutLe16(v, static_cast<uint16_t>(p.extras.size() + (zip64Local ? 20 : 0)));
  PutBytes(v, p.name);
  // A local ZIP64 extra holds both sizes; it comes first so its place is
  // known when the sizes are patched.
  if (zip64Local) PutZip64Extra(v, true, usize, true, csize, false, 0);
  PutBytes(v, p.extras);
}

void ZipWriter::AddCentral(const Pending& p, uint16_t method, uint32_t crc, uint64_t csize, uint64_t usize,
                           uint64_t offset, bool zip64Local) {
  bool bigU = usize >= kMax32, bigC = csize >= kMax32, bigOffset = offset >= kMax32;
  bool zip64 = bigU || bigC || bigOffset;
  uint16_t version = zip64 || zip64Local ? 45 : 20;
  std::vector<uint8_t>& v = cd_;
  PutLe32(v, kCentralSig);
  PutLe16(v, kHostDos | version);
  PutLe16(v, version);
  PutLe16(v, p.flags);
  PutLe16(v, method);
  PutLe32(v, p.dosTime);
  PutLe32(v, crc);
  PutLe32(v, bigC ? kMax32 : static_cast<uint32_t>(csize));
  PutLe32(v, bigU ? kMax32 : static_cast<uint32_t>(usize));
  PutLe16(v, static_cast<uint16_t>(p.name.size()));
  PutLe16(v, static_cast<uint16_t>(p.extras.size() + (zip64 ? 4 + 8 * (bigU + bigC + bigOffset) : 0)));
  PutLe16(v, 0);  // comment
  PutLe16(v, 0);  // disk
  PutLe16(v, 0);  // internal attributes
  PutLe32(v, p.attributes);
  PutLe32(v, bigOffset ? kMax32 : static_cast<uint32_t>(offset));
  PutBytes(v, p.name);
  if (zip64) PutZip64Extra(v, bigU, usize, bigC, csize, bigOffset, offset);
  PutBytes(v, p.extras);
  ++count_;
}

Status ZipWriter::Finish() {
  if (finished_) return kErrorCommand;
  finished_ = true;
  if (failed_) return kErrorWrite;
  uint64_t cdOffset = out_.Position();
  uint64_t cdSize = cd_.size();
  PutEndRecords(cd_, cdOffset + cdSize, count_, cdOffset, cdSize, false, nullptr, 0);
  if (!Write(cd_.data(), cd_.size())) return kErrorWrite;
  std::vector<uint8_t>().swap(cd_);
  return kOk;
}

Status ZipWriter::ReadExisting(Source& old, std::vector<Entry>& entries) {
  kept_.clear();
  old_ = &old;
  return ListExisting(old, entries, kept_);
}

// The entry's bytes go over unchanged (local headers hold no offsets); its
// central header is written again with the new offset.
Status ZipWriter::KeepExisting(size_t index) {
  if (finished_ || !old_ || index >= kept_.size()) return kErrorCommand;
  if (failed_) return kErrorWrite;
  const KeptEntry& k = kept_[index];
  MemorySource stored(k.central);
  DirectoryCursor cursor(stored, 0, k.central.size());
  CentralHeader h;
  if (cursor.Next(h) != kOk) return kErrorDamaged;
  uint64_t offset = out_.Position();
  Status s = CopyRange(*old_, k.start, k.end, out_);
  if (s == kErrorWrite) failed_ = true;
  if (s != kOk) return s;
  s = PutMovedCentral(cd_, h, offset);
  if (s == kOk) ++count_;
  return s;
}

}  // namespace

std::unique_ptr<ArchiveWriter> CreateZipWriter(Output& out, int level) {
  return std::unique_ptr<ArchiveWriter>(new ZipWriter(out, level));
}

// The entries' bytes are copied as they are; the central headers are written
// again with the moved offsets (a ZIP64 extra added where an offset reaches
// 4 GiB), then new end records.
Status CopyZipAfterPrefix(Source& zip, Output& out, uint64_t prefixSize) {
  Directory dir;
  if (!FindDirectory(zip, dir)) return kErrorNotArchive;
  const uint64_t shift = prefixSize + dir.delta;  // from a stored offset to its place in the output
  std::vector<uint8_t> buffer(kChunk);
  for (uint64_t at = 0; at < dir.cdStart;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(dir.cdStart - at, buffer.size()));
    if (zip.ReadAt(at, buffer.data(), n) != n) return kErrorArchiveOpen;
    if (!out.Write(buffer.data(), n)) return kErrorWrite;
    at += n;
  }
  std::vector<uint8_t> v;
  uint64_t entries = 0, cdSize = 0;
  DirectoryCursor cursor(zip, dir.cdStart, dir.cdSize);
  CentralHeader h;
  Status s;
  while ((s = cursor.Next(h)) == kOk) {
    if (h.offset > UINT64_MAX - shift) return kErrorDamaged;
    uint64_t offset = h.offset + shift;
    Status moved = PutMovedCentral(v, h, offset);
    if (moved != kOk) return moved;
    ++entries;
    if (v.size() >= kChunk) {
      if (!out.Write(v.data(), v.size())) return kErrorWrite;
      cdSize += v.size();
      v.clear();
    }
  }
  if (s != kEnd) return s;
  cdSize += v.size();
  std::vector<uint8_t> comment(dir.commentLength + 1);  // never empty: no null buffer to ReadAt
  if (zip.ReadAt(dir.endPos + kEndSize, comment.data(), dir.commentLength) != dir.commentLength)
    return kErrorArchiveOpen;
  uint64_t cdOffset = prefixSize + dir.cdStart;
  PutEndRecords(v, cdOffset + cdSize, entries, cdOffset, cdSize, dir.zip64, comment.data(), dir.commentLength);
  if (!out.Write(v.data(), v.size())) return kErrorWrite;
  return kOk;
}

}  // namespace arc
