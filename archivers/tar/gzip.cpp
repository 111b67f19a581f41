// gzip members (RFC 1952) decoded with zlib's raw inflate; the header and
// trailer are read here so that a wrong CRC is told apart from damage.
#include <zlib.h>

#include <algorithm>

#include "archivers/tar/tar.h"

namespace arc {

namespace {

const size_t kInputChunk = 64 * 1024;
const size_t kMaxStoredName = 64 * 1024;

enum : uint8_t { kFText = 0x01, kFHcrc = 0x02, kFExtra = 0x04, kFName = 0x08, kFComment = 0x10 };

}  // namespace

struct GzipStream::Inflater {
  z_stream z = {};
  bool ready = false;
  Inflater() { ready = inflateInit2(&z, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (ready) inflateEnd(&z);
  }
};

GzipStream::GzipStream(Stream& input)
    : input_(input), inflater_(new Inflater), in_(new uint8_t[kInputChunk]) {
  if (!inflater_->ready) Fail(kErrorDamaged);
}

GzipStream::~GzipStream() = default;

uint64_t GzipStream::CompressedPosition() const { return inTotal_ - (inLen_ - inPos_); }

void GzipStream::Fail(Status status) {
  if (error_ == kOk) error_ = status;
  state_ = State::Failed;
}

bool GzipStream::Refill() {
  inPos_ = inLen_ = 0;
  size_t got = input_.Read(in_.get(), kInputChunk);
  if (got == 0) {
    if (input_.Failed()) Fail(kErrorArchiveOpen);
    return false;
  }
  inLen_ = got;
  inTotal_ += got;
  return true;
}

bool GzipStream::GetByte(uint8_t& byte) {
  if (inPos_ == inLen_ && !Refill()) return false;
  byte = in_[inPos_++];
  return true;
}

Status GzipStream::Start() {
  if (state_ == State::Header) {
    if (ReadHeader(true)) state_ = State::Data;
  }
  return error_;
}

// Reads a member header; for members after the first, the caller has already
// taken the two signature bytes.
bool GzipStream::ReadHeader(bool first) {
  uLong headerCrc = crc32(0L, Z_NULL, 0);
  auto take = [&](uint8_t& b) {
    if (!GetByte(b)) return false;
    headerCrc = crc32(headerCrc, &b, 1);
    return true;
  };
  // A read error of the input (already recorded) outranks what failed here.
  auto fail = [&](Status status) {
    Fail(status);
    return false;
  };
  uint8_t b = 0;
  if (first) {
    uint8_t id1 = 0, id2 = 0;
    if (!take(id1) || !take(id2) || id1 != 0x1F || id2 != 0x8B) {
      Fail(kErrorNotArchive);
      return false;
    }
  } else {
    const uint8_t magic[2] = {0x1F, 0x8B};
    headerCrc = crc32(headerCrc, magic, 2);
  }
  uint8_t method = 0, flags = 0;
  if (!take(method) || !take(flags)) return fail(kErrorDamaged);
  if (method != Z_DEFLATED) return fail(first ? kErrorMethod : kErrorDamaged);
  if (flags & 0xE0) return fail(kErrorDamaged);  // reserved bits: the layout is unknown
  uint32_t mtime = 0;
  for (int i = 0; i < 4; ++i) {
    if (!take(b)) return fail(kErrorDamaged);
    mtime |= static_cast<uint32_t>(b) << (8 * i);
  }
  for (int i = 0; i < 2; ++i) {  // XFL, OS
    if (!take(b)) return fail(kErrorDamaged);
  }
  if (flags & kFExtra) {
    uint8_t lo = 0, hi = 0;
    if (!take(lo) || !take(hi)) return fail(kErrorDamaged);
    for (unsigned left = lo | (hi << 8); left > 0; --left) {
      if (!take(b)) return fail(kErrorDamaged);
    }
  }
  std::string name;
  if (flags & kFName) {
    for (;;) {
      if (!take(b)) return fail(kErrorDamaged);
      if (b == 0) break;
      if (name.size() >= kMaxStoredName) return fail(kErrorDamaged);
      name.push_back(static_cast<char>(b));
    }
  }
  if (flags & kFComment) {
    do {
      if (!take(b)) return fail(kErrorDamaged);
    } while (b != 0);
  }
  if (flags & kFHcrc) {
    uint32_t expected = static_cast<uint32_t>(headerCrc) & 0xFFFF;
    uint8_t lo = 0, hi = 0;
    if (!GetByte(lo) || !GetByte(hi)) return fail(kErrorDamaged);
    if (static_cast<uint32_t>(lo | (hi << 8)) != expected) return fail(kErrorDamaged);
  }
  if (first) {
    hasName_ = (flags & kFName) != 0;
    name_.swap(name);
    mtime_ = mtime;
  }
  if (inflateReset(&inflater_->z) != Z_OK) return fail(kErrorDamaged);
  crc_ = static_cast<uint32_t>(crc32(0L, Z_NULL, 0));
  length_ = 0;
  return true;
}

bool GzipStream::ReadTrailer() {
  uint8_t t[8];
  for (uint8_t& b : t) {
    if (!GetByte(b)) {
      Fail(kErrorDamaged);
      return false;
    }
  }
  uint32_t crc = t[0] | (t[1] << 8) | (t[2] << 16) | (static_cast<uint32_t>(t[3]) << 24);
  uint32_t size = t[4] | (t[5] << 8) | (t[6] << 16) | (static_cast<uint32_t>(t[7]) << 24);
  if (crc != crc_ || size != length_) {
    Fail(kErrorCrc);
    return false;
  }
  return true;
}

size_t GzipStream::Read(void* buffer, size_t n) {
  uint8_t* out = static_cast<uint8_t*>(buffer);
  size_t produced = 0;
  while (produced < n) {
    switch (state_) {
      case State::Header:
        if (!ReadHeader(true)) return produced;
        state_ = State::Data;
        break;
      case State::Data: {
        if (inPos_ == inLen_ && !Refill()) {
          Fail(kErrorDamaged);  // the member ends before its deflate data
          return produced;
        }
        z_stream& z = inflater_->z;
        size_t want = std::min<size_t>(n - produced, 1u << 30);
        z.next_in = in_.get() + inPos_;
        z.avail_in = static_cast<uInt>(inLen_ - inPos_);
        z.next_out = out + produced;
        z.avail_out = static_cast<uInt>(want);
        int ret = inflate(&z, Z_NO_FLUSH);
        size_t got = want - z.avail_out;
        inPos_ = inLen_ - z.avail_in;
        if (got) {
          crc_ = static_cast<uint32_t>(crc32(crc_, out + produced, static_cast<uInt>(got)));
          length_ += static_cast<uint32_t>(got);
          produced += got;
        }
        if (ret == Z_STREAM_END) {
          if (!ReadTrailer()) return produced;
          state_ = State::Next;
        } else if (ret != Z_OK && !(ret == Z_BUF_ERROR && z.avail_in == 0)) {
          Fail(kErrorDamaged);
          return produced;
        }
        break;
      }
      case State::Next: {
        // Another member, or the end (anything else after a member, such as
        // zeros padding a tape block, is ignored as gzip does).
        uint8_t id1 = 0, id2 = 0;
        if (!GetByte(id1) || id1 != 0x1F || !GetByte(id2) || id2 != 0x8B) {
          if (state_ != State::Failed) state_ = State::End;
          return produced;
        }
        if (!ReadHeader(false)) return produced;
        state_ = State::Data;
        break;
      }
      case State::End:
      case State::Failed:
        return produced;
    }
  }
  return produced;
}

}  // namespace arc
