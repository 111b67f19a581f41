// Reading ZIP archives through the central directory.
//
// Entries are listed in the directory's order; their data is found through
// the local headers. The directory is read twice, front to back through a
// fixed window: once on opening, to check every header and learn where each
// entry's bytes may end, once while listing.
//
// Overlapping entries (several directory entries sharing compressed bytes,
// the trick behind non-recursive zip bombs) are refused: an entry's local
// header and data must end before the next local header in file order (or
// the directory). Extract reports a violation as kErrorDamaged, which ends
// the work on the archive. So does Next at a directory entry whose offset or
// size points outside the file: the entries before it are read as usual.
#include <zlib.h>

#include <algorithm>
#include <memory>

#include "archivers/zip/zip.h"
#include "archivers/zip/zip_internal.h"

namespace arc {

namespace {

using namespace zip;

constexpr size_t kInChunk = 64 * 1024;
constexpr size_t kOutChunk = 128 * 1024;
constexpr uint64_t kMaxLinkTarget = 4096;

// Hosts whose external attributes carry MS-DOS attributes in the low byte:
// MS-DOS/FAT, OS/2 HPFS, NTFS (10 in PKWARE's list, 11 in Info-ZIP's), VFAT.
bool DosHost(uint8_t host) { return host == 0 || host == 6 || host == 10 || host == 11 || host == 14; }
constexpr uint8_t kHostUnix = 3;

class StringSink : public Sink {
 public:
  bool Write(const void* data, size_t n) override {
    text.append(static_cast<const char*>(data), n);
    return true;
  }
  std::string text;
};

class ZipReader : public ArchiveReader {
 public:
  ZipReader(Source& source, const Directory& dir) : source_(source), dir_(dir) {}
  ~ZipReader() override {
    if (zReady_) inflateEnd(&z_);
  }

  Status Open();
  Status Next(Entry& entry) override;
  Status Extract(Sink& sink) override;
  uint64_t Position() const override { return position_; }

 private:
  struct Current {
    uint16_t flags = 0, method = 0;
    uint32_t crc = 0;
    uint64_t csize = 0, usize = 0, offset = 0, limit = 0;
    EntryKind kind = EntryKind::File;
  };
  Status Decode(Sink& sink);
  Status Stored(uint64_t from, Sink& sink);
  Status Inflated(uint64_t from, Sink& sink);

