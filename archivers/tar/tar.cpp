// The tar reader. It reads the archive strictly front to back, so that a tar
// inside gzip (which cannot seek) is read the same way as a plain one; only
// the skipping of unwanted data differs (a plain tar seeks over it).
#include "archivers/tar/tar.h"
#include "archivers/core/safe_name.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace arc {

namespace {

const size_t kBlock = 512;
const size_t kChunk = 64 * 1024;
const uint64_t kMaxName = 64 * 1024;  // GNU 'L'/'K' data and pax path values
const uint64_t kUnknown = std::numeric_limits<uint64_t>::max();

// ---- archive bytes in order, from a Source or from a gzip stream ----

class Input {
 public:
  explicit Input(Source& source) : source_(&source), size_(source.Size()), buffer_(new uint8_t[kChunk]) {}
  explicit Input(Source& source, int /*gzip*/)
      : sourceStream_(new SourceStream(source)), gzip_(new GzipStream(*sourceStream_)), buffer_(new uint8_t[kChunk]) {}

  // Reads n bytes; fewer only at the end or on an error (see Failed/Error).
  size_t Read(void* destination, size_t n) {
    uint8_t* out = static_cast<uint8_t*>(destination);
    size_t done = std::min(n, len_ - pos_);
    memcpy(out, buffer_.get() + pos_, done);
    pos_ += done;
    while (done < n) {
      size_t left = n - done;
      if (left >= kChunk) {  // large reads bypass the buffer
        size_t got = Raw(out + done, left);
        done += got;
        if (got < left) break;
      } else {
        pos_ = 0;
        len_ = Raw(buffer_.get(), kChunk);
        if (len_ == 0) break;
        size_t take = std::min(left, len_);
        memcpy(out + done, buffer_.get(), take);
        pos_ = take;
        done += take;
      }
    }
    return done;
  }

  // Skips n bytes: a plain tar moves its offset, a gzip stream decodes and
  // discards. Returns the bytes skipped.
  uint64_t Skip(uint64_t n) {
    uint64_t done = std::min<uint64_t>(n, len_ - pos_);
    pos_ += static_cast<size_t>(done);
    if (done == n) return done;
    pos_ = len_ = 0;
    if (source_) {
      uint64_t step = std::min(n - done, size_ - offset_);
      offset_ += step;
      return done + step;
    }
    while (done < n) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(n - done, kChunk));
      size_t got = gzip_->Read(buffer_.get(), want);
      done += got;
      if (got < want) break;
    }
    return done;
  }

  // Bytes the archive still holds, when known.
  uint64_t Remaining() const { return source_ ? size_ - Position() : kUnknown; }
  uint64_t Position() const {
    return source_ ? offset_ - (len_ - pos_) : gzip_->CompressedPosition();
  }
  bool Failed() const { return readFailed_ || (gzip_ && gzip_->Failed()); }
  // What a short read means.
  Status Error() const {
    if (gzip_ && gzip_->Failed()) return gzip_->error();
    return readFailed_ ? kErrorArchiveOpen : kErrorDamaged;
  }
  bool compressed() const { return gzip_ != nullptr; }

 private:
  size_t Raw(uint8_t* out, size_t n) {
    if (!source_) return gzip_->Read(out, n);
    size_t got = offset_ < size_ ? source_->ReadAt(offset_, out, static_cast<size_t>(std::min<uint64_t>(n, size_ - offset_))) : 0;
    offset_ += got;
    if (got < n && offset_ < size_) readFailed_ = true;
    return got;
  }

  Source* source_ = nullptr;
  uint64_t size_ = 0, offset_ = 0;
  bool readFailed_ = false;
  std::unique_ptr<SourceStream> sourceStream_;
  std::unique_ptr<GzipStream> gzip_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t pos_ = 0, len_ = 0;
};

// ---- header fields ----

bool AllZero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (p[i]) return false;
  }
  return true;
}

std::string Field(const uint8_t* p, size_t n) {
  size_t len = 0;
  while (len < n && p[len]) ++len;
  return std::string(reinterpret_cast<const char*>(p), len);
}

