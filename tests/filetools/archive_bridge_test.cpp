// The archive bridge: its pure texts, its calls as a recording library
// receives them, and extraction end to end with our real libraries on
// archives the real tools make.
#include "filetools/archive_bridge.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filetools/archive_commands.h"
#include "tests/archivers/peers.h"
#include "tests/filetools/recording_archiver/archive_test_support.h"

namespace {

using archive_test::CMessageBoxRecorder;
using archive_test::CRecordingLibraries;

// ---- Pure parts ----

TEST(ArchiveCommands, VersionTexts) {
  const struct {
    unsigned version;
    const char* text;
  } cases[] = {{123, " Ver 1.23"}, {305, " Ver 3.05"}, {1000, " Ver 10.00"}, {5, " Ver 0.05"},
               {100, " Ver 1.00"}, {65535, " Ver 655.35"}, {0, " Not Found"}};
  for (const auto& c : cases) EXPECT_EQ(c.text, archive::VersionText(c.version)) << c.version;
}

TEST(ArchiveCommands, PageRowsFollowTheTable) {
  const unsigned versions[archive::kVersionLibraryCount] = {123, 0, 5, 1000, 0, 305, 100, 65535};
  auto rows = archive::RowsForVersions(versions);
  const char* expected[][3] = {
      {" UNLHA32.DLL", " Ver 1.23", "LZH"},   {" UNZIP32.DLL", " Not Found", "ZIP"},
      {" ZIP32J.DLL", " Ver 0.05", "ZIP"},    {" UNRAR32.DLL", " Ver 10.00", "RAR"},
      {" cab32.dll", " Not Found", "CAB"},    {" 7-Zip32.dll", " Ver 3.05", "7-ZIP"},
      {" TAR32.dll", " Ver 1.00", "TAR"},     {" UnGCA32.dll", " Ver 655.35", "GCA"},
  };
  ASSERT_EQ(8u, rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(expected[i][0], rows[i].name) << i;
    EXPECT_EQ(expected[i][1], rows[i].version) << i;
    EXPECT_EQ(expected[i][2], rows[i].format) << i;
  }
}

TEST(ArchiveCommands, ExtractFolderSkipsEveryTakenName) {
  const struct {
    const char* archive;
    std::set<std::string> taken;
    const char* folder;
  } cases[] = {
      {"C:\\a\\b.lzh", {}, "C:\\a\\b"},
      {"C:\\a\\b.lzh", {"C:\\a\\b", "C:\\a\\b(1)"}, "C:\\a\\b(2)"},
      {"C:\\a\\b.lzh", {"C:\\a\\b", "C:\\a\\b(2)"}, "C:\\a\\b(1)"},
      // No extension: the archive itself takes the name.
      {"C:\\a\\b", {"C:\\a\\b"}, "C:\\a\\b(1)"},
      // Only the last extension goes; a dot in a folder is no extension.
      {"C:\\a\\b.tar.gz", {}, "C:\\a\\b.tar"},
      {"C:\\x.y\\b", {"C:\\x.y\\b"}, "C:\\x.y\\b(1)"},
      {"C:b.zip", {}, "C:b"},
      // ソ and 表 end in the byte of a backslash.
      {"C:\\表\\ソ.lzh", {"C:\\表\\ソ"}, "C:\\表\\ソ(1)"},
      {"C:\\表\\ソ", {"C:\\表\\ソ"}, "C:\\表\\ソ(1)"},
  };
  for (const auto& c : cases) {
    std::string folder =
        archive::ExtractFolderFor(c.archive, [&](const std::string& path) { return c.taken.count(path) > 0; });
    EXPECT_EQ(c.folder, folder) << c.archive;
  }
  EXPECT_EQ("", archive::ExtractFolderFor("C:\\a\\b.lzh", [](const std::string&) { return true; }));
}

TEST(ArchiveCommands, ExtractionCommandsOfEveryLibrary) {
  const char* expected[] = {
      "x \"C:\\a b\\c.arc\" \"C:\\a b\\c\\\"", "\"C:\\a b\\c.arc\" \"C:\\a b\\c\\\"",
      "x \"C:\\a b\\c.arc\" \"C:\\a b\\c\\\"", "x \"C:\\a b\\c.arc\" \"C:\\a b\\c\\\"",
      "x \"C:\\a b\\c.arc\" \"C:\\a b\\c\\\"", "x \"C:\\a b\\c.arc\" \"C:\\a b\\c\\\"",
      "x \"C:\\a b\\c.arc\" \"C:\\a b\\c\\\"",
  };
  for (int i = 0; i < archive::kExtractLibraryCount; ++i)
    EXPECT_EQ(expected[i], archive::ExtractCommand(archive::kExtractLibraries[i], "C:\\a b\\c.arc", "C:\\a b\\c"))
        << archive::kExtractLibraries[i].file;
}

TEST(ArchiveCommands, PackingCommands) {
  EXPECT_EQ("a -d1a1 \"C:\\work\\notes.lzh\" \"C:\\work\\\" @res", archive::PackCommand(0, "C:\\work\\", "notes", "res"));
  EXPECT_EQ("-r -v \"C:\\work\\notes.zip\" \"C:\\work\\\" @res", archive::PackCommand(1, "C:\\work\\", "notes", "res"));
  EXPECT_EQ("s -gw -x \"C:\\work\\notes.lzh\" \"C:\\work\\\"", archive::SelfExtractingCommand(0, "C:\\work\\", "notes"));
  EXPECT_EQ("--sfx \"C:\\work\\notes.zip\"", archive::SelfExtractingCommand(1, "C:\\work\\", "notes"));
  // The extension is always added, whatever the name looks like.
  EXPECT_EQ("C:\\work\\data.bin.lzh", archive::ArchivePath(0, "C:\\work\\", "data.bin"));
  EXPECT_EQ("C:\\work\\data.bin.zip", archive::ArchivePath(1, "C:\\work\\", "data.bin"));
}

// UTF-16 paths: a backslash is always a separator, and names the code page
// lacks pass through whole.
TEST(ArchiveCommands, WidePathsAndCommands) {
  auto taken = [](const std::wstring& p) { return p == L"C:\\a\\Caf\u00e9" || p == L"C:\\\u8868\\\u30bd"; };
  EXPECT_EQ(L"C:\\a\\Caf\u00e9(1)", archive::ExtractFolderFor(std::wstring(L"C:\\a\\Caf\u00e9.zip"), taken));
  EXPECT_EQ(L"C:\\\u8868\\\u30bd(1)", archive::ExtractFolderFor(std::wstring(L"C:\\\u8868\\\u30bd"), taken));
  EXPECT_EQ(L"C:\\x.y\\\U0001F600", archive::ExtractFolderFor(std::wstring(L"C:\\x.y\\\U0001F600.tgz"), taken));
  const std::wstring f = L"C:\\d\u00e9\\", n = L"Caf\u00e9";
  EXPECT_EQ(L"-r -v \"" + f + n + L".zip\" \"" + f + L"\" @res", archive::PackCommand(1, f, n, L"res"));
  EXPECT_EQ(L"s -gw -x \"" + f + n + L".lzh\" \"" + f + L"\"", archive::SelfExtractingCommand(0, f, n));
}

TEST(ArchiveCommands, ErrorTexts) {
  EXPECT_EQ("壊れています", archive::ErrorText("壊れています", 0x8004));
  EXPECT_EQ("エラー 0x8005", archive::ErrorText("", 0x8005));
  EXPECT_FALSE(archive::IsErrorResult(0));
  EXPECT_FALSE(archive::IsErrorResult(0x7FFF));
  EXPECT_TRUE(archive::IsErrorResult(0x8000));
  EXPECT_TRUE(archive::IsErrorResult(0x800F));
  EXPECT_TRUE(archive::IsErrorResult(-1));
}

// ---- Against the recording library ----

struct ExtractRow {
  const char* file;
  const char* check;
  const char* work;
  const char* loaded;  // what is loaded during its calls
  const char* commandStart;
};
const ExtractRow kOrder[] = {
    {"unlha32.dll", "UnlhaCheckArchive", "Unlha", "unlha32.dll", "x "},
    {"unzip32.dll", "UnZipCheckArchive", "UnZip", "unzip32.dll", ""},
    {"unrar32.dll", "UnrarCheckArchive", "Unrar", "unrar32.dll,unrar.dll", "x "},
    {"cab32.dll", "CabCheckArchive", "Cab", "cab32.dll", "x "},
    {"7-Zip32.dll", "SevenZipCheckArchive", "SevenZip", "7-Zip32.dll", "x "},
    {"TAR32.dll", "TarCheckArchive", "Tar", "TAR32.dll", "x "},
    {"ungca32.dll", "UnGCACheckArchive", "UnGCA", "ungca32.dll", "x "},
};

std::string CheckLine(const ExtractRow& row, const std::string& archive) {
  return std::string(row.file) + " " + row.check + " mode=0 loaded=" + row.loaded + " " + archive;
}

// Each library in turn is the one that accepts: every library before it was
// asked with mode 0, alone in the process (so each was released before the
// next came), none after it, and it extracts with its command into b.
TEST(ArchiveBridge, AsksTheLibrariesInOrderAndUsesTheFirstThatAccepts) {
  for (size_t accepting = 0; accepting <= 7; ++accepting) {
    SCOPED_TRACE(accepting);
    CRecordingLibraries libraries({"unlha32.dll", "unzip32.dll", "ZIP32J.DLL", "unrar32.dll", "unrar.dll", "cab32.dll",
                                   "7-Zip32.dll", "TAR32.dll", "ungca32.dll"});
    ASSERT_TRUE(libraries.Copied());
    TempFolder folder;
    std::string archive = folder.File("b.arc");
    TempFolder::Write(archive, "data");
    // Those after the accepting one would accept too: only the first counts.
    std::string accept;
    for (size_t i = accepting; i < 7; ++i) accept += std::string(kOrder[i].file) + ";";
    libraries.Set("TOVIX_RECORDING_ACCEPT", accept);
    CMessageBoxRecorder boxes;

    EXPECT_EQ(accepting < 7 ? 1 : 0, ExtractArchive(nullptr, archive.c_str()));

    std::vector<std::string> expected;
    for (size_t i = 0; i <= accepting && i < 7; ++i) expected.push_back(CheckLine(kOrder[i], archive));
    if (accepting < 7) {
      const ExtractRow& row = kOrder[accepting];
      expected.push_back(std::string(row.file) + " " + row.work + " owner=0 size=32767 zeroed=1 loaded=" + row.loaded +
                         " " + row.commandStart + "\"" + archive + "\" \"" + folder.File("b") + "\\\"");
    }
    EXPECT_EQ(expected, libraries.Log());
    EXPECT_TRUE(archive_test::LoadedArchivers().empty());
    EXPECT_TRUE(boxes.Calls().empty());
  }
}

TEST(ArchiveBridge, RarNeedsBothItsLibraries) {
  CRecordingLibraries libraries({"unrar32.dll", "TAR32.dll"});
  libraries.Set("TOVIX_RECORDING_ACCEPT", "unrar32.dll;TAR32.dll");
  TempFolder folder;
  std::string archive = folder.File("b.rar");
  TempFolder::Write(archive, "data");
  EXPECT_EQ(1, ExtractArchive(nullptr, archive.c_str()));
  // unrar32.dll was loaded, found alone, and released without being asked.
  EXPECT_EQ((std::vector<std::string>{"unrar32.dll attach", "unrar32.dll detach", "TAR32.dll attach",
                                      CheckLine(kOrder[5], archive),
                                      "TAR32.dll Tar owner=0 size=32767 zeroed=1 loaded=TAR32.dll x \"" + archive +
                                          "\" \"" + folder.File("b") + "\\\"",
                                      "TAR32.dll detach"}),
            libraries.Log(false));
  EXPECT_TRUE(archive_test::LoadedArchivers().empty());
}

TEST(ArchiveBridge, MissingLibrariesAndEntriesCountAsAbsent) {
  // None at all: nothing accepts.
  {
    CRecordingLibraries none;
    TempFolder folder;
    TempFolder::Write(folder.File("b.lzh"), "data");
    EXPECT_EQ(0, ExtractArchive(nullptr, folder.File("b.lzh").c_str()));
    EXPECT_TRUE(none.Log(false).empty());
  }
  // A library under the CAB library's name without its entries (our real
  // unzip32.dll) is passed over, also on the page.
  CRecordingLibraries libraries({"ungca32.dll"});
  ASSERT_TRUE(CopyFileA((archive_test::BuildFolder() + "\\unzip32.dll").c_str(), libraries.File("cab32.dll").c_str(),
                        FALSE));
  libraries.Set("TOVIX_RECORDING_ACCEPT", "cab32.dll;ungca32.dll");
  TempFolder folder;
  std::string archive = folder.File("b.cab");
  TempFolder::Write(archive, "data");
  EXPECT_EQ(1, ExtractArchive(nullptr, archive.c_str()));
  std::vector<std::string> log = libraries.Log();
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ(CheckLine(kOrder[6], archive), log[0]);
  EXPECT_EQ(0u, log[1].find("ungca32.dll UnGCA "));
  EXPECT_EQ(0, GetArchiverVersion(4));
  EXPECT_TRUE(archive_test::LoadedArchivers().empty());
}

TEST(ArchiveBridge, ExtractionFolderAvoidsFilesAndFolders) {
  CRecordingLibraries libraries({"unlha32.dll"});
  libraries.Set("TOVIX_RECORDING_ACCEPT", "unlha32.dll");
  TempFolder folder;
  const struct {
    const char* archive;
    std::vector<const char*> folders, files;
    const char* target;
  } cases[] = {
      {"b.lzh", {}, {}, "b"},
      {"b.lzh", {"b", "b(1)"}, {}, "b(2)"},
      {"c.lzh", {}, {"c"}, "c(1)"},  // a plain file blocks the name too
      {"d", {}, {}, "d(1)"},         // without an extension the archive itself does
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    libraries.ClearLog();
    for (const char* f : c.folders) CreateDirectoryA(folder.File(f).c_str(), nullptr);
    for (const char* f : c.files) TempFolder::Write(folder.File(f), "x");
    std::string archive = folder.File(c.archive);
    TempFolder::Write(archive, "data");
    char chosen[MAX_PATH];
    ASSERT_TRUE(ExtractFolderName(archive.c_str(), chosen, sizeof chosen));
    EXPECT_EQ(folder.File(c.target), chosen);
    EXPECT_EQ(1, ExtractArchive(nullptr, archive.c_str()));
    std::vector<std::string> log = libraries.Log();
    ASSERT_EQ(2u, log.size());
    EXPECT_NE(std::string::npos, log[1].find("\" \"" + folder.File(c.target) + "\\\"")) << log[1];
  }
  // A folder name that would not fit a path is refused, not cut.
  char small[8];
  EXPECT_FALSE(ExtractFolderName(folder.File("b.lzh").c_str(), small, sizeof small));
  EXPECT_STREQ("", small);
}

TEST(ArchiveBridge, AFailedExtractionIsReportedWithTheLibrarysText) {
  CRecordingLibraries libraries({"unzip32.dll"});
  libraries.Set("TOVIX_RECORDING_ACCEPT", "unzip32.dll");
  libraries.Set("TOVIX_RECORDING_FAIL", "\"");  // every UnZip command starts with a quote
  TempFolder folder;
  std::string archive = folder.File("b.zip");
  TempFolder::Write(archive, "data");
  HWND owner = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const struct {
    const char* code;
    const char* text;
    const char* shown;  // null: no message
  } cases[] = {
      {"0", "", nullptr},
      {"0x7FFF", "", nullptr},
      {"0x8005", "b.zip の展開でエラーがありました", "b.zip の展開でエラーがありました"},
      {"0x8002", "", "エラー 0x8002"},
      {"-1", "", "エラー 0xFFFFFFFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    libraries.Set("TOVIX_RECORDING_FAIL_CODE", c.code);
    libraries.Set("TOVIX_RECORDING_TEXT", c.text);
    CMessageBoxRecorder boxes;
    EXPECT_EQ(1, ExtractArchive(owner, archive.c_str()));
    if (!c.shown) {
      EXPECT_TRUE(boxes.Calls().empty());
      continue;
    }
    ASSERT_EQ(1u, boxes.Calls().size());
    EXPECT_EQ(owner, boxes.Calls()[0].owner);
    EXPECT_EQ(c.shown, boxes.Calls()[0].text);
    EXPECT_EQ("解凍エラー", boxes.Calls()[0].caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), boxes.Calls()[0].type);
  }
  DestroyWindow(owner);
}

// A name the code page lacks: a library with the wide entries gets it
// exactly; a classic one is passed over without a call, and when that is
// all there is the caller learns why. The wide library's text is shown as
// it wrote it.
TEST(ArchiveBridge, WideEntriesGetTheRealNameClassicOnesNone) {
  using archive_test::Utf8;
  TempFolder folder;
  const std::wstring archive = folder.File(L"Caf\u00e9 \U0001F600.zip");
  ASSERT_TRUE(TempFolder::Write(archive, ""));
  const std::wstring target = archive.substr(0, archive.size() - 4);
  CreateDirectoryW(target.c_str(), nullptr);  // taken: (1) is next
  CRecordingLibraries libraries({"unlha32.dll"});
  libraries.Set("TOVIX_RECORDING_ACCEPT", "unlha32.dll;unzip32.dll");
  EXPECT_EQ(kExtractNameRefused, ExtractArchive(nullptr, archive));
  EXPECT_TRUE(libraries.Log().empty());
  libraries.Add({"unzip32.dll"}, true);
  libraries.Set("TOVIX_RECORDING_FAIL", "\"");
  libraries.Set("TOVIX_RECORDING_FAIL_CODE", "0x8005");
  SetEnvironmentVariableW(L"TOVIX_RECORDING_TEXT", L"\u00e9\U0001F600 \uD55C");
  CMessageBoxRecorder boxes;
  EXPECT_EQ(1, ExtractArchive(nullptr, archive));
  EXPECT_EQ((std::vector<std::string>{
                "unzip32.dll UnZipCheckArchiveW mode=0 loaded=unzip32.dll " + Utf8(archive),
                "unzip32.dll UnZipW owner=0 size=32767 zeroed=1 loaded=unzip32.dll \"" + Utf8(archive) + "\" \"" +
                    Utf8(target) + "(1)\\\""}),
            libraries.Log());
  ASSERT_EQ(1u, boxes.Calls().size());
  EXPECT_EQ(L"\u00e9\U0001F600 \uD55C", boxes.Calls()[0].wideText);
  EXPECT_EQ("解凍エラー", boxes.Calls()[0].caption);
}

TEST(ArchiveBridge, VersionsOfTheEightRows) {
  CRecordingLibraries libraries({"unlha32.dll", "unzip32.dll", "ZIP32J.DLL", "unrar32.dll", "7-Zip32.dll", "TAR32.dll",
                                 "ungca32.dll"});
  libraries.Set("TOVIX_RECORDING_VERSIONS",
                "unlha32.dll=123;unzip32.dll=1000;ZIP32J.DLL=5;unrar32.dll=305;7-Zip32.dll=920;TAR32.dll=0;"
                "ungca32.dll=65535");
  // cab32.dll is missing; TAR32.dll answers 0; unrar32.dll needs no partner.
  const WORD expected[] = {123, 1000, 5, 305, 0, 920, 0, 65535};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(expected[i], GetArchiverVersion(i)) << i;
  EXPECT_EQ(0, GetArchiverVersion(-1));
  EXPECT_EQ(0, GetArchiverVersion(8));
  std::vector<std::string> log = libraries.Log();
  EXPECT_EQ((std::vector<std::string>{
                "unlha32.dll UnlhaGetVersion loaded=unlha32.dll", "unzip32.dll UnZipGetVersion loaded=unzip32.dll",
                "ZIP32J.DLL ZipGetVersion loaded=ZIP32J.DLL", "unrar32.dll UnrarGetVersion loaded=unrar32.dll",
                "7-Zip32.dll SevenZipGetVersion loaded=7-Zip32.dll", "TAR32.dll TarGetVersion loaded=TAR32.dll",
                "ungca32.dll UnGCAGetVersion loaded=ungca32.dll"}),
            log);
  libraries.ClearLog();
  auto rows = ArchiverRows();
  ASSERT_EQ(8u, rows.size());
  const char* versions[] = {" Ver 1.23", " Ver 10.00", " Ver 0.05", " Ver 3.05",
                            " Not Found", " Ver 9.20", " Not Found", " Ver 655.35"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(archive::kVersionLibraries[i].displayName, rows[size_t(i)].name);
    EXPECT_EQ(versions[i], rows[size_t(i)].version) << i;
    EXPECT_EQ(archive::kVersionLibraries[i].format, rows[size_t(i)].format);
  }
  EXPECT_EQ(7u, libraries.Log().size());
  EXPECT_TRUE(archive_test::LoadedArchivers().empty());
}

// ---- End to end with our libraries ----

std::string Listing(const std::vector<std::pair<std::string, std::string>>& tree) {
  std::string s;
  for (const auto& f : tree) s += f.first + " (" + std::to_string(f.second.size()) + ")\n";
  return s;
}

// A small tree; with `japanese`, a name whose second byte in code page 932
// is a backslash. (Info-ZIP stores such names as unmarked UTF-8, which no
// reader can tell from Shift-JIS, so its archives get the plain tree.)
void MakeTree(const std::string& root, bool japanese) {
  peers::MakeFolders(root + "\\sub\\deeper");
  std::string text;
  for (int i = 0; i < 300; ++i) text += "The quick brown fox jumps over the lazy dog. " + std::to_string(i) + "\r\n";
  peers::WriteFile(root + "\\notes.txt", text);
  peers::WriteFile(root + "\\empty.txt", "");
  peers::WriteFile(root + "\\sub\\deeper\\x.c", "int main(void) { return 0; }\n");
  if (japanese) peers::WriteFile(root + "\\sub\\表.txt", "ひょう\r\n");
}

TEST(ArchiveBridgeEndToEnd, ArchivesOfTheRealToolsExtractIntoFreshFolders) {
  archive_test::CLibraryFolder real(archive_test::BuildFolder());
  archive_test::CPeerFolder scratch("bridge");
  const std::string& folder = scratch.Path();
  MakeTree(folder + "\\plain", false);
  MakeTree(folder + "\\japanese", true);
  peers::Result made = peers::Run(peers::UnixPath(folder),
                                  "cd plain && zip -qr ../b.zip . && zip -qr ../c.zip . && mv ../c.zip ../c && "
                                  "cd ../japanese && LC_ALL=ja_JP.UTF-8 jlha a ../b.lzh notes.txt empty.txt sub "
                                  ">/dev/null && tar -czf ../b.tgz . && tar -czf ../d.tgz . && "
                                  "echo plain > ../d && echo no archive > ../plain.txt");
  ASSERT_EQ(0, made.exitCode) << made.output;
  CMessageBoxRecorder boxes;
  const struct {
    const char* archive;
    const char* folder;
    const char* source;
  } cases[] = {
      {"b.zip", "b", "plain"}, {"b.lzh", "b(1)", "japanese"}, {"b.tgz", "b(2)", "japanese"},
      {"c", "c(1)", "plain"},        // no extension
      {"d.tgz", "d(1)", "japanese"},  // a plain file d is in the way
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    auto expected = peers::Tree(folder + "\\" + c.source);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(1, ExtractArchive(nullptr, (folder + "\\" + c.archive).c_str()));
    auto got = peers::Tree(folder + "\\" + c.folder);
    EXPECT_TRUE(expected == got) << "expected:\n" << Listing(expected) << "got:\n" << Listing(got);
  }
  EXPECT_TRUE(boxes.Calls().empty());
  // A file no library accepts changes nothing.
  auto before = peers::Tree(folder);
  EXPECT_EQ(0, ExtractArchive(nullptr, (folder + "\\plain.txt").c_str()));
  EXPECT_TRUE(before == peers::Tree(folder));
  EXPECT_TRUE(archive_test::LoadedArchivers().empty());
}

TEST(ArchiveBridgeEndToEnd, ADamagedArchiveShowsTheLibrarysError) {
  archive_test::CLibraryFolder real(archive_test::BuildFolder());
  archive_test::CPeerFolder scratch("bridge-damaged");
  const std::string& folder = scratch.Path();
  peers::MakeFolders(folder + "\\src");
  peers::WriteFile(folder + "\\src\\ten.txt", "0123456789");
  peers::Result made = peers::Run(peers::UnixPath(folder) + "/src", "zip -q0 ../bad.zip ten.txt");
  ASSERT_EQ(0, made.exitCode) << made.output;
  std::string bytes;
  ASSERT_TRUE(peers::ReadFile(folder + "\\bad.zip", bytes));
  size_t data = bytes.find("0123456789");
  ASSERT_NE(std::string::npos, data);
  bytes[data + 4] = 'X';  // the stored data no longer matches its CRC
  ASSERT_TRUE(peers::WriteFile(folder + "\\bad.zip", bytes));

  CMessageBoxRecorder boxes;
  HWND owner = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(1, ExtractArchive(owner, (folder + "\\bad.zip").c_str()));
  ASSERT_EQ(1u, boxes.Calls().size());
  EXPECT_EQ(owner, boxes.Calls()[0].owner);
  EXPECT_EQ("解凍エラー", boxes.Calls()[0].caption);
  EXPECT_NE(std::string::npos, boxes.Calls()[0].text.find("ten.txt")) << boxes.Calls()[0].text;
  EXPECT_NE(std::string::npos, boxes.Calls()[0].text.find("bad.zip")) << boxes.Calls()[0].text;
  DestroyWindow(owner);
}

TEST(ArchiveBridgeEndToEnd, OurLibrariesOnThePage) {
  archive_test::CLibraryFolder real(archive_test::BuildFolder());
  auto rows = ArchiverRows();
  ASSERT_EQ(8u, rows.size());
  const char* versions[] = {" Ver 1.00", " Ver 1.00", " Ver 1.00", " Not Found",
                            " Not Found", " Not Found", " Ver 1.00", " Not Found"};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(versions[i], rows[i].version) << rows[i].name;
}

// Bytes held in blocks of all the process's heaps, the C run-time's included.
long long HeapBytes() {
  HANDLE heaps[256];
  DWORD count = GetProcessHeaps(256, heaps);
  long long held = 0;
  for (DWORD i = 0; i < count && i < 256; ++i) {
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(heaps[i]);
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) held += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return held;
}

// Every call loads its libraries and releases them again: many calls leave
// the process holding no more memory than the first did.
TEST(ArchiveBridgeEndToEnd, ReleasedLibrariesLeaveNoMemoryBehind) {
  archive_test::CLibraryFolder real(archive_test::BuildFolder());
  ArchiverRows();  // each of our four libraries loaded and released once
  long long before = HeapBytes();
  for (int i = 0; i < 50; ++i) ArchiverRows();
  EXPECT_LT(HeapBytes() - before, 1024 * 1024) << "over 200 loads of our libraries";
}

}  // namespace
