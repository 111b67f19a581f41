// Extraction onto the disk through the Win32 target, on hostile archives:
// names deeper than the file system takes, entries larger than the free
// space, and links.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "archivers/core/extract.h"
#include "archivers/lzh/lzh.h"
#include "archivers/tar/tar.h"
#include "archivers/win/win_files.h"
#include "archivers/zip/zip.h"
#include "tests/archivers/peers.h"

namespace {

enum class Format { Tar, Zip, Lzh };

struct Item {
  std::string name;
  std::string data;
  char tarType;          // '0' file, '1' hard link, '2' symbolic link
  std::string linkName;  // for links
};

std::string TarHeader(const std::string& name, char type, uint64_t size, const std::string& link) {
  std::string h(512, '\0');
  h.replace(0, std::min<size_t>(name.size(), 99), name.substr(0, 99));
  char field[16];
  std::snprintf(field, sizeof field, "%07o", 0644);
  h.replace(100, 8, field, 8);
  std::snprintf(field, sizeof field, "%011llo", static_cast<unsigned long long>(size));
  h.replace(124, 12, field, 12);
  std::snprintf(field, sizeof field, "%011o", 1700000000);
  h.replace(136, 12, field, 12);
  h[156] = type;
  h.replace(157, std::min<size_t>(link.size(), 99), link.substr(0, 99));
  h.replace(257, 8, "ustar  \0", 8);
  unsigned sum = 256;  // the checksum field counts as spaces
  for (size_t i = 0; i < 512; ++i) sum += i >= 148 && i < 156 ? 0 : static_cast<unsigned char>(h[i]);
  std::snprintf(field, sizeof field, "%06o", sum);
  h.replace(148, 8, field, 8);
  return h;
}

std::string Padded(std::string data) {
  data.resize((data.size() + 511) / 512 * 512, '\0');
  return data;
}

// GNU tar: a name longer than the header holds goes in an 'L' record before it.
std::string WriteTar(const std::vector<Item>& items) {
  std::string tar;
  for (const Item& item : items) {
    if (item.name.size() > 99) tar += TarHeader("././@LongLink", 'L', item.name.size() + 1, "") + Padded(item.name + '\0');
    tar += TarHeader(item.name, item.tarType, item.data.size(), item.linkName) + Padded(item.data);
  }
  return tar + std::string(1024, '\0');
}

std::string Write(Format format, const std::vector<Item>& items) {
  if (format == Format::Tar) return WriteTar(items);
  arc::MemoryOutput out;
  auto writer = format == Format::Zip ? arc::CreateZipWriter(out) : arc::CreateLzhWriter(out);
  for (const Item& item : items) {
    arc::NewEntry e;
    for (size_t at = 0; at <= item.name.size();) {
      size_t cut = std::min(item.name.find('/', at), item.name.size());
      e.partsCp932.push_back(item.name.substr(at, cut - at));
      at = cut + 1;
    }
    e.size = item.data.size();
    e.unixTime = 1700000000;
    arc::MemorySource source(item.data);
    arc::SourceStream stream(source);
    EXPECT_EQ(arc::kOk, writer->Add(e, &stream)) << item.name.substr(0, 40);
  }
  EXPECT_EQ(arc::kOk, writer->Finish());
  return std::string(out.bytes.begin(), out.bytes.end());
}

arc::ExtractReport Extract(Format format, const std::string& archive, arc::FolderTarget& target) {
  arc::MemorySource source(archive);
  arc::Status open = arc::kOk;
  std::unique_ptr<arc::ArchiveReader> reader = format == Format::Tar   ? arc::OpenTar(source, "x", &open)
                                               : format == Format::Zip ? arc::OpenZip(source, &open)
                                                                       : arc::OpenLzh(source);
  arc::ExtractReport report;
  EXPECT_TRUE(reader) << open;
  if (reader) arc::ExtractAll(*reader, &target, report);
  return report;
}

std::wstring Wide(const std::string& path) { return arc::Widen(path, CP_ACP); }

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

std::string ReadBack(const std::string& path) {
  std::string bytes;
  return peers::ReadFile(path, bytes) ? bytes : "(missing)";
}

// Names of some 15,000 folders: one within the 32,767 characters of a long
// path, which Wine's file system refuses after its 4,096 bytes (17 long
// folders reach them at once; Windows would make it), and one beyond, which
// creates nothing. Either is refused alone and the next entry extracted.
TEST(ExtractTarget, DeepNamesAreRefusedAndTheRestExtracted) {
  const std::string fits = Repeat(std::string(250, 'b') + "/", 17) + Repeat("a/", 14000) + "f";
  const std::string beyond = Repeat("a/", 17000) + "f";
  const struct {
    Format format;
    const std::string& name;
  } rows[] = {{Format::Tar, fits}, {Format::Zip, fits}, {Format::Lzh, fits}, {Format::Tar, beyond}};
  for (const auto& row : rows) {
    std::string folder = peers::FreshFolder("deep");
    std::string archive = Write(row.format, {{row.name, "deep", '0', ""}, {"ok.txt", "fine", '0', ""}});
    arc::FolderTarget target(Wide(folder));
    arc::ExtractReport report = Extract(row.format, archive, target);
    SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(row.format) << ", " << row.name.size() << " bytes");
    EXPECT_EQ(1, report.files);
    ASSERT_EQ(1, report.problemCount);
    EXPECT_EQ(arc::kErrorWrite, report.problems[0].status);
    EXPECT_TRUE(report.problems[0].name == row.name);
    EXPECT_EQ("fine", ReadBack(folder + "\\ok.txt"));
    if (&row.name == &beyond) {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "\\a").c_str()));
    }
  }
}