// A numeric field: ASCII octal (leading spaces, ended by NUL or space), or
// base-256 two's complement when the first byte has bit 7 set.
bool ParseNumber(const uint8_t* p, size_t n, int64_t& value) {
  if (p[0] & 0x80) {
    bool negative = (p[0] & 0x40) != 0;
    uint64_t v = static_cast<uint8_t>(negative ? ~p[0] : p[0]) & 0x3F;
    for (size_t i = 1; i < n; ++i) {
      if (v > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) >> 8)) return false;
      v = (v << 8) | static_cast<uint8_t>(negative ? ~p[i] : p[i]);
    }
    value = negative ? -static_cast<int64_t>(v) - 1 : static_cast<int64_t>(v);
    return true;
  }
  size_t i = 0;
  while (i < n && p[i] == ' ') ++i;
  uint64_t v = 0;
  for (; i < n && p[i] >= '0' && p[i] <= '7'; ++i) v = (v << 3) | (p[i] - '0');  // at most 36 bits
  if (i < n && p[i] != ' ' && p[i] != 0) return false;
  value = static_cast<int64_t>(v);
  return true;
}

// The stored checksum against the sum of the block with its own field read as
// spaces, summed as unsigned bytes (the standard) or signed (old tars).
bool ChecksumOk(const uint8_t* h) {
  int64_t stored = 0;
  if (!ParseNumber(h + 148, 8, stored) || (h[148] & 0x80)) return false;
  int64_t sum = 0, signedSum = 0;
  for (size_t i = 0; i < kBlock; ++i) {
    uint8_t c = (i >= 148 && i < 156) ? ' ' : h[i];
    sum += c;
    signedSum += static_cast<int8_t>(c);
  }
  return stored == sum || stored == signedSum;
}

bool IsHeader(const uint8_t* h) { return !AllZero(h, kBlock) && ChecksumOk(h); }

bool ValidUtf8(const std::string& s, bool& nonAscii) {
  return IsValidUtf8(reinterpret_cast<const uint8_t*>(s.data()), s.size(), nonAscii);
}

// UTF-8 only when the bytes are UTF-8 and not plain ASCII; anything else is
// taken for code page 932, as archives from Japanese Windows are.
NameCharset CharsetOf(const std::string& name, const std::string& link) {
  bool nameNonAscii = false, linkNonAscii = false;
  if (!ValidUtf8(name, nameNonAscii)) return NameCharset::Cp932;
  if (nameNonAscii) return NameCharset::Utf8;
  return ValidUtf8(link, linkNonAscii) && linkNonAscii ? NameCharset::Utf8 : NameCharset::Cp932;
}

// ---- pax extended headers ----

struct PaxValue {
  enum State { Unset, Set, Deleted } state = Unset;
  std::string text;
  int64_t number = 0;
};

struct PaxFields {
  PaxValue path, linkpath, size, mtime;
  bool sparse = false;  // GNU.sparse.*: the data is a sparse map, not the file
  void Clear() { *this = PaxFields(); }
};

// Which value to use: this entry's, the global one, or none.
const PaxValue* Pick(const PaxValue& local, const PaxValue& global) {
  if (local.state == PaxValue::Set) return &local;
  if (local.state == PaxValue::Deleted) return nullptr;
  return global.state == PaxValue::Set ? &global : nullptr;
}

bool ParseDecimal(const std::string& s, int64_t& value, bool allowSignAndFraction) {
  size_t i = 0;
  bool negative = false;
  if (allowSignAndFraction && i < s.size() && s[i] == '-') negative = true, ++i;
  size_t digitsStart = i;
  uint64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - (s[i] - '0')) / 10) return false;
    v = v * 10 + (s[i] - '0');
  }
  if (i == digitsStart) return false;
  bool fraction = false;
  if (allowSignAndFraction && i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      if (s[i] != '0') fraction = true;
    }
  }
  if (i != s.size()) return false;
  value = static_cast<int64_t>(v);
  if (negative) value = fraction ? -value - 1 : -value;  // whole seconds, rounded down
  return true;
}

