// The ZIP reader and writer against Info-ZIP zip/unzip, 7-Zip and bsdtar:
// archives the real tools make at test time are read back byte for byte, and
// archives the writer makes are tested and extracted by the real tools.
#include "archivers/zip/zip.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <set>

#include "archivers/core/extract.h"
#include "archivers/win/win_files.h"
#include "tests/archivers/peers.h"
#include "tests/support/data.h"
#include "tests/archivers/read_all.h"

namespace {

using arc::Status;

Listing ReadAll(const std::string& archive) {
  arc::MemorySource source(archive);
  Status open = arc::kOk;
  auto reader = arc::OpenZip(source, &open);
  return ReadEntries(reader.get(), open);
}

std::string Utf8ToCp932(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
  int m = WideCharToMultiByte(932, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(m, '\0');
  WideCharToMultiByte(932, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
  return out;
}

// Files below a folder keyed by their '/'-separated names (folders end in '/').
std::map<std::string, std::string> TreeByName(const std::string& folder) {
  std::map<std::string, std::string> tree;
  for (auto& f : peers::Tree(folder)) {
    std::string name = f.first;
    // Separators only: a CP932 trail byte 0x5C is part of its character.
    for (size_t i = 0; i < name.size(); ++i) {
      uint8_t c = static_cast<uint8_t>(name[i]);
      if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
        ++i;
      else if (c == '\\')
        name[i] = '/';
    }
    tree[name] = f.second;
  }
  return tree;
}

std::string ReadOrFail(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(peers::ReadFile(path, bytes)) << path;
  return bytes;
}

// A stream of zero bytes of a given length.
class ZeroStream : public arc::Stream {
 public:
  explicit ZeroStream(uint64_t n) : left_(n) {}
  size_t Read(void* buffer, size_t n) override {
    if (n > left_) n = static_cast<size_t>(left_);
    memset(buffer, 0, n);
    left_ -= n;
    return n;
  }

 private:
  uint64_t left_;
};

// An archive in memory that keeps only the 64 KiB blocks holding a non-zero
// byte, for archives of more than 4 GiB made of zeros.
class SparseFile : public arc::Output, public arc::Source {
 public:
  static constexpr uint64_t kBlock = 65536;
  bool Write(const void* data, size_t n) override {
    Put(size_, static_cast<const uint8_t*>(data), n);
    size_ += n;
    return true;
  }
  uint64_t Position() const override { return size_; }
  bool WriteAt(uint64_t offset, const void* data, size_t n) override {
    if (offset + n > size_) return false;
    Put(offset, static_cast<const uint8_t*>(data), n);
    return true;
  }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
    if (offset >= size_) return 0;
    if (n > size_ - offset) n = static_cast<size_t>(size_ - offset);
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (size_t done = 0; done < n;) {
      uint64_t at = offset + done;
      size_t in = at % kBlock, take = std::min<size_t>(n - done, kBlock - in);
      auto it = blocks_.find(at / kBlock);
      if (it == blocks_.end())
        memset(p + done, 0, take);
      else
        memcpy(p + done, it->second.data() + in, take);
      done += take;
    }
    return n;
  }
  // Writes the file with holes where the zeros are.
  bool Save(const std::string& path) const {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (auto& b : blocks_) {
      LARGE_INTEGER at;
      at.QuadPart = static_cast<LONGLONG>(b.first * kBlock);
      DWORD n = static_cast<DWORD>(std::min<uint64_t>(kBlock, size_ - b.first * kBlock)), written = 0;
      ok = ok && SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
           ::WriteFile(h, b.second.data(), n, &written, nullptr) && written == n;
    }
    CloseHandle(h);
    return ok && !blocks_.empty() && blocks_.rbegin()->first == (size_ - 1) / kBlock;
  }

 private:
  void Put(uint64_t offset, const uint8_t* p, size_t n) {
    while (n > 0) {
      size_t in = offset % kBlock, take = std::min<size_t>(n, kBlock - in);
      auto it = blocks_.find(offset / kBlock);
      static const std::vector<uint8_t> zeros(kBlock);
      if (it == blocks_.end() && memcmp(p, zeros.data(), take) != 0)
        it = blocks_.emplace(offset / kBlock, std::vector<uint8_t>(kBlock)).first;
      if (it != blocks_.end()) memcpy(it->second.data() + in, p, take);
      offset += take;
      p += take;
      n -= take;
    }
  }
  std::map<uint64_t, std::vector<uint8_t>> blocks_;
  uint64_t size_ = 0;
};

// One entry for the writer.
struct NewFile {
  std::vector<std::string> cp932, utf8;
  bool folder;
  std::string data;
  uint64_t announced;  // NewEntry.size, which need not be the real size
  uint32_t attributes;
};

std::string WriteZip(const std::vector<NewFile>& files, int level = 6) {
  arc::MemoryOutput out;
  auto writer = arc::CreateZipWriter(out, level);
  for (const NewFile& f : files) {
    arc::NewEntry e;
    e.partsCp932 = f.cp932;
    e.partsUtf8 = f.utf8;
    e.folder = f.folder;
    e.size = f.announced;
    e.unixTime = 1700000000;
    e.dosTime = 0x57612000;  // 2023-11-01 04:00:00
    e.attributes = f.attributes;
    arc::MemorySource source(f.data);
    arc::SourceStream stream(source);
    EXPECT_EQ(arc::kOk, writer->Add(e, f.folder ? nullptr : &stream));
  }
  EXPECT_EQ(arc::kOk, writer->Finish());
  return std::string(out.bytes.begin(), out.bytes.end());
}

const char kMakeTree[] =
    "mkdir -p src/bin src/emptydir src/sub/deep && seq 1 30000 > src/a.txt && head -c 150000 /dev/urandom > "
    "src/bin/b.bin && : > src/empty.txt && printf 'deep\\n' > src/sub/deep/c.txt";
const std::string kTop = "a.txt bin empty.txt emptydir sub";
const std::string kJapanese = u8"日本語.txt";

struct ReadCase {
  const char* label;
  std::string script;        // makes t.zip from src/
  const char* streamedFrom;  // the one entry "-" holds this file of src/
  bool japanese;             // src/ also holds 日本語.txt, which must come out as UTF-8
};

TEST(ZipRead, ArchivesOfTheRealToolsReadByteForByte) {
  const ReadCase cases[] = {
      {"zip stored", "cd src && zip -q -0 -r ../t.zip " + kTop, nullptr, false},
      {"zip deflated", "cd src && zip -q -r ../t.zip " + kTop, nullptr, false},
      {"zip forced ZIP64", "cd src && zip -q -fz -r ../t.zip " + kTop, nullptr, false},
      {"zip from a pipe (descriptor, ZIP64)", "cat src/a.txt | zip -q - - | cat > t.zip", "a.txt", false},
      {"zip from a pipe, binary", "cat src/bin/b.bin | zip -q - - | cat > t.zip", "bin\\b.bin", false},
      {"7z UTF-8 name", "cd src && LC_ALL=C.UTF-8 7z a -tzip ../t.zip " + kTop + " " + kJapanese + " >/dev/null",
       nullptr, true},
      {"7z stored", "cd src && LC_ALL=C.UTF-8 7z a -tzip -mx0 ../t.zip " + kTop + " >/dev/null", nullptr, false},
      {"bsdtar", "cd src && bsdtar --format zip -cf ../t.zip " + kTop, nullptr, false},
      {"bsdtar stored (descriptor)",
       "cd src && bsdtar --format zip --options zip:compression=store -cf ../t.zip " + kTop, nullptr, false},
      {"stub the offsets leave out",
       "cd src && zip -q -r ../z.zip " + kTop +
           " && cd .. && head -c 5000 /dev/urandom > stub && cat stub z.zip > t.zip",
       nullptr, false},
      {"stub counted (zip -A)",
       "cd src && zip -q -r ../z.zip " + kTop +
           " && cd .. && head -c 5000 /dev/urandom > stub && cat stub z.zip > t.zip && zip -q -A t.zip",
       nullptr, false},
      {"comment and data after the archive",
       "cd src && zip -q -r ../t.zip " + kTop +
           " && cd .. && echo note | zip -q -z t.zip && head -c 2000 /dev/urandom >> t.zip",
       nullptr, false},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::string folder = peers::FreshFolder("zipread");
    std::string script = std::string(kMakeTree) + (c.japanese ? " && echo x > src/" + kJapanese : "") +
                         " && find src -exec touch -h -d @1600000000 {} + && " + c.script;
    peers::Result r = peers::Run(peers::UnixPath(folder), script);
    ASSERT_EQ(0, r.exitCode) << r.output;
    std::string zip = ReadOrFail(folder + "\\t.zip");
    arc::MemorySource source(zip);
    EXPECT_TRUE(arc::IsZipArchive(source));
    Listing l = ReadAll(zip);
    ASSERT_EQ(arc::kOk, l.open);
    EXPECT_EQ(arc::kEnd, l.end);
    if (c.streamedFrom) {
      ASSERT_EQ(1u, l.entries.size());
      EXPECT_EQ("-", l.entries[0].entry.name);
      EXPECT_EQ(arc::kOk, l.entries[0].status);
      EXPECT_TRUE(l.entries[0].data == ReadOrFail(folder + "\\src\\" + c.streamedFrom));
      continue;
    }
    std::map<std::string, std::string> tree = TreeByName(folder + "\\src");
    std::set<std::string> seen;
    bool japaneseSeen = false;
    for (const Got& g : l.entries) {
      const arc::Entry& e = g.entry;
      std::string name = e.charset == arc::NameCharset::Utf8 ? Utf8ToCp932(e.name) : e.name;
      SCOPED_TRACE(name);
      if (e.name == kJapanese && e.charset == arc::NameCharset::Utf8) japaneseSeen = true;
      EXPECT_EQ(arc::kOk, g.status);
      auto it = tree.find(name);
      ASSERT_TRUE(it != tree.end());
      seen.insert(name);
      bool folderName = name.back() == '/';
      EXPECT_EQ(folderName ? arc::EntryKind::Folder : arc::EntryKind::File, e.kind);
      EXPECT_EQ(folderName, (e.attributes & 0x10) != 0);
      EXPECT_TRUE(g.data == it->second);
      EXPECT_EQ(it->second.size(), e.size);
      EXPECT_TRUE(e.hasDosTime);
      EXPECT_TRUE(e.hasUnixTime);
      EXPECT_EQ(1600000000, e.unixTime);
    }
    EXPECT_EQ(tree.size(), seen.size());
    EXPECT_EQ(tree.size(), l.entries.size());
    EXPECT_EQ(c.japanese, japaneseSeen);
  }
}

TEST(ZipRead, UnixSymlinksAreLinksWithTheirTarget) {
  const char* makers[] = {"cd src && zip -q -y ../t.zip t.txt ln",
                          "cd src && bsdtar --format zip -cf ../t.zip t.txt ln"};
  for (const char* maker : makers) {
    SCOPED_TRACE(maker);
    std::string folder = peers::FreshFolder("ziplink");
    peers::Result r = peers::Run(peers::UnixPath(folder),
                                 std::string("mkdir src && echo x > src/t.txt && ln -s t.txt src/ln && ") + maker);
    ASSERT_EQ(0, r.exitCode) << r.output;
    Listing l = ReadAll(ReadOrFail(folder + "\\t.zip"));
    ASSERT_EQ(2u, l.entries.size());
    EXPECT_EQ(arc::EntryKind::File, l.entries[0].entry.kind);
    EXPECT_EQ("ln", l.entries[1].entry.name);
    EXPECT_EQ(arc::EntryKind::Link, l.entries[1].entry.kind);
    EXPECT_EQ("t.txt", l.entries[1].entry.linkTarget);
    EXPECT_EQ(arc::kOk, l.entries[1].status);
  }
}

// Names without the UTF-8 flag: UTF-8 from Unix tools, code page 932 from
// Windows ones; extraction must create exactly the recorded names.
TEST(ZipRead, UnflaggedNamesAreUtf8WhenTheyLookItElseCodePage932) {
  struct Case {
    const char* label;
    std::string script;                 // makes t.zip in the folder, or empty
    std::vector<std::string> cp932;     // else our writer stores these names, unflagged
    std::set<std::wstring> expected;
  } cases[] = {
      {"zip on Linux", std::string("echo a > ") + u8"Café.txt" + " && echo b > " + u8"表.txt" +
           " && echo c > a.txt && LC_ALL=C.UTF-8 zip -q t.zip *.txt",
       {}, {L"Caf\u00e9.txt", L"\u8868.txt", L"a.txt"}},
      {"Shift-JIS names", "", {"表.txt", "日本語.txt", "a.txt"}, {L"\u8868.txt", L"\u65e5\u672c\u8a9e.txt", L"a.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string folder = peers::FreshFolder("zipnames");
    if (c.script.empty()) {
      std::vector<NewFile> files;
      for (const std::string& name : c.cp932) files.push_back({{name}, {}, false, "x", 1, 0x20});
      ASSERT_TRUE(peers::WriteFile(folder + "\\t.zip", WriteZip(files)));
    } else {
      peers::Result r = peers::Run(peers::UnixPath(folder), c.script);
      ASSERT_EQ(0, r.exitCode) << r.output;
    }
    std::string zip = ReadOrFail(folder + "\\t.zip");
    arc::MemorySource source(zip);
    Status open = arc::kOk;
    auto reader = arc::OpenZip(source, &open);
    ASSERT_TRUE(reader) << open;
    std::wstring out = arc::Widen(folder, CP_ACP) + L"\\out";
    ASSERT_TRUE(CreateDirectoryW(out.c_str(), nullptr));
    arc::FolderTarget target(out);
    arc::ExtractReport report;
    EXPECT_EQ(arc::kOk, arc::ExtractAll(*reader, &target, report));
    std::set<std::wstring> made;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((out + L"\\*").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    do {
      if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) made.insert(fd.cFileName);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    EXPECT_TRUE(made == c.expected);
  }
}

TEST(ZipRead, MoreThan65535EntriesFromZip) {
  std::string folder = peers::FreshFolder("zipmany");
  // Many small files are made on a memory file system when there is one.
  peers::Result r = peers::Run(peers::UnixPath(folder),
                               "d=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d -p .) && (cd \"$d\" && printf "
                               "'f%d\\n' $(seq 1 66000) | xargs touch && echo last > f66000 && zip -q -0 -X -r - .) "
                               "> many.zip; rc=$?; rm -rf \"$d\"; exit $rc");
  ASSERT_EQ(0, r.exitCode) << r.output;
  std::string zip = ReadOrFail(folder + "\\many.zip");
  arc::MemorySource source(zip);
  Status open;
  auto reader = arc::OpenZip(source, &open);
  ASSERT_TRUE(reader != nullptr);
  arc::Entry e;
  std::set<std::string> names;
  size_t bytes = 0, failures = 0;
  while (reader->Next(e) == arc::kOk) {
    arc::MemoryOutput out;
    if (reader->Extract(out) != arc::kOk) ++failures;
    bytes += out.bytes.size();
    names.insert(e.name);
  }
  EXPECT_EQ(66000u, names.size());
  EXPECT_EQ(1u, names.count("f66000"));
  EXPECT_EQ(5u, bytes);
  EXPECT_EQ(0u, failures);
  EXPECT_EQ(zip.size(), reader->Position());
}

// The writer's tree: text, binary, empty, folders, names whose CP932 bytes
// hold 0x5C, a deep path, a file whose announced size is wrong both ways.
std::vector<NewFile> WriterTree() {
  const std::string big = test_data::Letters(700000, 1);
  return {
      {{"a.txt"}, {}, false, test_data::Letters(100000, 2), 100000, 0x20},
      {{"bin"}, {}, true, "", 0, 0x10},
      {{"bin", "b.bin"}, {}, false, test_data::Noise(200000, 3), 200000, 0x20},
      {{"big.txt"}, {}, false, big, 0, 0x20},                                       // announced smaller
      {{"random.bin"}, {}, false, test_data::Noise(400000, 4), 5000000000ull, 0x20},  // announced as over 4 GiB
      {{"empty.txt"}, {}, false, "", 0, 0x20},
      {{"emptydir"}, {}, true, "", 0, 0x10},
      {{"readonly.txt"}, {}, false, "read only\n", 10, 0x21},
      {{"表.txt"}, {u8"表.txt"}, false, "table\n", 6, 0x20},
      {{"日本"}, {u8"日本"}, true, "", 0, 0x10},
      {{"日本", "表.txt"}, {u8"日本", u8"表.txt"}, false, test_data::Letters(3000, 5), 3000, 0x20},
      {{"d1"}, {}, true, "", 0, 0x10},
      {{"d1", "d2"}, {}, true, "", 0, 0x10},
      {{"d1", "d2", "d3"}, {}, true, "", 0, 0x10},
      {{"d1", "d2", "d3", "d4"}, {}, true, "", 0, 0x10},
      {{"d1", "d2", "d3", "d4", "deep.txt"}, {}, false, "deep\n", 5, 0x20},
  };
}

std::string JoinName(const std::vector<std::string>& parts, bool folder) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : "/") + p;
  return folder ? s + "/" : s;
}

TEST(ZipWrite, RealToolsTestAndExtractTheWritersArchive) {
  std::vector<NewFile> files = WriterTree();
  std::string zip = WriteZip(files);
  std::string folder = peers::FreshFolder("zipwrite");
  ASSERT_TRUE(peers::WriteFile(folder + "\\w.zip", zip));
  peers::Result r = peers::Run(peers::UnixPath(folder),
                               "unzip -t w.zip && LC_ALL=C.UTF-8 7z t w.zip && LC_ALL=C.UTF-8 7z l -slt w.zip && "
                               "mkdir out && cd out && LC_ALL=C.UTF-8 unzip -q ../w.zip");
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("No errors detected in compressed data of w.zip."));
  EXPECT_NE(std::string::npos, r.output.find("Everything is Ok"));
  // The Japanese names reach 7-Zip and unzip through the Unicode Path extra.
  EXPECT_NE(std::string::npos, r.output.find(u8"Path = 表.txt\n")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find(u8"Path = 日本/表.txt\n")) << r.output;
  std::map<std::string, std::string> tree = TreeByName(folder + "\\out");
  EXPECT_EQ(files.size(), tree.size());
  for (const NewFile& f : files) {
    std::string name = JoinName(f.cp932, f.folder);
    SCOPED_TRACE(name);
    auto it = tree.find(name);
    ASSERT_TRUE(it != tree.end());
    EXPECT_TRUE(it->second == f.data);
  }

  // And back through the reader.
  Listing l = ReadAll(zip);
  ASSERT_EQ(arc::kOk, l.open);
  EXPECT_EQ(arc::kEnd, l.end);
  ASSERT_EQ(files.size(), l.entries.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const arc::Entry& e = l.entries[i].entry;
    const NewFile& f = files[i];
    SCOPED_TRACE(e.name);
    if (f.utf8.empty()) {
      EXPECT_EQ(JoinName(f.cp932, f.folder), e.name);
      EXPECT_EQ(arc::NameCharset::Cp932, e.charset);
    } else {
      EXPECT_EQ(JoinName(f.utf8, f.folder), e.name);
      EXPECT_EQ(arc::NameCharset::Utf8, e.charset);
    }
    EXPECT_EQ(f.folder ? arc::EntryKind::Folder : arc::EntryKind::File, e.kind);
    EXPECT_EQ(arc::kOk, l.entries[i].status);
    EXPECT_TRUE(l.entries[i].data == f.data);
    EXPECT_EQ(f.data.size(), e.size);
    EXPECT_EQ(f.attributes, e.attributes);
    EXPECT_EQ(0x57612000u, e.dosTime);
    EXPECT_TRUE(e.hasUnixTime);
    EXPECT_EQ(1700000000, e.unixTime);
  }
}

TEST(ZipWrite, SixtyFiveThousandFiveHundredThirtySixEntriesGetZip64EndRecords) {
  std::vector<NewFile> files;
  for (int i = 0; i < 65536; ++i)
    files.push_back({{"f" + std::to_string(i)}, {}, false, i == 65535 ? "last" : "", 0, 0x20});
  std::string zip = WriteZip(files);
  // The ZIP64 end record and locator come just before the classic record,
  // whose entry counts hold the sentinel.
  ASSERT_GT(zip.size(), 98u);
  const uint8_t* end = reinterpret_cast<const uint8_t*>(zip.data()) + zip.size();
  EXPECT_EQ(0x06064B50u, arc::Le32(end - 98));
  EXPECT_EQ(0x07064B50u, arc::Le32(end - 42));
  EXPECT_EQ(0xFFFF, arc::Le16(end - 12));
  std::string folder = peers::FreshFolder("zip64count");
  ASSERT_TRUE(peers::WriteFile(folder + "\\w.zip", zip));
  peers::Result r = peers::Run(peers::UnixPath(folder), "unzip -tq w.zip && 7z t w.zip");
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("No errors detected in compressed data of w.zip."));
  EXPECT_NE(std::string::npos, r.output.find("Files: 65536"));
  Listing l = ReadAll(zip);
  ASSERT_EQ(65536u, l.entries.size());
  EXPECT_EQ(arc::kEnd, l.end);
  EXPECT_EQ("f65535", l.entries.back().entry.name);
  EXPECT_EQ("last", l.entries.back().data);
}

// Adds a file with announced size `announced` and contents `data`.
Status AddTo(arc::ArchiveWriter& writer, const char* name, uint64_t announced, arc::Stream& data) {
  arc::NewEntry e;
  e.partsCp932 = {name};
  e.size = announced;
  e.unixTime = 1700000000;
  e.dosTime = 0x57612000;
  return writer.Add(e, &data);
}

// The names and lengths of what the reader extracts, each checked.
std::vector<std::pair<std::string, uint64_t>> ExtractAll(arc::Source& source) {
  std::vector<std::pair<std::string, uint64_t>> all;
  Status open;
  auto reader = arc::OpenZip(source, &open);
  EXPECT_TRUE(reader != nullptr) << open;
  if (!reader) return all;
  arc::Entry e;
  while (reader->Next(e) == arc::kOk) {
    arc::NullSink sink;
    EXPECT_EQ(arc::kOk, reader->Extract(sink)) << e.name;
    EXPECT_EQ(e.size, sink.written) << e.name;
    all.emplace_back(e.name, sink.written);
  }
  return all;
}

TEST(ZipWrite, EntriesAndOffsetsBeyond4GiB) {
  const uint64_t kBig = 4400000000ull;
  SparseFile file;
  auto writer = arc::CreateZipWriter(file, 0);
  arc::MemorySource hello("hello\n", 6);
  arc::SourceStream first(hello), last(hello);
  ZeroStream big(kBig);
  EXPECT_EQ(arc::kOk, AddTo(*writer, "small.txt", 6, first));
  EXPECT_EQ(arc::kOk, AddTo(*writer, "big.bin", kBig, big));
  EXPECT_EQ(arc::kOk, AddTo(*writer, "after.txt", 6, last));
  EXPECT_EQ(arc::kOk, writer->Finish());
  ASSERT_GT(file.Size(), kBig);
  const std::vector<std::pair<std::string, uint64_t>> expected = {
      {"small.txt", 6}, {"big.bin", kBig}, {"after.txt", 6}};
  EXPECT_EQ(expected, ExtractAll(file));

  std::string folder = peers::FreshFolder("zip4g");
  ASSERT_TRUE(file.Save(folder + "\\w.zip"));
  // unzip tests the small entries (its CRC loop takes half a minute over
  // 4 GiB); 7-Zip tests everything.
  peers::Result r = peers::Run(peers::UnixPath(folder), "unzip -tq w.zip small.txt after.txt && 7z t w.zip");
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("No errors detected in w.zip for the 2 files tested."));
  EXPECT_NE(std::string::npos, r.output.find("Everything is Ok"));
  EXPECT_NE(std::string::npos, r.output.find("Size:       4400000012"));
}