// The free space is given (no disk here is small enough); the sizes are
// those the archive declares.
TEST(ExtractTarget, EntriesLargerThanTheFreeSpaceAreRefused) {
  const std::string big(1000000, 'z');
  const struct {
    uint64_t free;
    bool fits;
  } rows[] = {{big.size() - 1, false}, {big.size(), true}};
  for (const auto& row : rows) {
    std::string folder = peers::FreshFolder("space");
    std::string archive = Write(Format::Zip, {{"big.bin", big, '0', ""}, {"small.txt", "ok", '0', ""}});
    arc::FolderTarget target(Wide(folder));
    target.freeBytes = [&] { return row.free; };
    arc::ExtractReport report = Extract(Format::Zip, archive, target);
    SCOPED_TRACE(testing::Message() << row.free << " bytes free");
    EXPECT_EQ(row.fits ? 2 : 1, report.files);
    EXPECT_EQ(row.fits ? big.size() + 2 : 2, report.bytes);
    EXPECT_TRUE(ReadBack(folder + "\\big.bin") == (row.fits ? big : "(missing)"));
    EXPECT_EQ("ok", ReadBack(folder + "\\small.txt"));
    if (!row.fits) {
      ASSERT_EQ(1, report.problemCount);
      EXPECT_EQ(arc::kErrorWrite, report.problems[0].status);
      EXPECT_EQ("big.bin", report.problems[0].name);
    }
  }
}

DWORD LinkCount(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return ok ? info.nNumberOfLinks : 0;
}

// Links inside the folder become hard links; one whose target lies on
// another volume (a folder of the output that is another file system) is
// copied and its bytes counted; one leading outside is refused.
TEST(ExtractTarget, LinksAreHardLinksOrCountedCopies) {
  std::string folder = peers::FreshFolder("links");
  peers::Result other = peers::Run(peers::UnixPath(folder),
                                   "d=$(mktemp -d /dev/shm/tovix-links-XXXXXX) && head -c 300000 /dev/urandom > $d/held.bin"
                                   " && ln -s $d other && test $(stat -c %d $d) != $(stat -c %d .) && echo -n $d");
  ASSERT_EQ(0, other.exitCode) << other.output;
  std::string held = ReadBack(folder + "\\other\\held.bin");
  const std::string data = Repeat("0123456789", 20000);
  std::string archive = WriteTar({{"data.bin", data, '0', ""},
                                  {"hard.bin", "", '1', "data.bin"},
                                  {"sub/soft.bin", "", '2', "../data.bin"},
                                  {"copy.bin", "", '1', "other/held.bin"},
                                  {"out.bin", "", '2', "../../x"}});
  arc::FolderTarget target(Wide(folder));
  arc::ExtractReport report = Extract(Format::Tar, archive, target);
  peers::Run("/", "rm -rf " + peers::Quote(other.output));
  const struct {
    const char* name;
    DWORD links;
    const std::string& content;
  } files[] = {{"data.bin", 3, data}, {"hard.bin", 3, data}, {"sub\\soft.bin", 3, data}, {"copy.bin", 1, held}};
  for (const auto& f : files) {
    EXPECT_EQ(f.links, LinkCount(folder + "\\" + f.name)) << f.name;
    EXPECT_TRUE(ReadBack(folder + "\\" + f.name) == f.content) << f.name;
  }
  EXPECT_EQ(4, report.files);
  EXPECT_EQ(data.size(), report.bytes);
  EXPECT_EQ(held.size(), report.copiedBytes);
  ASSERT_EQ(1, report.problemCount);
  EXPECT_EQ(arc::kErrorUnsafeName, report.problems[0].status);
}

}  // namespace