// ---- the tar reader ----

class TarReader : public ArchiveReader {
 public:
  explicit TarReader(std::unique_ptr<Input> input) : in_(std::move(input)), buffer_(new uint8_t[kChunk]) {}

  Status Next(Entry& entry) override;
  Status Extract(Sink& sink) override;
  uint64_t Position() const override { return in_->Position(); }

 private:
  Status Die(Status status) {
    dead_ = true;
    return status;
  }
  Status ReadEnd();
  bool SkipData();
  Status ReadLongName(uint64_t size, std::string& name);
  Status ReadPax(uint64_t size, PaxFields& fields);
  bool ReadByte(uint8_t& c, uint64_t& left) {
    if (left == 0 || in_->Read(&c, 1) != 1) return false;
    --left;
    return true;
  }

  std::unique_ptr<Input> in_;
  std::unique_ptr<uint8_t[]> buffer_;
  bool dead_ = false, ended_ = false;
  bool paxSeen_ = false;
  uint64_t dataLeft_ = 0, padLeft_ = 0;
  PaxFields global_;
};

bool TarReader::SkipData() {
  uint64_t n = dataLeft_ + padLeft_;
  dataLeft_ = padLeft_ = 0;
  return in_->Skip(n) == n;
}

// End of the archive. Inside gzip, the rest of the stream is decoded too, so
// that its CRC and length are checked.
Status TarReader::ReadEnd() {
  ended_ = true;
  if (in_->compressed()) {
    in_->Skip(kUnknown);
    if (in_->Failed()) return Die(in_->Error());
  }
  return kEnd;
}

Status TarReader::ReadLongName(uint64_t size, std::string& name) {
  if (size > kMaxName + 1 || size > in_->Remaining()) return kErrorDamaged;
  std::string data(static_cast<size_t>(size), '\0');
  if (in_->Read(&data[0], data.size()) != data.size()) return in_->Error();
  uint64_t pad = (kBlock - size % kBlock) % kBlock;
  if (in_->Skip(pad) != pad) return in_->Error();
  name.assign(data.c_str());  // up to the first NUL
  return kOk;
}

// Records "<length> <key>=<value>\n", the length counting the whole record.
// Values other than the few used here are skipped without being stored.
Status TarReader::ReadPax(uint64_t size, PaxFields& fields) {
  if (size > in_->Remaining()) return kErrorDamaged;
  uint64_t left = size;
  uint8_t c = 0;
  while (left > 0) {
    uint64_t recordLeft = left;
    uint64_t length = 0;
    int digits = 0;
    if (!ReadByte(c, left)) return in_->Error();
    if (c == 0) {
      // NUL padding after the last record.
      if (in_->Skip(left) != left) return in_->Error();
      left = 0;
      break;
    }
    while (c >= '0' && c <= '9') {
      if (++digits > 18) return kErrorDamaged;
      length = length * 10 + (c - '0');
      if (!ReadByte(c, left)) return left ? in_->Error() : kErrorDamaged;
    }
    uint64_t head = digits + 1;
    // At least "k=\n" after the length and its space, and inside this header.
    if (digits == 0 || c != ' ' || length < head + 3 || length > recordLeft) return kErrorDamaged;
    uint64_t body = length - head;
    std::string key;
    uint64_t keyLength = 0;
    for (;;) {
      if (body < 2 || !ReadByte(c, left)) return body < 2 ? kErrorDamaged : in_->Error();
      --body;
      if (c == '=') break;
      if (++keyLength <= 64) key.push_back(static_cast<char>(c));
    }
    if (keyLength == 0) return kErrorDamaged;
    if (keyLength > 64) key.clear();  // no key of interest is this long
    uint64_t valueLength = body - 1;
    PaxValue* target = nullptr;
    bool number = false;
    if (key == "path" || key == "GNU.sparse.name") target = &fields.path;
    else if (key == "linkpath") target = &fields.linkpath;
    else if (key == "size") target = &fields.size, number = true;
    else if (key == "mtime") target = &fields.mtime, number = true;
    if (key.compare(0, 11, "GNU.sparse.") == 0) fields.sparse = true;
    if (target && valueLength > (number ? 64 : kMaxName)) {
      if (key != "mtime") return kErrorDamaged;
      target = nullptr;  // an unreadable time is only left out
    }
    if (target) {
      std::string value(static_cast<size_t>(valueLength), '\0');
      if (valueLength && in_->Read(&value[0], value.size()) != value.size()) return in_->Error();
      left -= valueLength;
      if (value.empty()) {
        target->state = PaxValue::Deleted;
      } else if (number) {
        int64_t v = 0;
        if (ParseDecimal(value, v, target == &fields.mtime)) {
          target->state = PaxValue::Set;
          target->number = v;
        } else if (target == &fields.size) {
          return kErrorDamaged;
        }
      } else {
        target->state = PaxValue::Set;
        target->text.swap(value);
      }
    } else {
      if (in_->Skip(valueLength) != valueLength) return in_->Error();
      left -= valueLength;
    }
    if (!ReadByte(c, left)) return in_->Error();
    if (c != '\n') return kErrorDamaged;
  }
  uint64_t pad = (kBlock - size % kBlock) % kBlock;
  if (in_->Skip(pad) != pad) return in_->Error();
  return kOk;
}

