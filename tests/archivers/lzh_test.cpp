// The LZH reader and writer against jlha, lhasa, bsdtar and 7-Zip: archives
// jlha makes at test time (header levels 0, 1 and 2; -lh0-, -lh5-, -lh6-,
// -lh7-) read back byte for byte, and archives the writer makes pass the real
// tools and extract to the same bytes. Damaged archives give error statuses.
#include "archivers/lzh/lzh.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <set>

#include "tests/archivers/peers.h"
#include "tests/support/data.h"
#include "tests/archivers/read_all.h"

namespace {

using arc::Status;

Listing ReadAll(const std::string& archive, uint64_t start = 0) {
  arc::MemorySource source(archive);
  return ReadEntries(arc::OpenLzh(source, start).get());
}

// '\' to '/' where it is a separator, not the second byte of a character.
std::string Slashes(std::string name) {
  for (size_t i = 0; i < name.size(); ++i) {
    uint8_t c = static_cast<uint8_t>(name[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
      ++i;
    else if (c == '\\')
      name[i] = '/';
  }
  return name;
}

// Words and numbers: text that compresses the way prose does.
std::string Words(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"archive ", "header ", "window ", "table ", "block ", "the ", "of ",
                                       "and ",     "code ",   "length ", "\n",     "size ",  "0x5C ", "data "};
  std::string s;
  test_data::Sequence sequence(seed);
  while (s.size() < n) {
    uint32_t x = sequence.Next();
    s += kWords[(x >> 16) % 14];
    if ((x >> 8) % 7 == 0) s += std::to_string((x >> 12) % 1000);
  }
  s.resize(n);
  return s;
}

// One entry for the writer: path parts in code page 932, folder or data.
struct NewFile {
  std::vector<std::string> parts;
  bool folder;
  std::string data;
  uint64_t announced;
};

constexpr int64_t kTime = 1614834368;  // 2021-03-04 05:06:08 UTC

std::string WriteLzh(const std::vector<NewFile>& files) {
  arc::MemoryOutput out;
  auto writer = arc::CreateLzhWriter(out);
  for (const NewFile& f : files) {
    arc::NewEntry e;
    e.partsCp932 = f.parts;
    e.folder = f.folder;
    e.size = f.announced;
    e.unixTime = kTime;
    e.attributes = f.folder ? 0x10 : 0x20;
    arc::MemorySource source(f.data);
    arc::SourceStream stream(source);
    EXPECT_EQ(arc::kOk, writer->Add(e, f.folder ? nullptr : &stream));
  }
  EXPECT_EQ(arc::kOk, writer->Finish());
  return std::string(out.bytes.begin(), out.bytes.end());
}

std::string Join(const std::vector<std::string>& parts) {
  std::string s;
  for (const auto& p : parts) s += (s.empty() ? "" : "/") + p;
  return s;
}

// Level-2 header fields by offset; the header CRC (ext 0x00, first in the
// writer's headers) is recomputed after a change.
uint16_t Le16(const std::string& a, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(a[at]) | static_cast<uint8_t>(a[at + 1]) << 8);
}
void Put16(std::string& a, size_t at, uint16_t v) {
  a[at] = static_cast<char>(v & 0xFF);
  a[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& a, size_t at, uint32_t v) {
  Put16(a, at, static_cast<uint16_t>(v));
  Put16(a, at + 2, static_cast<uint16_t>(v >> 16));
}
void FixHeaderCrc(std::string& a, size_t header) {
  ASSERT_EQ(2, a[header + 20]);
  ASSERT_EQ(0, a[header + 26]);  // ext 0x00 comes first
  Put16(a, header + 27, 0);
  Put16(a, header + 27, arc::LzhCrc16(0, a.data() + header, Le16(a, header)));
}
// Offset of each entry's header in an archive of level-2 headers.
std::vector<size_t> Headers(const std::string& a) {
  std::vector<size_t> at;
  for (size_t p = 0; p + 26 <= a.size() && a[p] != 0;) {
    at.push_back(p);
    p += Le16(a, p) + (static_cast<uint8_t>(a[p + 7]) | static_cast<uint8_t>(a[p + 8]) << 8 |
                       static_cast<uint8_t>(a[p + 9]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(a[p + 10])) << 24);
  }
  return at;
}

TEST(LzhCrc16, CheckValueAndPieces) {
  EXPECT_EQ(0xBB3D, arc::LzhCrc16(0, "123456789", 9));
  std::string s = test_data::Noise(1000, 7);
  uint16_t pieces = 0;
  for (size_t at = 0; at < s.size(); at += 13) pieces = arc::LzhCrc16(pieces, s.data() + at, std::min<size_t>(13, s.size() - at));
  EXPECT_EQ(arc::LzhCrc16(0, s.data(), s.size()), pieces);
}

// A folder of files as jlha would pack it, with a Japanese name whose
// second byte is 0x5C in code page 932.
std::map<std::string, std::string> MakeSourceTree(const std::string& folder) {
  std::map<std::string, std::string> files = {
      {"src\\text.txt", Words(150000, 1)},
      {"src\\bin.dat", test_data::Repetitive(60000, 2)},
      {"src\\empty.txt", ""},
      {"src\\sub\\deep\\c.txt", Words(3000, 3)},
      {"src\\表.txt", Words(20000, 4)},
  };
  peers::MakeFolders(folder + "\\src\\sub\\deep");
  peers::MakeFolders(folder + "\\src\\emptydir");
  for (auto& f : files) EXPECT_TRUE(peers::WriteFile(folder + "\\" + f.first, f.second)) << f.first;
  return files;
}

TEST(LzhRead, ArchivesOfJlhaReadBackByteForByte) {
  struct Case {
    const char* command;
    int level;
    const char* method;  // the method the text file gets
    bool dosTime;
  };
  const Case cases[] = {
      {"a0", 0, "-lh5-", true}, {"a1o6", 1, "-lh6-", true}, {"a", 2, "-lh5-", false},
      {"a2o7", 2, "-lh7-", false}, {"az", 2, "-lh0-", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    std::string folder = peers::FreshFolder("lzh-jlha");
    std::map<std::string, std::string> files = MakeSourceTree(folder);
    peers::Result r = peers::Run(peers::UnixPath(folder),
                                 "export LC_ALL=ja_JP.UTF-8 TZ=UTC\n"
                                 "find src -exec touch -d '2021-03-04 05:06:08' {} +\n"
                                 "jlha " + std::string(c.command) + " x.lzh src");
    ASSERT_EQ(0, r.exitCode) << r.output;
    std::string archive;
    ASSERT_TRUE(peers::ReadFile(folder + "\\x.lzh", archive));
    ASSERT_GT(archive.size(), 22u);
    EXPECT_EQ(c.level, archive[20]);
    EXPECT_NE(std::string::npos, archive.find(c.method));

    arc::MemorySource source(archive);
    EXPECT_TRUE(arc::IsLzhArchive(source, 0));
    Listing l = ReadAll(archive);
    EXPECT_EQ(arc::kEnd, l.end);
    std::set<std::string> folders, expectedFolders = {"src", "src/sub", "src/sub/deep", "src/emptydir"};
    size_t filesSeen = 0;
    for (const Got& g : l.entries) {
      std::string name = Slashes(g.entry.name);
      EXPECT_EQ(arc::kOk, g.status) << name;
      EXPECT_EQ(arc::NameCharset::Cp932, g.entry.charset);
      if (c.dosTime) {
        EXPECT_TRUE(g.entry.hasDosTime) << name;
        EXPECT_EQ(0x526428C4u, g.entry.dosTime) << name;  // 2021-03-04 05:06:08
      } else {
        EXPECT_TRUE(g.entry.hasUnixTime) << name;
        EXPECT_EQ(kTime, g.entry.unixTime) << name;
      }
      if (g.entry.kind == arc::EntryKind::Folder) {
        folders.insert(name);
        EXPECT_TRUE(g.data.empty());
        continue;
      }
      ASSERT_EQ(arc::EntryKind::File, g.entry.kind) << name;
      std::string windowsName = name;
      for (size_t i = 0; i < windowsName.size(); ++i) {
        if (windowsName[i] == '/') windowsName[i] = '\\';
      }
      auto it = files.find(windowsName);
      ASSERT_NE(files.end(), it) << name;
      EXPECT_EQ(it->second.size(), g.entry.size) << name;
      EXPECT_TRUE(it->second == g.data) << name;
      ++filesSeen;
    }
    EXPECT_EQ(files.size(), filesSeen);
    EXPECT_EQ(expectedFolders, folders);
    // Position ends at the end mark.
    ASSERT_FALSE(l.entries.empty());
    EXPECT_EQ(archive.size() - 1, l.entries.back().positionAfter);
  }
}

// What the writer is given: text over several blocks, binary, noise that
// does not shrink, an empty file, folders (one empty), and names with 0x5C
// as a second byte (表, ソ).
std::vector<NewFile> WriterTree() {
  return {
      {{"sub"}, true, "", 0},
      {{"sub", "ソフト"}, true, "", 0},
      {{"emptydir"}, true, "", 0},
      {{"text.txt"}, false, Words(400000, 11), 400000},
      {{"data.bin"}, false, test_data::Repetitive(120000, 12), 120000},
      {{"noise.bin"}, false, test_data::Noise(50000, 13), 50000},
      {{"empty.txt"}, false, "", 0},
      {{"表.txt"}, false, Words(5000, 14), 5000},
      {{"sub", "ソフト", "x.txt"}, false, Words(30, 15), 30},
      {{"sub", "inner.txt"}, false, Words(9000, 16), 9000},
  };
}

TEST(LzhWrite, RealToolsTestAndExtractWhatWeWrite) {
  std::vector<NewFile> tree = WriterTree();
  std::string archive = WriteLzh(tree);
  std::string folder = peers::FreshFolder("lzh-write");
  ASSERT_TRUE(peers::WriteFile(folder + "\\x.lzh", archive));
  for (const NewFile& f : tree) {
    std::string path = folder + "\\src";
    for (const auto& p : f.parts) path += "\\" + p;
    if (f.folder)
      EXPECT_TRUE(peers::MakeFolders(path));
    else
      EXPECT_TRUE(peers::MakeFolders(path.substr(0, path.rfind('\\'))) && peers::WriteFile(path, f.data)) << path;
  }
  peers::Result r = peers::Run(peers::UnixPath(folder),
                               "set -e\n"
                               "lhasa t x.lzh\n"
                               "lhasa v x.lzh | grep -- '-lh0-.*noise.bin'\n"
                               "lhasa v x.lzh | grep -- '-lh5-.*text.txt'\n"
                               "7z t x.lzh\n"
                               "mkdir l && cd l && lhasa xq ../x.lzh\n"
                               // lhasa keeps the names' code page 932 bytes
                               "find . -depth -mindepth 1 | while IFS= read -r f; do\n"
                               "  n=\"$(dirname \"$f\")/$(basename \"$f\" | iconv -f CP932 -t UTF-8)\"\n"
                               "  [ \"$f\" = \"$n\" ] || mv \"$f\" \"$n\"\n"
                               "done\n"
                               "cd .. && diff -r src l\n"
                               "mkdir b && cd b && bsdtar -xf ../x.lzh --options hdrcharset=CP932 && cd ..\n"
                               "diff -r src b\n"
                               "echo ALL-SAME");
  EXPECT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("ALL-SAME")) << r.output;

  // And our own reader.
  Listing l = ReadAll(archive);
  EXPECT_EQ(arc::kEnd, l.end);
  ASSERT_EQ(tree.size(), l.entries.size());
  for (size_t i = 0; i < tree.size(); ++i) {
    const Got& g = l.entries[i];
    EXPECT_EQ(Join(tree[i].parts), g.entry.name);
    EXPECT_EQ(tree[i].folder ? arc::EntryKind::Folder : arc::EntryKind::File, g.entry.kind);
    EXPECT_EQ(arc::kOk, g.status) << g.entry.name;
    EXPECT_TRUE(tree[i].data == g.data) << g.entry.name;
    EXPECT_EQ(tree[i].data.size(), g.entry.size);
    EXPECT_TRUE(g.entry.hasUnixTime);
    EXPECT_EQ(kTime, g.entry.unixTime);
    EXPECT_EQ(tree[i].folder ? 0x10u : 0x20u, g.entry.attributes);
  }
  EXPECT_EQ(archive.size() - 1, l.entries.back().positionAfter);
  for (size_t h : Headers(archive)) {
    EXPECT_NE(0, Le16(archive, h) & 0xFF);  // never read as the end mark
    EXPECT_EQ('W', archive[h + 23]);
  }
}

TEST(LzhWrite, SizesOfFourGibibytesGoToExt42) {
  // The declared size decides whether the header has room for 64-bit sizes.
  std::string data = Words(20000, 21);
  std::string archive = WriteLzh({{{"big.txt"}, false, data, 5ull << 30}, {{"small.txt"}, false, data, 20000}});
  std::vector<size_t> headers = Headers(archive);
  ASSERT_EQ(2u, headers.size());
  std::string first = archive.substr(headers[0], Le16(archive, headers[0]));
  std::string second = archive.substr(headers[1], Le16(archive, headers[1]));
  size_t ext = first.find(std::string("\x13\x00\x42", 3));
  ASSERT_NE(std::string::npos, ext);
  EXPECT_EQ(std::string::npos, second.find(std::string("\x13\x00\x42", 3)));
  Listing l = ReadAll(archive);
  ASSERT_EQ(2u, l.entries.size());
  EXPECT_EQ(arc::kOk, l.entries[0].status);
  EXPECT_TRUE(data == l.entries[0].data);

  // A size beyond 32 bits in ext 0x42 wins over the base header's.
  std::string big = archive;
  size_t original = headers[0] + ext + 3 + 8;
  big[original + 4] = 1;  // 2^32 + the real size
  FixHeaderCrc(big, headers[0]);
  arc::MemorySource source(big);
  auto reader = arc::OpenLzh(source);
  arc::Entry e;
  ASSERT_EQ(arc::kOk, reader->Next(e));
  EXPECT_EQ((1ull << 32) + data.size(), e.size);
  arc::NullSink sink;
  EXPECT_TRUE(arc::IsError(reader->Extract(sink)));
}

TEST(LzhRead, DamagedDataFailsOnlyItsEntry) {
  std::vector<NewFile> tree = {{{"a.txt"}, false, Words(30000, 31), 30000},
                               {{"b.bin"}, false, test_data::Noise(3000, 32), 3000},
                               {{"c.txt"}, false, Words(20000, 33), 20000}};
  std::string good = WriteLzh(tree);
  std::vector<size_t> h = Headers(good);
  ASSERT_EQ(3u, h.size());
  struct Case {
    const char* what;
    size_t entry;
    Status expected;
    bool patchMethod;
    int flipDataByte;  // offset into the data, -1 = flip the stored CRC instead
  };
  const Case cases[] = {
      {"stored CRC of a -lh5- entry", 0, arc::kErrorCrc, false, -1},
      {"stored CRC of a -lh0- entry", 1, arc::kErrorCrc, false, -1},
      {"a -lh0- data byte", 1, arc::kErrorCrc, false, 100},
      {"a -lh5- data byte", 2, arc::kErrorCrc, false, 200},
      {"method -lh1-", 0, arc::kErrorMethod, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string a = good;
    size_t at = h[c.entry];
    if (c.patchMethod) {
      a[at + 5] = '1';
    } else if (c.flipDataByte < 0) {
      a[at + 21] ^= 0x40;
    } else {
      a[at + Le16(a, at) + c.flipDataByte] ^= 0x10;
    }
    FixHeaderCrc(a, at);
    Listing l = ReadAll(a);
    EXPECT_EQ(arc::kEnd, l.end);
    ASSERT_EQ(3u, l.entries.size());
    for (size_t i = 0; i < 3; ++i) {
      if (i == c.entry) {
        EXPECT_EQ(c.expected, l.entries[i].status);
      } else {
        EXPECT_EQ(arc::kOk, l.entries[i].status) << i;
        EXPECT_TRUE(tree[i].data == l.entries[i].data) << i;
      }
    }
  }
}

TEST(LzhRead, TruncatedAndOverlongArchivesFailCleanly) {
  std::string good = WriteLzh({{{"d"}, true, "", 0},
                               {{"d", "a.txt"}, false, Words(40000, 41), 40000},
                               {{"b.bin"}, false, test_data::Noise(5000, 42), 5000}});
  size_t first = Le16(good, 0);
  std::vector<size_t> h = Headers(good);
  ASSERT_EQ(3u, h.size());
  size_t cuts[] = {1, 10, 21, 25, first - 1, first + 10, h[1] + 30, h[1] + Le16(good, h[1]) + 100, h[2] - 1,
                   h[2] + 5, good.size() - 10, good.size() - 2};
  for (size_t cut : cuts) {
    SCOPED_TRACE(cut);
    std::string a = good.substr(0, cut);
    Listing l = ReadAll(a);
    bool failed = arc::IsError(l.end);
    for (const Got& g : l.entries) failed = failed || arc::IsError(g.status);
    EXPECT_TRUE(failed);
  }
  // Without the end mark everything is still there.
  Listing l = ReadAll(good.substr(0, good.size() - 1));
  EXPECT_EQ(arc::kEnd, l.end);
  ASSERT_EQ(3u, l.entries.size());
  for (const Got& g : l.entries) EXPECT_EQ(arc::kOk, g.status);

  // Sizes pointing past the end.
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
    bool width32;
    bool fixCrc;
    Status next;  // what Next gives for the entry
  };
  const Case cases[] = {
      {"level-2 header size", h[1], 0xFFF0, false, false, arc::kErrorDamaged},
      {"first ext header size", h[1] + 24, 0x7000, false, true, arc::kErrorDamaged},
      {"compressed size", h[1] + 7, 0x10000000, true, true, arc::kErrorDamaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string a = good;
    if (c.width32)
      Put32(a, c.offset, c.value);
    else
      Put16(a, c.offset, static_cast<uint16_t>(c.value));
    if (c.fixCrc) FixHeaderCrc(a, h[1]);
    arc::MemorySource source(a);
    EXPECT_FALSE(arc::IsLzhArchive(source, h[1]));
    auto reader = arc::OpenLzh(source);
    arc::Entry e;
    ASSERT_EQ(arc::kOk, reader->Next(e));  // the folder before
    EXPECT_EQ(c.next, reader->Next(e));
    if (c.next == arc::kOk) {
      arc::NullSink sink;
      EXPECT_EQ(arc::kErrorDamaged, reader->Extract(sink));
      EXPECT_EQ(arc::kErrorDamaged, reader->Next(e));
    }
  }
}

// A level-0 entry with chosen method and data, as no tool writes them.
std::string Level0(const char* method, const std::string& name, const std::string& data, uint32_t original,
                   uint16_t crc) {
  std::string h(22, '\0');
  memcpy(&h[2], method, 5);
  Put32(h, 7, static_cast<uint32_t>(data.size()));
  Put32(h, 11, original);
  Put32(h, 15, 0x526428C4);
  h[19] = 0x20;
  h[21] = static_cast<char>(name.size());
  h += name;
  h += std::string(2, '\0');
  Put16(h, h.size() - 2, crc);
  h[0] = static_cast<char>(h.size() - 2);
  unsigned sum = 0;
  for (size_t i = 2; i < h.size(); ++i) sum += static_cast<uint8_t>(h[i]);
  h[1] = static_cast<char>(sum);
  return h + data;
}

// Bits, most significant first.
std::string Bits(const std::vector<std::pair<int, unsigned>>& fields) {
  std::string out;
  unsigned acc = 0;
  int n = 0;
  for (auto& f : fields) {
    for (int b = f.first - 1; b >= 0; --b) {
      acc = acc << 1 | ((f.second >> b) & 1);
      if (++n == 8) {
        out += static_cast<char>(acc);
        acc = 0;
        n = 0;
      }
    }
  }
  if (n) out += static_cast<char>(acc << (8 - n));
  return out;
}

TEST(LzhRead, InvalidCodesAreRefusedAndReadingGoesOn) {
  const std::string tail = Level0("-lh0-", "ok.txt", "fine", 4, arc::LzhCrc16(0, "fine", 4));
  // A block of one symbol: pre-table, literal table and position table, each
  // given as a single 0-bit code, then the literal 'A' 100 times.
  std::string singleA = Bits({{16, 100}, {5, 0}, {5, 0}, {9, 0}, {9, 'A'}, {4, 0}, {4, 0}});
  std::string hundredA(100, 'A');
  struct Case {
    const char* what;
    std::string stream;
    uint32_t original;
    uint16_t crc;
    Status expected;
  };
  const Case cases[] = {
      {"zero-bit codes", singleA, 100, arc::LzhCrc16(0, hundredA.data(), 100), arc::kOk},
      {"more output declared than coded", singleA, 70000, 0, arc::kErrorCrc},
      {"over-subscribed code lengths", Bits({{16, 1}, {5, 19}, {3, 1}, {3, 1}, {3, 1}, {2, 0}, {3, 1}, {3, 1}}), 10,
       0, arc::kErrorCrc},
      {"count above the alphabet", Bits({{16, 1}, {5, 0}, {5, 3}, {9, 511}}), 10, 0, arc::kErrorCrc},
      {"a block of no symbols", Bits({{16, 0}, {16, 0}}), 10, 0, arc::kErrorCrc},
      {"unary length past 16", Bits({{16, 1}, {5, 1}, {3, 7}, {16, 0xFFFF}}), 10, 0, arc::kErrorCrc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string archive = Level0("-lh5-", "x.bin", c.stream, c.original, c.crc) + tail + std::string(1, '\0');
    Listing l = ReadAll(archive);
    EXPECT_EQ(arc::kEnd, l.end);
    ASSERT_EQ(2u, l.entries.size());
    EXPECT_EQ(c.expected, l.entries[0].status);
    if (c.expected == arc::kOk) {
      EXPECT_TRUE(hundredA == l.entries[0].data);
    }
    EXPECT_EQ(arc::kOk, l.entries[1].status);
    EXPECT_EQ("fine", l.entries[1].data);
  }
}

TEST(LzhRead, Lh4IsTheLh5BitstreamWithASmallerWindow) {
  // Under 4 KiB every distance fits -lh4-'s window, so -lh5- data relabelled
  // -lh4- must give the same bytes.
  std::string data = Words(4000, 61);
  std::string archive = WriteLzh({{{"a.txt"}, false, data, 4000}});
  ASSERT_EQ("-lh5-", archive.substr(2, 5));
  archive[5] = '4';
  FixHeaderCrc(archive, 0);
  Listing l = ReadAll(archive);
  ASSERT_EQ(1u, l.entries.size());
  EXPECT_EQ(arc::kOk, l.entries[0].status);
  EXPECT_TRUE(data == l.entries[0].data);
}

TEST(LzhRead, Level3HeadersWithFourByteSizes) {
  // Level 3 (rare): a word size of 4, the header size at 24 and ext sizes of
  // four bytes. Built by hand, as no tool here writes it.
  const std::string data = "level three";
  std::string h(32, '\0');
  Put16(h, 0, 4);
  memcpy(&h[2], "-lh0-", 5);
  Put32(h, 7, static_cast<uint32_t>(data.size()));
  Put32(h, 11, static_cast<uint32_t>(data.size()));
  Put32(h, 15, static_cast<uint32_t>(kTime));
  h[19] = 0x20;
  h[20] = 3;
  Put16(h, 21, arc::LzhCrc16(0, data.data(), data.size()));
  h[23] = 'W';
  auto ext = [&](const std::string& body) {
    Put32(h, h.size() - 4, static_cast<uint32_t>(body.size() + 4));
    h += body + std::string(4, '\0');
  };
  ext(std::string("\x00\x00\x00", 3));
  ext(std::string("\x01") + "three.txt");
  ext(std::string("\x02") + "d\xFF");
  Put32(h, 24, static_cast<uint32_t>(h.size()));
  Put16(h, 33, arc::LzhCrc16(0, h.data(), h.size()));
  std::string archive = h + data + std::string(1, '\0');
  arc::MemorySource source(archive);
  EXPECT_TRUE(arc::IsLzhArchive(source, 0));
  Listing l = ReadAll(archive);
  EXPECT_EQ(arc::kEnd, l.end);
  ASSERT_EQ(1u, l.entries.size());
  EXPECT_EQ("d/three.txt", l.entries[0].entry.name);
  EXPECT_EQ(kTime, l.entries[0].entry.unixTime);
  EXPECT_EQ(arc::kOk, l.entries[0].status);
  EXPECT_EQ(data, l.entries[0].data);

  // A header CRC that does not match.
  archive[40] ^= 1;
  EXPECT_FALSE(arc::IsLzhArchive(source, 0));
  EXPECT_EQ(arc::kErrorDamaged, ReadAll(archive).end);
}

// A level-2 entry: a file (-lh0-, data stored), or a folder or link
// (-lhd-) when `data` is null; `sizes64` adds ext 0x42 with that compressed
// size, `more` one more ext header (type byte and data).
std::string Level2(const std::string& name, const std::string& dir, const std::string* data, uint64_t sizes64,
                   const std::string& more = "") {
  std::string h(26, '\0');
  memcpy(&h[2], data ? "-lh0-" : "-lhd-", 5);
  if (data) {
    Put32(h, 7, static_cast<uint32_t>(data->size()));
    Put32(h, 11, static_cast<uint32_t>(data->size()));
    Put16(h, 21, arc::LzhCrc16(0, data->data(), data->size()));
  }
  h[19] = 0x20;
  h[20] = 2;
  h[23] = 'W';
  auto ext = [&](const std::string& body) {
    Put16(h, h.size() - 2, static_cast<uint16_t>(body.size() + 2));
    h += body + std::string(2, '\0');
  };
  ext(std::string("\x00\x00\x00", 3));
  if (!name.empty()) ext("\x01" + name);
  if (!dir.empty()) ext("\x02" + dir + "\xFF");
  if (sizes64) {
    std::string x = "\x42" + std::string(16, '\0');
    for (int i = 0; i < 8; ++i) x[1 + i] = static_cast<char>(sizes64 >> (8 * i));
    ext(x);
  }
  if (!more.empty()) ext(more);
  Put16(h, 0, static_cast<uint16_t>(h.size()));
  Put16(h, 27, arc::LzhCrc16(0, h.data(), h.size()));
  return h + (data ? *data : "");
}

TEST(LzhRead, UnixSymlinkAndSelfExtractingOffset) {
  // Unix LHA tools store a symbolic link as -lhd- with mode 0120777 and
  // "name|target"; no tool here writes one, so it is built by hand.
  std::string archive = Level2("lnk|../target/file", "dir", nullptr, 0, std::string("\x50\xFF\xA1", 3)) +
                        std::string(1, '\0');
  Listing l = ReadAll(archive);
  ASSERT_EQ(1u, l.entries.size());
  EXPECT_EQ(arc::EntryKind::Link, l.entries[0].entry.kind);
  EXPECT_EQ("dir/lnk", l.entries[0].entry.name);
  EXPECT_EQ("../target/file", l.entries[0].entry.linkTarget);
  EXPECT_EQ(arc::kOk, l.entries[0].status);
  EXPECT_TRUE(l.entries[0].data.empty());

  // The same archive behind 5000 bytes of a program.
  std::string written = WriteLzh({{{"a.txt"}, false, Words(3000, 51), 3000}});
  std::string sfx = std::string(5000, 'M') + written;
  arc::MemorySource source(sfx);
  EXPECT_FALSE(arc::IsLzhArchive(source, 0));
  EXPECT_TRUE(arc::IsLzhArchive(source, 5000));
  EXPECT_EQ(5000u, arc::FindLzhArchive(source, 0, 65536));
  EXPECT_EQ(UINT64_MAX, arc::FindLzhArchive(source, 0, 4000));
  Listing s = ReadAll(sfx, 5000);
  EXPECT_EQ(arc::kEnd, s.end);
  ASSERT_EQ(1u, s.entries.size());
  EXPECT_EQ(Words(3000, 51), s.entries[0].data);
}

TEST(LzhRead, SizesBeyondTheFileEndTheWalkAfterTheEntriesBefore) {
  // One good file, then an entry whose 64-bit compressed size (ext 0x42)
  // makes the next header's offset wrap round to the start: 92 bytes in all
  // for the folder. The walk must stop there with the file extracted once.
  const std::string x = "x";
  const std::string first = Level2("a", "", &x, 0);
  const std::string none;
  const struct {
    const char* what;
    std::string name, dir;
    const std::string* data;
    bool extract;
  } rows[] = {{"folder", "", "d", nullptr, true},
              {"link", "l|a", "", nullptr, true},
              {"file, only listed", "b", "", &none, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    size_t headerSize = Level2(row.name, row.dir, row.data, 1).size();
    uint64_t back = 0 - static_cast<uint64_t>(first.size() + headerSize);  // dataOffset + size = 0
    for (uint64_t sizes64 : {uint64_t(0), back}) {
      std::string archive = first + Level2(row.name, row.dir, row.data, sizes64) + std::string(1, '\0');
      if (sizes64 && row.dir == "d") {
        EXPECT_EQ(92u, archive.size());
      }
      arc::MemorySource source(archive);
      EXPECT_TRUE(arc::IsLzhArchive(source));
      EXPECT_EQ(sizes64 == 0, arc::IsWholeLzhArchive(source));
      auto reader = arc::OpenLzh(source);
      std::string seen;
      arc::Entry e;
      Status s = arc::kOk;
      int calls = 0;
      while (calls++ < 20 && (s = reader->Next(e)) == arc::kOk) {
        seen += e.name + ";";
        arc::MemoryOutput out;
        if (row.extract) {
          EXPECT_EQ(arc::kOk, reader->Extract(out));
        }
        seen += std::string(out.bytes.begin(), out.bytes.end()) + ";";
      }
      ASSERT_LT(calls, 20) << seen;  // the walk ended
      if (sizes64) {
        EXPECT_EQ(arc::kErrorDamaged, s);
        EXPECT_EQ(row.extract ? "a;x;" : "a;;", seen);
      } else {
        EXPECT_EQ(arc::kEnd, s);
      }
    }
  }
}

}  // namespace