  Source& source_;
  Directory dir_;
  std::unique_ptr<DirectoryCursor> cursor_;
  std::vector<uint64_t> limits_;  // per entry in directory order: where its bytes must end
  uint64_t count_ = 0, index_ = 0;
  bool damaged_ = false;  // the directory breaks off after count_ entries
  bool have_ = false;
  Current cur_;
  Status linkStatus_ = kOk;
  z_stream z_{};
  bool zReady_ = false;
  std::vector<uint8_t> in_, out_;
  uint64_t position_ = 0;
};

Status ZipReader::Open() {
  const uint64_t size = source_.Size();
  std::vector<std::pair<uint64_t, uint64_t>> offsets;  // local header, directory index
  DirectoryCursor cursor(source_, dir_.cdStart, dir_.cdSize);
  CentralHeader h;
  Status s;
  while ((s = cursor.Next(h)) == kOk) {
    // Every entry must fit in the file as declared: its local header, then
    // its compressed bytes. The entries before one that does not are still
    // listed; the damage is reported where it is.
    uint64_t local = h.offset + dir_.delta;
    if (h.offset > size || dir_.delta > size - h.offset || size - local < kLocalSize ||
        h.csize > size - local - kLocalSize) {
      s = kErrorDamaged;
      break;
    }
    offsets.emplace_back(local, offsets.size());
  }
  count_ = offsets.size();
  // Writers without ZIP64 wrap the count beyond 65,535 entries.
  if (s == kEnd && count_ != dir_.entries &&
      (dir_.zip64 || dir_.entries > kMax16 || count_ % 65536 != dir_.entries))
    s = kErrorDamaged;
  damaged_ = s != kEnd;
  std::sort(offsets.begin(), offsets.end());
  limits_.assign(count_, 0);
  for (size_t k = 0; k < offsets.size(); ++k) {
    uint64_t at = offsets[k].first;
    uint64_t limit = k + 1 < offsets.size() ? offsets[k + 1].first : size;
    if (dir_.cdStart > at) limit = std::min(limit, dir_.cdStart);
    if (k > 0 && offsets[k - 1].first == at) limit = at;  // two entries on one local header
    limits_[offsets[k].second] = limit;
  }
  if (inflateInit2(&z_, -MAX_WBITS) != Z_OK) return kErrorDamaged;
  zReady_ = true;
  cursor_.reset(new DirectoryCursor(source_, dir_.cdStart, dir_.cdSize));
  return kOk;
}

Status ZipReader::Next(Entry& entry) {
  have_ = false;
  if (index_ >= count_) {
    if (damaged_) return kErrorDamaged;
    position_ = source_.Size();
    return kEnd;
  }
  CentralHeader h;
  if (cursor_->Next(h) != kOk) return kErrorDamaged;  // the file changed since it was opened
  entry = Entry();
  cur_ = Current();
  cur_.flags = h.flags;
  cur_.method = h.method;
  cur_.crc = h.crc;
  cur_.csize = h.csize;
  cur_.usize = h.usize;
  cur_.offset = h.offset + dir_.delta;
  cur_.limit = limits_[index_];
  ++index_;
  position_ = cur_.offset;

  // Names: UTF-8 when flagged; else a Unicode Path extra whose CRC matches
  // the stored name; else UTF-8 when the bytes are UTF-8 beyond ASCII (Unix
  // and macOS tools leave the flag out); else the creator's code page, taken
  // to be 932. Code page 932 text is rarely valid UTF-8 with multi-byte
  // sequences, as its lead bytes run into the UTF-8 continuation range.
  entry.name.assign(reinterpret_cast<const char*>(h.name), h.nameLength);
  const uint8_t* x;
  size_t xn;
  if (h.flags & 0x0800) {
    entry.charset = NameCharset::Utf8;
  } else if (FindExtra(h.extra, h.extraLength, kExtraUnicodePath, &x, &xn) && xn > 5 && x[0] == 1 &&
             Le32(x + 1) == Crc32(0, h.name, h.nameLength)) {
    entry.name.assign(reinterpret_cast<const char*>(x + 5), xn - 5);
    entry.charset = NameCharset::Utf8;
  } else if (LooksUtf8(h.name, h.nameLength)) {
    entry.charset = NameCharset::Utf8;
  }

  entry.size = h.usize;
  entry.hasDosTime = true;
  entry.dosTime = h.dosTime;
  if (FindExtra(h.extra, h.extraLength, kExtraUnixTime, &x, &xn) && xn >= 5 && (x[0] & 1)) {
    entry.hasUnixTime = true;
    entry.unixTime = static_cast<int32_t>(Le32(x + 1));
  } else if (FindExtra(h.extra, h.extraLength, kExtraNtfs, &x, &xn) && xn >= 32 && Le16(x + 4) == 1 &&
             Le16(x + 6) >= 24) {
    // NTFS times (7-Zip): 100 ns units since 1601.
    entry.hasUnixTime = true;
    entry.unixTime = static_cast<int64_t>(Le64(x + 8) / 10000000) - 11644473600LL;
  }

  // Attributes: the low byte of the external attributes from hosts that
  // keep MS-DOS attributes there; from Unix hosts, read-only when the owner
  // may not write; from others nothing. Folders always carry 0x10.
  uint8_t host = static_cast<uint8_t>(h.madeBy >> 8);
  uint32_t mode = h.external >> 16;
  if (DosHost(host)) {
    entry.attributes = h.external & 0xFF;
  } else if (host == kHostUnix && mode != 0 && !(mode & 0200)) {
    entry.attributes = 0x01;
  }
  uint32_t type = host == kHostUnix ? (mode & 0170000) : 0;
  if (!entry.name.empty() && entry.name.back() == '/') {
    entry.kind = EntryKind::Folder;
  } else if (type == 0120000) {
    entry.kind = EntryKind::Link;
  } else if (type == 0040000) {
    entry.kind = EntryKind::Folder;
  } else if (type != 0 && type != 0100000) {
    entry.kind = EntryKind::Other;
  }
  if (entry.kind == EntryKind::Folder) entry.attributes |= 0x10;
  cur_.kind = entry.kind;
  have_ = true;

  // A link's data is its target: read it now, when it is of a sane length.
  linkStatus_ = kOk;
  if (entry.kind == EntryKind::Link) {
    if (h.usize > kMaxLinkTarget || (h.method == 0 && h.csize > kMaxLinkTarget)) {
      linkStatus_ = kErrorLink;
    } else {
      StringSink target;
      linkStatus_ = Decode(target);
      if (linkStatus_ == kOk) entry.linkTarget = target.text;
      if (IsFatal(linkStatus_)) return linkStatus_;
    }
  }
  return kOk;
}

Status ZipReader::Extract(Sink& sink) {
  if (!have_) return kErrorCommand;
  if (cur_.kind == EntryKind::Folder) return kOk;
  if (linkStatus_ != kOk) return linkStatus_;
  return Decode(sink);
}

Status ZipReader::Decode(Sink& sink) {
  if (cur_.flags & 0x0001) return kErrorEncrypted;
  if (cur_.method != 0 && cur_.method != 8) return kErrorMethod;
  // The local header must be one, and it and the data must end before the
  // next entry's local header (overlapping entries) and inside the file.
  uint8_t local[kLocalSize];
  if (cur_.limit < cur_.offset || cur_.limit - cur_.offset < kLocalSize ||
      source_.ReadAt(cur_.offset, local, kLocalSize) != kLocalSize || Le32(local) != kLocalSig)
    return kErrorDamaged;
  uint64_t room = cur_.limit - cur_.offset - kLocalSize;
  uint64_t head = static_cast<uint64_t>(Le16(local + 26)) + Le16(local + 28);
  if (head > room || cur_.csize > room - head) return kErrorDamaged;
  uint64_t from = cur_.offset + kLocalSize + head;
  if (out_.empty()) {
    in_.resize(kInChunk);
    out_.resize(kOutChunk);
  }
  return cur_.method == 0 ? Stored(from, sink) : Inflated(from, sink);
}

Status ZipReader::Stored(uint64_t from, Sink& sink) {
  if (cur_.csize != cur_.usize) return kErrorCrc;
  uint32_t crc = 0;
  uint64_t left = cur_.csize;
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(left, out_.size()));
    if (source_.ReadAt(from, out_.data(), n) != n) return kErrorDamaged;
    crc = Crc32(crc, out_.data(), n);
    if (!sink.Write(out_.data(), n)) return kErrorWrite;
    from += n;
    left -= n;
    position_ = from;
  }
  return crc == cur_.crc ? kOk : kErrorCrc;
}