Status TarReader::Next(Entry& entry) {
  if (dead_) return kErrorDamaged;
  if (ended_) return kEnd;
  if (!SkipData()) return Die(in_->Error());
  std::string longName, longLink;
  bool hasLongName = false, hasLongLink = false;
  PaxFields local;
  uint8_t h[kBlock];
  for (;;) {
    size_t got = in_->Read(h, kBlock);
    if (got == 0) return in_->Failed() ? Die(in_->Error()) : ReadEnd();  // no end blocks
    if (got < kBlock) return Die(in_->Error());
    if (AllZero(h, kBlock)) {
      // Normally a second zero block follows; a lone one at the end or one
      // followed by anything also ends the archive, as GNU tar takes it.
      got = in_->Read(h, kBlock);
      if (got == 0 && in_->Failed()) return Die(in_->Error());
      return ReadEnd();
    }
    if (!ChecksumOk(h)) return Die(kErrorDamaged);
    int64_t headerSize = 0;
    if (!ParseNumber(h + 124, 12, headerSize) || headerSize < 0) return Die(kErrorDamaged);
    uint64_t size = static_cast<uint64_t>(headerSize);
    char type = static_cast<char>(h[156]);
    Status s = kOk;
    switch (type) {
      case 'L':
        s = ReadLongName(size, longName);
        hasLongName = true;
        break;
      case 'K':
        s = ReadLongName(size, longLink);
        hasLongLink = true;
        break;
      case 'x':
      case 'X':  // Solaris' name for the same records
        s = ReadPax(size, local);
        paxSeen_ = true;
        break;
      case 'g':
        s = ReadPax(size, global_);
        paxSeen_ = true;
        break;
      default:
        break;
    }
    if (s != kOk) return Die(s);
    if (type == 'L' || type == 'K' || type == 'x' || type == 'X' || type == 'g') continue;

    const PaxValue* paxSize = Pick(local.size, global_.size);
    if (paxSize) size = static_cast<uint64_t>(paxSize->number);

    // Which types carry data: none for links, devices, FIFOs and folders
    // (their size field may hold something else); a hard link only in a pax
    // archive, where a writer may store the data with it.
    uint64_t dataSize = size;
    if (type == '2' || type == '3' || type == '4' || type == '5' || type == '6' || (type == '1' && !paxSeen_))
      dataSize = 0;
    // Data beyond the end of a plain tar: the archive is cut or the size
    // field is wrong; either way nothing after it can be found.
    if (dataSize > in_->Remaining()) return Die(kErrorDamaged);
    dataLeft_ = dataSize;
    padLeft_ = (kBlock - dataSize % kBlock) % kBlock;

    // Old GNU sparse files: when the header's map overflows, blocks with the
    // rest of it follow the header, each saying whether another follows.
    if (type == 'S' && memcmp(h + 257, "ustar  \0", 8) == 0 && h[482]) {
      uint8_t more[kBlock];
      do {
        if (in_->Read(more, kBlock) != kBlock) return Die(in_->Error());
      } while (more[504]);
    }

    if (type == 'V' || type == 'N') {  // volume label, old GNU name records
      if (!SkipData()) return Die(in_->Error());
      hasLongName = hasLongLink = false;
      local.Clear();
      continue;
    }

    std::string name;
    const PaxValue* paxPath = Pick(local.path, global_.path);
    bool posix = memcmp(h + 257, "ustar\0", 6) == 0;
    if (paxPath) {
      name = paxPath->text;
    } else if (hasLongName) {
      name = longName;
    } else {
      name = Field(h, 100);
      if (posix) {
        // star keeps times at the end of the prefix field and marks it "tar".
        std::string prefix = Field(h + 345, memcmp(h + 508, "tar\0", 4) == 0 ? 131 : 155);
        if (!prefix.empty()) name = prefix + "/" + name;
      }
    }
    const PaxValue* paxLink = Pick(local.linkpath, global_.linkpath);
    std::string link = paxLink ? paxLink->text : hasLongLink ? longLink : Field(h + 157, 100);

    entry = Entry();
    switch (type) {
      case '0':
      case '\0':
        entry.kind = !name.empty() && name.back() == '/' ? EntryKind::Folder : EntryKind::File;
        break;
      case '1':
        entry.kind = EntryKind::Link;
        entry.hardLink = true;
        break;
      case '2':
        entry.kind = EntryKind::Link;
        break;
      case '5':
      case 'D':  // GNU dump folder: its data lists the contents
        entry.kind = EntryKind::Folder;
        break;
      case '3':
      case '4':
      case '6':
      case 'S':  // GNU sparse file: the data is not the file's bytes
      case 'M':  // continuation of a file from another volume
      case 'A':  // Solaris ACL and extended attribute records
      case 'E':
        entry.kind = EntryKind::Other;
        break;
      default:  // '7' and unknown types: a regular file, as POSIX says
        entry.kind = EntryKind::File;
        break;
    }
    if (local.sparse || global_.sparse) entry.kind = EntryKind::Other;
    entry.name.swap(name);
    if (entry.kind == EntryKind::Link) entry.linkTarget.swap(link);
    entry.charset = CharsetOf(entry.name, entry.linkTarget);
    entry.size = entry.kind == EntryKind::Folder ? 0 : dataSize;
    const PaxValue* paxTime = Pick(local.mtime, global_.mtime);
    int64_t mtime = 0;
    if (paxTime) {
      entry.hasUnixTime = true;
      entry.unixTime = paxTime->number;
    } else if (ParseNumber(h + 136, 12, mtime)) {
      entry.hasUnixTime = true;
      entry.unixTime = mtime;
    }
    int64_t mode = 0;
    if (entry.kind == EntryKind::Folder) {
      entry.attributes = 0x10;
    } else if (ParseNumber(h + 100, 8, mode)) {
      entry.attributes = (mode & 0200) ? 0x20 : 0x21;  // no owner write: read-only
    }
    return kOk;
  }
}

