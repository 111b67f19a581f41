// The tar and gzip reader against archives GNU tar, bsdtar and gzip make at
// test time, and against damaged and hostile copies of them.
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "archivers/tar/tar.h"
#include "tests/archivers/peers.h"
#include "tests/support/data.h"

namespace {

using arc::Entry;
using arc::EntryKind;
using arc::NameCharset;
using arc::Status;
using arc::TarKind;

const std::string kSmall = "hello\n";
const std::string kBig = test_data::Noise(300000, 7) + std::string(40000, 'z');
const std::string kDeep = "t/" + std::string(60, 'd') + "/" + std::string(30, 'e');
const std::string kLongFile = kDeep + "/" + std::string(50, 'f') + ".txt";  // 148 bytes
const std::string kJapanese = u8"jp/日本語のとても長いファイル名日本語のとても長いファイル名日本語のとても長いファイル名.txt";

// Archives the real tools made, once per run.
struct Made {
  std::string folder;  // Windows path
  std::string log;
  bool ok = false;
  int64_t mtime = 0;    // of t/small.txt
  int64_t bigTime = 0;  // of big.bin
  std::string Bytes(const std::string& file) const {
    std::string bytes;
    peers::ReadFile(folder + "\\" + file, bytes);
    return bytes;
  }
};

const Made& Archives() {
  static Made made;
  static bool done = false;
  if (done) return made;
  done = true;
  made.folder = peers::FreshFolder("tar");
  if (!peers::WriteFile(made.folder + "\\small.txt", kSmall) || !peers::WriteFile(made.folder + "\\big.bin", kBig))
    return made;
  std::string script =
      "set -e\n"
      "mkdir -p t/emptydir " + peers::Quote(kDeep) + " jp\n"
      "cp small.txt big.bin t/\n"
      ": > t/empty\n"
      "printf long > " + peers::Quote(kLongFile) + "\n"
      "ln -s small.txt t/link\n"
      "ln t/small.txt t/hard\n"
      "printf 'jp\\n' > " + peers::Quote(kJapanese) + "\n"
      "tar -cf gnu.tar t jp\n"
      "tar --format=pax -cf pax.tar t jp\n"
      "tar --format=ustar -cf ustar.tar t\n"
      "tar -czf gnu.tgz t jp\n"
      "bsdtar --format pax -cf bsd.tar t jp\n"
      "gzip -k big.bin\n"
      "gzip -n -c small.txt > small.gz\n"
      "cat big.bin.gz small.gz > multi.gz\n"
      "zip -q d.zip small.txt\n"
      "tar -cf cut.tar big.bin small.txt\n"
      "tar -czf cut.tgz big.bin small.txt\n"
      // A sparse file with more holes than a GNU header maps, then one more file.
      "for i in 0 1 2 3 4 5 6 7 8 9; do printf x | dd of=sp bs=1 seek=$((i*65536)) conv=notrunc status=none; done\n"
      "truncate -s 1M sp\n"
      "tar -cSf sparse.tar sp small.txt\n"
      "echo mtime=$(stat -c %Y t/small.txt) bigtime=$(stat -c %Y big.bin)\n";
  peers::Result r = peers::Run(peers::UnixPath(made.folder), script);
  made.log = r.output;
  size_t at = r.output.find("mtime=");
  if (r.exitCode == 0 && at != std::string::npos) {
    made.mtime = std::atoll(r.output.c_str() + at + 6);
    size_t big = r.output.find("bigtime=");
    if (big != std::string::npos) made.bigTime = std::atoll(r.output.c_str() + big + 8);
    made.ok = true;
  }
  return made;
}

struct Seen {
  Entry entry;
  std::string data;
  Status extract = arc::kOk;
};

struct Walk {
  Status open = arc::kOk;
  Status end = arc::kOk;  // what ended the walk: kEnd or an error
  std::vector<Seen> entries;
  uint64_t position = 0;  // at the end
  bool positionsOk = true;
  Status FirstError() const {
    if (open != arc::kOk) return open;
    for (const Seen& s : entries) {
      if (s.extract != arc::kOk) return s.extract;
    }
    return end;
  }
};

// Every entry, each extracted; stops at an error after which the reader
// cannot go on, as the extraction code does.
Walk ReadAll(const std::string& bytes, const std::string& fallback = "fallback") {
  Walk w;
  arc::MemorySource source(bytes);
  std::unique_ptr<arc::ArchiveReader> reader = arc::OpenTar(source, fallback, &w.open);
  if (!reader) {
    if (w.open == arc::kOk) w.open = arc::kErrorCommand;  // null without a reason is wrong too
    return w;
  }
  uint64_t last = 0;
  for (int i = 0;; ++i) {
    if (i == 100000) {
      ADD_FAILURE() << "no end after 100000 entries";
      break;
    }
    Seen seen;
    w.end = reader->Next(seen.entry);
    if (w.end != arc::kOk) break;
    arc::MemoryOutput out;
    seen.extract = reader->Extract(out);
    seen.data.assign(out.bytes.begin(), out.bytes.end());
    w.entries.push_back(seen);
    uint64_t p = reader->Position();
    if (p < last || p > bytes.size()) w.positionsOk = false;
    last = p;
    if (arc::IsFatal(seen.extract)) break;
  }
  w.position = reader->Position();
  return w;
}

std::string Strip(std::string name) {
  if (!name.empty() && name.back() == '/') name.pop_back();
  return name;
}

struct Want {
  std::string name;  // without a trailing '/'
  EntryKind kind;
  std::string data;  // file bytes, or a symbolic link's target
};

std::vector<Want> TreeWanted(bool japanese) {
  std::vector<Want> w = {
      {"t", EntryKind::Folder, ""},
      {"t/emptydir", EntryKind::Folder, ""},
      {"t/" + std::string(60, 'd'), EntryKind::Folder, ""},
      {kDeep, EntryKind::Folder, ""},
      {kLongFile, EntryKind::File, "long"},
      {"t/small.txt", EntryKind::File, kSmall},
      {"t/hard", EntryKind::File, kSmall},  // one of the pair is a hard link to the other
      {"t/big.bin", EntryKind::File, kBig},
      {"t/empty", EntryKind::File, ""},
      {"t/link", EntryKind::Link, "small.txt"},
  };
  if (japanese) {
    w.push_back({"jp", EntryKind::Folder, ""});
    w.push_back({kJapanese, EntryKind::File, "jp\n"});
  }
  return w;
}

struct PeerCase {
  const char* file;
  TarKind kind;
  bool japanese;
  std::string marker;  // bytes that show the archive uses the feature under test
};

TEST(TarPeers, ReadsWhatTheToolsWrite) {
  const Made& made = Archives();
  ASSERT_TRUE(made.ok) << made.log;
  const PeerCase cases[] = {
      {"gnu.tar", TarKind::Tar, true, "././@LongLink"},
      {"pax.tar", TarKind::Tar, true, "PaxHeaders"},
      {"ustar.tar", TarKind::Tar, false, std::string("ustar\0" "00", 8)},
      {"gnu.tgz", TarKind::TarGzip, true, "\x1F\x8B"},
      {"bsd.tar", TarKind::Tar, true, " path="},
  };
  for (const PeerCase& c : cases) {
    SCOPED_TRACE(c.file);
    std::string bytes = made.Bytes(c.file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(std::string::npos, bytes.find(c.marker));
    arc::MemorySource source(bytes);
    EXPECT_EQ(c.kind, arc::DetectTar(source));

    Walk w = ReadAll(bytes);
    ASSERT_EQ(arc::kOk, w.open);
    EXPECT_EQ(arc::kEnd, w.end);
    EXPECT_TRUE(w.positionsOk);
    if (c.kind == TarKind::TarGzip) {  // read to the gzip trailer
      EXPECT_EQ(bytes.size(), w.position);
    }

    std::map<std::string, const Seen*> got;
    for (const Seen& s : w.entries) {
      EXPECT_EQ(arc::kOk, s.extract) << s.entry.name;
      EXPECT_TRUE(got.emplace(Strip(s.entry.name), &s).second) << "twice: " << s.entry.name;
    }
    std::vector<Want> wanted = TreeWanted(c.japanese);
    EXPECT_EQ(wanted.size(), got.size());
    for (const Want& want : wanted) {
      SCOPED_TRACE(want.name);
      auto it = got.find(want.name);
      ASSERT_NE(got.end(), it);
      const Entry& e = it->second->entry;
      EXPECT_EQ(want.name == kJapanese ? NameCharset::Utf8 : NameCharset::Cp932, e.charset);
      if (want.kind == EntryKind::File && e.hardLink) {
        EXPECT_EQ(EntryKind::Link, e.kind);
        ASSERT_TRUE(e.linkTarget == "t/small.txt" || e.linkTarget == "t/hard") << e.linkTarget;
        ASSERT_NE(e.linkTarget, want.name);
        const Seen* to = got[e.linkTarget];
        EXPECT_EQ(EntryKind::File, to->entry.kind);
        EXPECT_EQ(want.data, to->data);
        continue;
      }
      EXPECT_EQ(want.kind, e.kind);
      EXPECT_FALSE(e.hardLink);
      if (want.kind == EntryKind::Link) {
        EXPECT_EQ(want.data, e.linkTarget);
      } else {
        EXPECT_EQ(want.data.size(), it->second->data.size());
        EXPECT_TRUE(want.data == it->second->data);
        if (want.kind == EntryKind::File) {
          EXPECT_EQ(want.data.size(), e.size);
        }
      }
      if (want.name == "t/small.txt") {
        EXPECT_TRUE(e.hasUnixTime);
        EXPECT_EQ(made.mtime, e.unixTime);
      }
    }
  }
}

TEST(TarPeers, ReadsSingleGzipFiles) {
  const Made& made = Archives();
  ASSERT_TRUE(made.ok) << made.log;
  struct Case {
    const char* file;
    const char* fallback;
    std::string name;
    std::string data;
    bool hasTime;
  } cases[] = {
      {"big.bin.gz", "big.bin", "big.bin", kBig, true},      // name from the header
      {"small.gz", "small", "small", kSmall, false},         // -n: no name, no time
      {"multi.gz", "multi", "big.bin", kBig + kSmall, true},  // two members back to back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string bytes = made.Bytes(c.file);
    arc::MemorySource source(bytes);
    EXPECT_EQ(TarKind::Gzip, arc::DetectTar(source));
    Walk w = ReadAll(bytes, c.fallback);
    ASSERT_EQ(arc::kOk, w.open);
    EXPECT_EQ(arc::kEnd, w.end);
    ASSERT_EQ(1u, w.entries.size());
    const Seen& s = w.entries[0];
    EXPECT_EQ(arc::kOk, s.extract);
    EXPECT_EQ(c.name, s.entry.name);
    EXPECT_EQ(EntryKind::File, s.entry.kind);
    EXPECT_TRUE(c.data == s.data);
    EXPECT_EQ(c.hasTime, s.entry.hasUnixTime);
    if (c.hasTime) {
      EXPECT_EQ(made.bigTime, s.entry.unixTime);
    }
    EXPECT_EQ(bytes.size(), w.position);
  }
}

TEST(TarPeers, SparseFileIsSkippedAndTheNextEntryReads) {
  const Made& made = Archives();
  ASSERT_TRUE(made.ok) << made.log;
  std::string bytes = made.Bytes("sparse.tar");
  ASSERT_GE(bytes.size(), 512u);
  Walk w = ReadAll(bytes);
  EXPECT_EQ(arc::kEnd, w.end);
  ASSERT_EQ(2u, w.entries.size());
  // GNU tar stores it sparse where the file system made holes.
  if (bytes[156] == 'S') {
    EXPECT_EQ(EntryKind::Other, w.entries[0].entry.kind);
    EXPECT_NE(0, bytes[482]);  // its map goes on in an extra block
  } else {
    EXPECT_EQ(1u << 20, w.entries[0].data.size());
  }
  EXPECT_EQ("small.txt", w.entries[1].entry.name);
  EXPECT_EQ(kSmall, w.entries[1].data);
}

TEST(TarDetect, KindsByContent) {
  const Made& made = Archives();
  ASSERT_TRUE(made.ok) << made.log;
  struct Case {
    const char* file;
    TarKind kind;
  } cases[] = {
      {"gnu.tar", TarKind::Tar},   {"gnu.tgz", TarKind::TarGzip}, {"small.gz", TarKind::Gzip},
      {"multi.gz", TarKind::Gzip}, {"small.txt", TarKind::None},  {"d.zip", TarKind::None},
  };
  for (const Case& c : cases) {
    std::string bytes = made.Bytes(c.file);
    ASSERT_FALSE(bytes.empty()) << c.file;
    arc::MemorySource source(bytes);
    EXPECT_EQ(c.kind, arc::DetectTar(source)) << c.file;
    Status error = arc::kOk;
    std::unique_ptr<arc::ArchiveReader> reader = arc::OpenTar(source, "x", &error);
    EXPECT_EQ(c.kind == TarKind::None, reader == nullptr) << c.file;
    EXPECT_EQ(c.kind == TarKind::None ? arc::kErrorNotArchive : arc::kOk, error) << c.file;
  }
  arc::MemorySource empty("", 0);
  EXPECT_EQ(TarKind::None, arc::DetectTar(empty));
}

TEST(TarHostile, TruncatedCopiesFail) {
  const Made& made = Archives();
  ASSERT_TRUE(made.ok) << made.log;
  // cut.tar: big.bin's header at 0, its data 512..340512, padding to 340992;
  // small.txt's header there, its data from 341504.
  std::string tar = made.Bytes("cut.tar");
  ASSERT_EQ(arc::kEnd, ReadAll(tar).end);
  for (size_t cut : {100u, 511u, 512u, 513u, 100000u, 340511u, 340512u, 341000u, 341506u, 341510u}) {
    Walk w = ReadAll(tar.substr(0, cut));
    EXPECT_TRUE(arc::IsError(w.FirstError())) << "tar cut at " << cut;
  }
  std::string tgz = made.Bytes("cut.tgz");
  ASSERT_EQ(arc::kEnd, ReadAll(tgz).end);
  for (size_t cut : {size_t(5), size_t(12), tgz.size() / 4, tgz.size() / 2, tgz.size() - 9, tgz.size() - 4,
                     tgz.size() - 1}) {
    Walk w = ReadAll(tgz.substr(0, cut));
    EXPECT_TRUE(arc::IsError(w.FirstError())) << "tgz cut at " << cut;
  }
  std::string gz = made.Bytes("big.bin.gz");
  for (size_t cut : {gz.size() / 2, gz.size() - 1}) {
    Walk w = ReadAll(gz.substr(0, cut));
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ(arc::kErrorDamaged, w.entries[0].extract) << "gz cut at " << cut;
  }
}

TEST(TarHostile, BadChecksumsAndCrcs) {
  const Made& made = Archives();
  ASSERT_TRUE(made.ok) << made.log;
  std::string tar = made.Bytes("cut.tar");
  std::string second = tar;
  second[340992 + 3] ^= 1;  // inside small.txt's name
  Walk w = ReadAll(second);
  EXPECT_EQ(1u, w.entries.size());
  EXPECT_EQ(arc::kErrorDamaged, w.end);
  std::string first = tar;
  first[3] ^= 1;
  EXPECT_EQ(arc::kErrorNotArchive, ReadAll(first).open);

  struct Case {
    const char* file;
    size_t fromEnd;  // the byte changed, counted from the end
  } cases[] = {{"small.gz", 8}, {"small.gz", 4}, {"big.bin.gz", 5}, {"multi.gz", 4}};
  for (const Case& c : cases) {
    std::string bytes = made.Bytes(c.file);
    bytes[bytes.size() - c.fromEnd] ^= 0x10;
    Walk bad = ReadAll(bytes);
    ASSERT_EQ(1u, bad.entries.size()) << c.file;
    EXPECT_EQ(arc::kErrorCrc, bad.entries[0].extract) << c.file << " -" << c.fromEnd;
  }
  // The trailer of a compressed tar is read after its last entry.
  std::string tgz = made.Bytes("gnu.tgz");
  tgz[tgz.size() - 6] ^= 0x10;
  EXPECT_EQ(arc::kErrorCrc, ReadAll(tgz).FirstError());
}

// ---- crafted archives, for what the tools will not write ----

std::string Octal(uint64_t v, size_t width) {  // width digits, then NUL
  char text[32];
  std::snprintf(text, sizeof text, "%0*llo", static_cast<int>(width), static_cast<unsigned long long>(v));
  return std::string(text) + '\0';
}

// A header block; `size` is the raw 12-byte field.
std::string Header(const std::string& name, char type, const std::string& size, bool posix = true,
                   bool signedSum = false) {
  std::string h(512, '\0');
  h.replace(0, std::min<size_t>(name.size(), 100), name.substr(0, 100));
  h.replace(100, 8, Octal(0644, 7));
  h.replace(108, 8, Octal(1000, 7));
  h.replace(116, 8, Octal(1000, 7));
  h.replace(124, 12, size);
  h.replace(136, 12, Octal(1700000000, 11));
  h[156] = type;
  if (posix) h.replace(257, 8, std::string("ustar\0" "00", 8));
  unsigned sum = 0;
  int ssum = 0;
  for (size_t i = 0; i < 512; ++i) {
    char c = i >= 148 && i < 156 ? ' ' : h[i];
    sum += static_cast<unsigned char>(c);
    ssum += static_cast<signed char>(c);
  }
  h.replace(148, 8, Octal(signedSum ? ssum : sum, 6) + ' ');
  return h;
}

std::string Padded(std::string data) {
  data.resize((data.size() + 511) / 512 * 512, '\0');
  return data;
}

std::string Base256(bool negative, const std::string& tail) {  // 12 bytes: flag byte, fill, tail
  std::string f(12, negative ? '\xFF' : '\0');
  f[0] = negative ? '\xFF' : '\x80';
  f.replace(12 - tail.size(), tail.size(), tail);
  return f;
}

TEST(TarHostile, SizeFields) {
  const std::string eightGiB = Base256(false, std::string("\x02\0\0\0\0", 5));
  struct Case {
    const char* label;
    std::string size;
    Status next;
    uint64_t declared;
  } cases[] = {
      {"octal", Octal(5, 11), arc::kOk, 5},
      {"octal, space ended", "     5 " + std::string(5, '\0'), arc::kOk, 5},
      {"base-256", Base256(false, "\x05"), arc::kOk, 5},
      {"1 byte beyond the file", Octal(1537, 11), arc::kErrorDamaged, 0},
      {"8 GiB - 1 in octal", Octal(8589934591ull, 11), arc::kErrorDamaged, 0},
      {"8 GiB in base-256", eightGiB, arc::kErrorDamaged, 0},
      {"2^63 - 1 in base-256", Base256(false, "\x7F" + std::string(7, '\xFF')), arc::kErrorDamaged, 0},
      {"negative", Base256(true, "\xFB"), arc::kErrorDamaged, 0},
      {"beyond 63 bits", Base256(false, std::string(11, '\xFF')), arc::kErrorDamaged, 0},
      {"not a number", "0000000009" + std::string(2, '\0'), arc::kErrorDamaged, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    // A good entry first: it is read whatever follows. A size beyond the
    // bytes the file holds ends the walk at that header.
    std::string file = Header("g.txt", '0', Octal(3, 11)) + Padded("abc") + Header("f.txt", '0', c.size) +
                       Padded("12345") + std::string(1024, '\0');
    ASSERT_EQ(3072u, file.size());
    arc::MemorySource source(file);
    Status error = arc::kOk;
    auto reader = arc::OpenTar(source, "x", &error);
    ASSERT_TRUE(reader);
    Entry e;
    ASSERT_EQ(arc::kOk, reader->Next(e));
    arc::MemoryOutput first;
    ASSERT_EQ(arc::kOk, reader->Extract(first));
    EXPECT_EQ("abc", std::string(first.bytes.begin(), first.bytes.end()));
    ASSERT_EQ(c.next, reader->Next(e));
    if (c.next != arc::kOk) continue;
    EXPECT_EQ(c.declared, e.size);
    arc::NullSink sink;
    EXPECT_EQ(arc::kOk, reader->Extract(sink));
    EXPECT_EQ(5u, sink.written);
    EXPECT_EQ(arc::kEnd, reader->Next(e));
  }
}

std::string GzipMember(uint8_t flags, const std::string& extra, const std::string& name, bool goodHeaderCrc,
                       const std::string& data);

std::string PaxRecord(const std::string& key, const std::string& value) {
  std::string body = " " + key + "=" + value + "\n";
  size_t n = body.size() + 1;
  while (std::to_string(n).size() + body.size() != n) ++n;
  return std::to_string(n) + body;
}

TEST(TarHostile, PaxRecords) {
  struct Case {
    const char* label;
    std::string records;
    Status next;
    std::string name;
  } cases[] = {
      {"path", PaxRecord("path", u8"ü/long name") + PaxRecord("mtime", "1234.5"), arc::kOk, u8"ü/long name"},
      {"unknown keys skipped", PaxRecord("SCHILY.xattr.user.x", std::string(3000, 'v')) + PaxRecord("path", "p"),
       arc::kOk, "p"},
      {"NUL padding after records", PaxRecord("path", "p") + std::string(7, '\0'), arc::kOk, "p"},
      {"empty path deletes", PaxRecord("path", ""), arc::kOk, "f.txt"},
      {"huge length", "99999999999999999999 path=x\n", arc::kErrorDamaged, ""},
      {"length beyond the header", "1000 path=x\n", arc::kErrorDamaged, ""},
      {"length one short", "10 path=xy\n", arc::kErrorDamaged, ""},
      {"length one long", "12 path=xy\n ", arc::kErrorDamaged, ""},
      {"no '='", "9 pathxy\n", arc::kErrorDamaged, ""},
      {"no space", "12path=xyz\n", arc::kErrorDamaged, ""},
      {"bad size", PaxRecord("size", "12x"), arc::kErrorDamaged, ""},
      {"path over 64 KiB", PaxRecord("path", std::string(70000, 'p')), arc::kErrorDamaged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string file = Header("PaxHeaders/f", 'x', Octal(c.records.size(), 11)) + Padded(c.records) +
                       Header("f.txt", '0', Octal(2, 11)) + Padded("ab") + std::string(1024, '\0');
    Walk w = ReadAll(file);
    ASSERT_EQ(arc::kOk, w.open);
    if (c.next != arc::kOk) {
      EXPECT_TRUE(w.entries.empty());
      EXPECT_EQ(c.next, w.end);
      continue;
    }
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ(arc::kEnd, w.end);
    EXPECT_EQ(c.name, w.entries[0].entry.name);
    EXPECT_EQ("ab", w.entries[0].data);
  }
  // A global record applies to every later entry; the pax size reaches past
  // 8 GiB (inside gzip, where the bytes left are not known beforehand).
  std::string global = PaxRecord("mtime", "-1.5");
  std::string local = PaxRecord("size", "8589934592");
  std::string file = GzipMember(0, "", "", true,
                                Header("g", 'g', Octal(global.size(), 11)) + Padded(global) +
                                    Header("x", 'x', Octal(local.size(), 11)) + Padded(local) +
                                    Header("f", '0', Octal(0, 11)) + std::string(1024, '\0'));
  arc::MemorySource source(file);
  Status error;
  auto reader = arc::OpenTar(source, "x", &error);
  ASSERT_TRUE(reader);
  Entry e;
  ASSERT_EQ(arc::kOk, reader->Next(e));
  EXPECT_EQ(8589934592ull, e.size);
  EXPECT_EQ(-2, e.unixTime);
}

TEST(TarHostile, LongNameRecords) {
  std::string ok = std::string(300, 'n') + '\0';
  std::string huge(70000, 'n');
  struct Case {
    const char* label;
    std::string records;
    Status next;
  } cases[] = {
      {"300 bytes", Header("././@LongLink", 'L', Octal(ok.size(), 11), false) + Padded(ok), arc::kOk},
      {"over 64 KiB", Header("././@LongLink", 'L', Octal(huge.size(), 11), false) + Padded(huge), arc::kErrorDamaged},
      {"size beyond the file", Header("././@LongLink", 'K', Octal(60000, 11), false), arc::kErrorDamaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Walk w = ReadAll(c.records + Header("short", '0', Octal(0, 11), false) + std::string(1024, '\0'));
    EXPECT_EQ(c.next == arc::kOk ? arc::kEnd : c.next, w.end);
    if (c.next == arc::kOk) {
      ASSERT_EQ(1u, w.entries.size());
      EXPECT_EQ(std::string(300, 'n'), w.entries[0].entry.name);
    }
  }
}

TEST(TarHostile, OldHeadersAndTypes) {
  struct Case {
    const char* label;
    std::string header;
    EntryKind kind;
    std::string name;
  } cases[] = {
      {"v7 folder by its slash", Header("old/", '0', Octal(0, 11), false), EntryKind::Folder, "old/"},
      {"v7 file, signed checksum", Header("\xE4\xF6.txt", '\0', Octal(0, 11), false, true), EntryKind::File,
       "\xE4\xF6.txt"},
      {"contiguous file", Header("c", '7', Octal(0, 11)), EntryKind::File, "c"},
      {"FIFO", Header("fifo", '6', Octal(0, 11)), EntryKind::Other, "fifo"},
      {"char device", Header("dev", '3', Octal(0, 11)), EntryKind::Other, "dev"},
      {"unknown vendor type", Header("v", 'Q', Octal(0, 11)), EntryKind::File, "v"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Walk w = ReadAll(Header("V", 'V', Octal(0, 11), false) + c.header + std::string(1024, '\0'));
    EXPECT_EQ(arc::kEnd, w.end);
    ASSERT_EQ(1u, w.entries.size());  // the volume label is no entry
    EXPECT_EQ(c.kind, w.entries[0].entry.kind);
    EXPECT_EQ(c.name, w.entries[0].entry.name);
    EXPECT_EQ(NameCharset::Cp932, w.entries[0].entry.charset);
  }
  // One zero block, or none, ends the archive as well as two do.
  std::string one = Header("a", '0', Octal(1, 11)) + Padded("a");
  EXPECT_EQ(arc::kEnd, ReadAll(one + std::string(512, '\0')).end);
  EXPECT_EQ(arc::kEnd, ReadAll(one).end);
  EXPECT_EQ(arc::kErrorDamaged, ReadAll(one + std::string(100, '\0')).end);  // a partial block
}

// ---- gzip headers ----

std::string Deflate(const std::string& data) {
  z_stream z = {};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

std::string GzipMember(uint8_t flags, const std::string& extra, const std::string& name, bool goodHeaderCrc,
                       const std::string& data) {
  std::string h = std::string("\x1F\x8B\x08", 3) + static_cast<char>(flags) + Le32(0) + std::string("\x00\x03", 2);
  if (flags & 0x04) h += std::string(1, static_cast<char>(extra.size())) + '\0' + extra;
  if (flags & 0x08) h += name + '\0';
  if (flags & 0x10) h += std::string("a comment") + '\0';
  if (flags & 0x02) {
    uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(h.data()), static_cast<uInt>(h.size())));
    if (!goodHeaderCrc) crc ^= 1;
    h += Le32(crc).substr(0, 2);
  }
  uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  return h + Deflate(data) + Le32(crc) + Le32(static_cast<uint32_t>(data.size()));
}

TEST(TarGzip, HeaderFieldsAndNames) {
  const std::string data = "some text\n";
  struct Case {
    const char* label;
    std::string file;
    Status open;
    std::string name;
    NameCharset charset;
  } cases[] = {
      {"every field", GzipMember(0x1F, std::string("AB\x02\0xy", 6), "dir/sub/n.txt", true, data), arc::kOk, "n.txt",
       NameCharset::Cp932},
      {"code page 932 name with a 0x5C trail byte", GzipMember(0x08, "", "dir\\表.txt", true, data), arc::kOk,
       "表.txt", NameCharset::Cp932},
      {"UTF-8 name", GzipMember(0x08, "", u8"d/表.txt", true, data), arc::kOk, u8"表.txt", NameCharset::Utf8},
      {"folder only", GzipMember(0x08, "", "d/", true, data), arc::kOk, "fallback", NameCharset::Cp932},
      {"wrong header CRC", GzipMember(0x0A, "", "n", false, data), arc::kErrorDamaged, "", NameCharset::Cp932},
      {"reserved flag", GzipMember(0x20, "", "", true, data), arc::kErrorDamaged, "", NameCharset::Cp932},
      {"trailing zeros ignored", GzipMember(0, "", "", true, data) + std::string(100, '\0'), arc::kOk, "fallback",
       NameCharset::Cp932},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Walk w = ReadAll(c.file);
    EXPECT_EQ(c.open, w.open);
    if (c.open != arc::kOk) continue;
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ(c.name, w.entries[0].entry.name);
    EXPECT_EQ(c.charset, w.entries[0].entry.charset);
    EXPECT_EQ(data, w.entries[0].data);
    EXPECT_EQ(arc::kOk, w.entries[0].extract);
  }
}

TEST(TarGzip, StreamReportsWhatWentWrong) {
  const std::string data = test_data::Noise(200000, 3);
  std::string good = GzipMember(0, "", "", true, data);
  std::string reserved = good;
  reserved[3] = '\x20';
  std::string method = good;
  method[2] = 7;
  std::string crc = good;
  crc[crc.size() - 7] ^= 1;
  std::string length = good;
  length[length.size() - 2] ^= 1;
  std::string garbage = good;
  garbage[10] = 0x07;  // a final block of the reserved type
  struct Case {
    const char* label;
    std::string file;
    Status status;
    size_t bytes;  // at least this many decoded
  } cases[] = {
      {"good, twice", good + good, arc::kOk, 2 * data.size()},
      {"reserved flag", reserved, arc::kErrorDamaged, 0},
      {"not deflate", method, arc::kErrorMethod, 0},
      {"not gzip", "plain text", arc::kErrorNotArchive, 0},
      {"CRC", crc, arc::kErrorCrc, data.size()},
      {"length", length, arc::kErrorCrc, data.size()},
      {"truncated", good.substr(0, good.size() / 2), arc::kErrorDamaged, 1},
      {"second member cut", good + good.substr(0, 15), arc::kErrorDamaged, data.size()},
      {"second member's extra field runs past the file",
       good + std::string("\x1F\x8B\x08\x04\0\0\0\0\0\x03\xFF\xFF" "abc", 15), arc::kErrorDamaged, data.size()},
      {"bad deflate data", garbage, arc::kErrorDamaged, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    arc::MemorySource source(c.file);
    arc::SourceStream input(source);
    arc::GzipStream gzip(input);
    std::string out;
    std::vector<char> buffer(70000);
    for (int i = 0; i < 1000; ++i) {
      size_t got = gzip.Read(buffer.data(), buffer.size());
      out.append(buffer.data(), got);
      if (got == 0) break;
    }
    EXPECT_EQ(c.status, gzip.error());
    EXPECT_EQ(c.status != arc::kOk, gzip.Failed());
    EXPECT_GE(out.size(), c.bytes);
    if (c.status == arc::kOk) {
      EXPECT_TRUE(out == data + data);
    }
    EXPECT_LE(gzip.CompressedPosition(), c.file.size());
  }
}

}  // namespace