TEST(ZipWrite, FileGrowingPast4GiBWhileReadIsLeftOut) {
  SparseFile file;
  auto writer = arc::CreateZipWriter(file, 0);
  arc::MemorySource hello("hello\n", 6);
  arc::SourceStream first(hello), last(hello);
  ZeroStream grown(0x100000000ull + 100);
  EXPECT_EQ(arc::kOk, AddTo(*writer, "small.txt", 6, first));
  // Announced small, so its local header has no room for 64-bit sizes.
  EXPECT_EQ(arc::kErrorSourceFile, AddTo(*writer, "grown.bin", 1000, grown));
  EXPECT_EQ(arc::kOk, AddTo(*writer, "after.txt", 6, last));
  EXPECT_EQ(arc::kOk, writer->Finish());
  const std::vector<std::pair<std::string, uint64_t>> expected = {{"small.txt", 6}, {"after.txt", 6}};
  EXPECT_EQ(expected, ExtractAll(file));
}

TEST(ZipWrite, CopyAfterPrefixMovesTheOffsets) {
  std::vector<NewFile> files = WriterTree();
  std::string zip = WriteZip(files);
  arc::MemorySource source(zip);
  arc::MemoryOutput out;
  std::string stub = "MZ" + std::string(4998, '\0');
  out.Write(stub.data(), stub.size());
  ASSERT_EQ(arc::kOk, arc::CopyZipAfterPrefix(source, out, stub.size()));
  std::string sfx(out.bytes.begin(), out.bytes.end());
  EXPECT_EQ(zip.size() + 5000, sfx.size());

  std::string folder = peers::FreshFolder("zipsfx");
  ASSERT_TRUE(peers::WriteFile(folder + "\\sfx.exe", sfx));
  ASSERT_TRUE(peers::WriteFile(folder + "\\cat.exe", stub + zip));
  peers::Result adjusted = peers::Run(peers::UnixPath(folder), "unzip -t sfx.exe");
  ASSERT_EQ(0, adjusted.exitCode) << adjusted.output;
  EXPECT_NE(std::string::npos, adjusted.output.find("No errors detected"));
  EXPECT_EQ(std::string::npos, adjusted.output.find("extra bytes")) << adjusted.output;
  // What unzip says about the same bytes without the adjustment.
  peers::Result plain = peers::Run(peers::UnixPath(folder), "unzip -t cat.exe");
  EXPECT_NE(std::string::npos, plain.output.find("5000 extra bytes")) << plain.output;

  Listing l = ReadAll(sfx);
  ASSERT_EQ(arc::kOk, l.open);
  ASSERT_EQ(files.size(), l.entries.size());
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(arc::kOk, l.entries[i].status);
    EXPECT_TRUE(l.entries[i].data == files[i].data);
  }
}