Status TarReader::Extract(Sink& sink) {
  if (dead_ || ended_) return kErrorDamaged;
  if (dataLeft_ > in_->Remaining()) return Die(kErrorDamaged);  // cut short: fail before writing
  while (dataLeft_ > 0) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(dataLeft_, kChunk));
    size_t got = in_->Read(buffer_.get(), want);
    dataLeft_ -= got;
    if (got && !sink.Write(buffer_.get(), got)) return kErrorWrite;
    if (got < want) return Die(in_->Error());
  }
  return kOk;
}

// ---- a single gzip file ----

// The last part of a stored path; a '\' inside a code page 932 character is
// not a separator.
std::string LastPart(const std::string& path, bool cp932) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    uint8_t c = static_cast<uint8_t>(path[i]);
    if (cp932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))) {
      ++i;
      continue;
    }
    if (c == '/' || c == '\\') start = i + 1;
  }
  return path.substr(std::min(start, path.size()));
}

class GzipFileReader : public ArchiveReader {
 public:
  GzipFileReader(Source& source, const std::string& fallbackName)
      : source_(source), stream_(source), gzip_(stream_), fallback_(fallbackName) {}

  Status Open() { return gzip_.Start(); }

  Status Next(Entry& entry) override {
    if (state_ != Before) return kEnd;
    state_ = Current;
    entry = Entry();
    std::string name;
    if (gzip_.hasName()) {
      bool nonAscii = false;
      bool utf8 = ValidUtf8(gzip_.name(), nonAscii) && nonAscii;
      name = LastPart(gzip_.name(), !utf8);
      entry.charset = utf8 ? NameCharset::Utf8 : NameCharset::Cp932;
    }
    if (name.empty() || name == "." || name == "..") {
      name = fallback_;
      bool nonAscii = false;
      entry.charset = ValidUtf8(name, nonAscii) && nonAscii ? NameCharset::Utf8 : NameCharset::Cp932;
    }
    entry.name = name;
    entry.kind = EntryKind::File;
    // The last member's length, as gzip -l shows it (only a hint: it is
    // modulo 4 GiB and leaves out earlier members).
    uint8_t t[4];
    if (source_.Size() >= 18 + 8 && source_.ReadAt(source_.Size() - 4, t, 4) == 4) entry.size = Le32(t);
    if (gzip_.mtime()) {
      entry.hasUnixTime = true;
      entry.unixTime = gzip_.mtime();
    }
    entry.attributes = 0x20;
    return kOk;
  }