Status ZipReader::Inflated(uint64_t from, Sink& sink) {
  if (inflateReset(&z_) != Z_OK) return kErrorDamaged;
  z_.avail_in = 0;
  uint64_t left = cur_.csize, produced = 0;
  uint32_t crc = 0;
  for (;;) {
    if (z_.avail_in == 0 && left > 0) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(left, in_.size()));
      if (source_.ReadAt(from, in_.data(), n) != n) return kErrorDamaged;
      from += n;
      left -= n;
      position_ = from;
      z_.next_in = in_.data();
      z_.avail_in = static_cast<uInt>(n);
    }
    z_.next_out = out_.data();
    z_.avail_out = static_cast<uInt>(out_.size());
    int r = inflate(&z_, Z_NO_FLUSH);
    size_t got = out_.size() - z_.avail_out;
    if (got > 0) {
      if (got > cur_.usize - produced) return kErrorCrc;  // more than declared
      crc = Crc32(crc, out_.data(), got);
      if (!sink.Write(out_.data(), got)) return kErrorWrite;
      produced += got;
    }
    if (r == Z_STREAM_END) break;
    if (r == Z_OK) continue;
    // No progress possible: the compressed bytes ran out before the end of
    // the stream, or the stream is broken.
    return kErrorCrc;
  }
  if (produced != cur_.usize || crc != cur_.crc) return kErrorCrc;
  return kOk;
}

}  // namespace

bool IsZipArchive(Source& source) {
  Directory dir;
  return FindDirectory(source, dir);
}

std::unique_ptr<ArchiveReader> OpenZip(Source& source, Status* error) {
  Directory dir;
  if (!FindDirectory(source, dir)) {
    if (error) *error = kErrorNotArchive;
    return nullptr;
  }
  std::unique_ptr<ZipReader> reader(new ZipReader(source, dir));
  Status s = reader->Open();
  if (s != kOk) {
    if (error) *error = s;
    return nullptr;
  }
  if (error) *error = kOk;
  return reader;
}

}  // namespace arc