TEST(ZipHostile, EncryptedEntryIsRefusedWithNothingWritten) {
  std::string folder = peers::FreshFolder("zipenc");
  peers::Result r = peers::Run(peers::UnixPath(folder),
                               "mkdir src && seq 1 1000 > src/s.txt && cd src && zip -q -P secret ../e.zip s.txt");
  ASSERT_EQ(0, r.exitCode) << r.output;
  Listing l = ReadAll(ReadOrFail(folder + "\\e.zip"));
  ASSERT_EQ(1u, l.entries.size());
  EXPECT_EQ("s.txt", l.entries[0].entry.name);
  EXPECT_EQ(arc::kErrorEncrypted, l.entries[0].status);
  EXPECT_TRUE(l.entries[0].data.empty());
}

// Byte positions inside the hostile cases' base archive.
size_t CentralAt(const std::string& zip, int index) {
  size_t at = zip.find("PK\x01\x02");
  for (int i = 0; i < index; ++i) at = zip.find("PK\x01\x02", at + 4);
  return at;
}
void Put32(std::string& s, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(x >> (8 * i));
}
uint32_t Get32(const std::string& s, size_t at) { return arc::Le32(reinterpret_cast<const uint8_t*>(s.data()) + at); }
// Gives central header `index` 64-bit values (a ZIP64 extra) for its
// compressed size and local-header offset.
void Zip64Central(std::string& z, int index, uint64_t csize, uint64_t offset) {
  size_t at = CentralAt(z, index);
  std::string extra = std::string("\x01\x00\x10\x00", 4) + std::string(16, '\0');
  for (int i = 0; i < 8; ++i) {
    extra[4 + i] = static_cast<char>(csize >> (8 * i));
    extra[12 + i] = static_cast<char>(offset >> (8 * i));
  }
  Put32(z, at + 20, 0xFFFFFFFFu);
  Put32(z, at + 42, 0xFFFFFFFFu);
  uint16_t nameLength = static_cast<uint16_t>(Get32(z, at + 28)), extraLength = static_cast<uint16_t>(Get32(z, at + 30));
  z[at + 30] = static_cast<char>(extraLength + 20);
  z[at + 31] = static_cast<char>((extraLength + 20) >> 8);
  z.insert(at + 46 + nameLength, extra);
  Put32(z, z.size() - 10, Get32(z, z.size() - 10) + 20);  // the directory's size
}