  Status Extract(Sink& sink) override {
    if (state_ != Current) return kErrorDamaged;
    state_ = Done;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
    for (;;) {
      size_t got = gzip_.Read(buffer.get(), kChunk);
      if (got && !sink.Write(buffer.get(), got)) return kErrorWrite;
      if (got < kChunk) break;
    }
    return gzip_.error();
  }

  uint64_t Position() const override { return gzip_.CompressedPosition(); }

 private:
  enum { Before, Current, Done } state_ = Before;
  Source& source_;
  SourceStream stream_;
  GzipStream gzip_;
  std::string fallback_;
};

}  // namespace

TarKind DetectTar(Source& source) {
  uint8_t head[kBlock];
  size_t got = source.ReadAt(0, head, kBlock);
  if (got >= 3 && head[0] == 0x1F && head[1] == 0x8B && head[2] == 8) {
    SourceStream stream(source);
    GzipStream gzip(stream);
    if (gzip.Start() != kOk) return TarKind::None;
    size_t n = gzip.Read(head, kBlock);
    return n == kBlock && IsHeader(head) ? TarKind::TarGzip : TarKind::Gzip;
  }
  return got == kBlock && IsHeader(head) ? TarKind::Tar : TarKind::None;
}

std::unique_ptr<ArchiveReader> OpenTar(Source& source, const std::string& fallbackName, Status* error) {
  Status dummy;
  if (!error) error = &dummy;
  *error = kOk;
  switch (DetectTar(source)) {
    case TarKind::Tar:
      return std::unique_ptr<ArchiveReader>(new TarReader(std::unique_ptr<Input>(new Input(source))));
    case TarKind::TarGzip:
      return std::unique_ptr<ArchiveReader>(new TarReader(std::unique_ptr<Input>(new Input(source, 1))));
    case TarKind::Gzip: {
      std::unique_ptr<GzipFileReader> reader(new GzipFileReader(source, fallbackName));
      *error = reader->Open();
      if (*error != kOk) return nullptr;
      return std::unique_ptr<ArchiveReader>(reader.release());
    }
    case TarKind::None:
      break;
  }
  // A gzip signature with a header that cannot be read: say what is wrong.
  uint8_t head[2];
  if (source.ReadAt(0, head, 2) == 2 && head[0] == 0x1F && head[1] == 0x8B) {
    SourceStream stream(source);
    GzipStream gzip(stream);
    *error = gzip.Start();
    if (*error != kOk) return nullptr;
  }
  *error = kErrorNotArchive;
  return nullptr;
}

}  // namespace arc