struct HostileCase {
  const char* label;
  std::function<void(std::string&)> damage;
  Status open;
  std::vector<Status> entries;  // Extract's result per entry, up to the first that stops the reading
};

TEST(ZipHostile, DamagedArchivesGiveErrorsNotCrashes) {
  // s.bin is stored (random bytes do not deflate), d.txt deflates to a few
  // bytes, e.txt follows.
  const std::string base = WriteZip({{{"s.bin"}, {}, false, test_data::Noise(64, 9), 64, 0x20},
                                     {{"d.txt"}, {}, false, std::string(1000, 'd'), 1000, 0x20},
                                     {{"e.txt"}, {}, false, "last entry\n", 11, 0x20}});
  const HostileCase cases[] = {
      {"intact", [](std::string&) {}, arc::kOk, {arc::kOk, arc::kOk, arc::kOk}},
      {"stored data byte flipped",
       [](std::string& z) { z[30 + 5 + 9 + 10] ^= 1; },
       arc::kOk,
       {arc::kErrorCrc, arc::kOk, arc::kOk}},
      {"tiny deflated entry claims 4 GiB",
       [](std::string& z) { Put32(z, CentralAt(z, 1) + 24, 0xFFFFFFF0u); },
       arc::kOk,
       {arc::kOk, arc::kErrorCrc, arc::kOk}},
      {"deflated entry claims fewer bytes",
       [](std::string& z) { Put32(z, CentralAt(z, 1) + 24, 999); },
       arc::kOk,
       {arc::kOk, arc::kErrorCrc, arc::kOk}},
      {"compressed size beyond the file",
       [](std::string& z) { Put32(z, CentralAt(z, 1) + 20, 0xFFFFFFF0u); },
       arc::kOk,
       {arc::kOk}},
      {"64-bit compressed size wraps round",
       [](std::string& z) { Zip64Central(z, 1, 0 - uint64_t(20), Get32(z, CentralAt(z, 1) + 42)); },
       arc::kOk,
       {arc::kOk}},
      {"64-bit local-header offset wraps round",
       [](std::string& z) { Zip64Central(z, 1, Get32(z, CentralAt(z, 1) + 20), 0 - uint64_t(16)); },
       arc::kOk,
       {arc::kOk}},
      {"end record claims more entries than the directory holds",
       [](std::string& z) {
         z[z.size() - 12] = z[z.size() - 14] = '\xFE';
         z[z.size() - 11] = z[z.size() - 13] = '\xFF';
       },
       arc::kErrorNotArchive,
       {}},
      {"directory lies outside the file",
       [](std::string& z) { Put32(z, z.size() - 6, 0x7FFFFFFF); },
       arc::kErrorNotArchive,
       {}},
      {"two entries on one local header",
       [](std::string& z) { Put32(z, CentralAt(z, 2) + 42, Get32(z, CentralAt(z, 1) + 42)); },
       arc::kOk,
       {arc::kOk, arc::kErrorDamaged}},
      {"data overlapping the next local header",
       [](std::string& z) { Put32(z, CentralAt(z, 0) + 20, Get32(z, CentralAt(z, 0) + 20) + 20); },
       arc::kOk,
       {arc::kErrorDamaged}},
      {"local header signature broken",
       [](std::string& z) { z[Get32(z, CentralAt(z, 1) + 42)] = 'X'; },
       arc::kOk,
       {arc::kOk, arc::kErrorDamaged}},
      {"unsupported method",
       [](std::string& z) { z[CentralAt(z, 1) + 10] = 12; },
       arc::kOk,
       {arc::kOk, arc::kErrorMethod, arc::kOk}},
      {"encrypted flag",
       [](std::string& z) { z[CentralAt(z, 0) + 8] |= 1; },
       arc::kOk,
       {arc::kErrorEncrypted, arc::kOk, arc::kOk}},
      {"central header cut short",
       [](std::string& z) { Put32(z, z.size() - 10, Get32(z, z.size() - 10) - 10); },
       arc::kOk,
       {arc::kOk, arc::kOk}},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::string zip = base;
    c.damage(zip);
    Listing l = ReadAll(zip);
    EXPECT_EQ(c.open, l.open);
    std::vector<Status> statuses;
    for (const Got& g : l.entries) {
      statuses.push_back(g.status);
      if (g.status == arc::kErrorEncrypted) {
        EXPECT_TRUE(g.data.empty());
      }
    }
    EXPECT_EQ(c.entries, statuses);
    // The walk ends: at the end, after an entry that stops it, or with
    // kErrorDamaged where the directory breaks off.
    Status end = c.open != arc::kOk ? arc::kOk
                 : c.entries.size() == 3 ? arc::kEnd
                 : !c.entries.empty() && arc::IsFatal(c.entries.back()) ? arc::kOk
                                                                        : arc::kErrorDamaged;
    EXPECT_EQ(end, l.end);
  }

  arc::MemorySource text("just some text, no archive");
  EXPECT_FALSE(arc::IsZipArchive(text));

  // An empty archive whose first bytes only look like a ZIP64 end record and
  // locator: the classic record, which needs no ZIP64, decides.
  std::string fake64 = "PK\x06\x06" + std::string(52, '\0') + "PK\x06\x07" + std::string(16, '\0') + "PK\x05\x06" +
                       std::string(18, '\0');
  Put32(fake64, 4, 44);
  Put32(fake64, 32, 5);    // entries
  Put32(fake64, 40, 500);  // directory size
  Put32(fake64, 92, 76);   // classic directory offset: right here, empty
  Listing empty = ReadAll(fake64);
  EXPECT_EQ(arc::kOk, empty.open);
  EXPECT_EQ(arc::kEnd, empty.end);
  EXPECT_TRUE(empty.entries.empty());

  // Truncated copies and copies with bytes cut out of the middle.
  const size_t cd = CentralAt(base, 0);
  std::vector<std::string> broken;
  for (size_t n :
       {size_t(0), size_t(10), size_t(21), size_t(22), cd / 2, cd, base.size() / 2, base.size() - 22, base.size() - 1})
    broken.push_back(base.substr(0, n));
  broken.push_back(base.substr(50));
  broken.push_back(base.substr(0, 60) + base.substr(70));
  broken.push_back(base.substr(0, cd + 10) + base.substr(cd + 30));
  for (const std::string& zip : broken) {
    SCOPED_TRACE(zip.size());
    Listing l = ReadAll(zip);
    bool failed = l.open != arc::kOk || l.end != arc::kEnd || l.entries.size() != 3;
    for (const Got& g : l.entries) failed = failed || g.status != arc::kOk;
    EXPECT_TRUE(failed);
  }
}

}  // namespace
