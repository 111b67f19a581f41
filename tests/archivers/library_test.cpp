// The archiver libraries through their entry points, loaded by name as the
// program loads them, against archives the real tools make and check.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/wide_text.h"
#include "tests/archivers/peers.h"
#include "tests/support/data.h"

namespace {

typedef int(WINAPI* WorkEntry)(HWND, LPCSTR, LPSTR, DWORD);
typedef BOOL(WINAPI* CheckEntry)(LPCSTR, int);
typedef WORD(WINAPI* VersionEntry)();

struct Library {
  HMODULE module = nullptr;
  WorkEntry work = nullptr;
  CheckEntry check = nullptr;
  VersionEntry version = nullptr;
};

// The build puts the libraries beside tovix.exe, one folder above the tests.
std::string BuildFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder = folder.substr(0, folder.find_last_of('\\'));
  return folder.substr(0, folder.find_last_of('\\'));
}

struct Spec {
  const char* file;
  const char* work;
  const char* check;
  const char* version;
};
const Spec kUnlha = {"unlha32.dll", "Unlha", "UnlhaCheckArchive", "UnlhaGetVersion"};
const Spec kUnzip = {"unzip32.dll", "UnZip", "UnZipCheckArchive", "UnZipGetVersion"};
const Spec kZip = {"ZIP32J.DLL", "Zip", nullptr, "ZipGetVersion"};
const Spec kTar = {"TAR32.dll", "Tar", "TarCheckArchive", "TarGetVersion"};

class ArchiverLibraries : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Loaded by plain name, as the program does: its folder comes first.
    SetDllDirectoryA(BuildFolder().c_str());
  }
  void TearDown() override {
    for (HMODULE m : loaded_) FreeLibrary(m);
    SetCurrentDirectoryA(BuildFolder().c_str());
  }

  Library Load(const Spec& spec) {
    Library lib;
    lib.module = LoadLibraryA(spec.file);
    if (!lib.module) return lib;
    loaded_.push_back(lib.module);
    lib.work = reinterpret_cast<WorkEntry>(reinterpret_cast<void*>(GetProcAddress(lib.module, spec.work)));
    if (spec.check)
      lib.check = reinterpret_cast<CheckEntry>(reinterpret_cast<void*>(GetProcAddress(lib.module, spec.check)));
    lib.version = reinterpret_cast<VersionEntry>(reinterpret_cast<void*>(GetProcAddress(lib.module, spec.version)));
    return lib;
  }

  // Calls the work entry as the program does: zeroed 32,768 bytes, size 32,767;
  // silent, since these tests do not look at the progress window.
  int Call(const Spec& spec, const std::string& command, std::string* text = nullptr) {
    Library lib = Load(spec);
    if (!lib.work) return -1;
    std::vector<char> buffer(32768, 0);
    int result = lib.work(nullptr, (command + " --silent").c_str(), buffer.data(), 32767);
    if (text) *text = buffer.data();
    return result;
  }

  std::vector<HMODULE> loaded_;
};

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// A small tree: text, noise, an empty file, nested folders, and optionally a
// name whose second byte in code page 932 is 0x5C.
void MakeTree(const std::string& root, bool japanese) {
  peers::MakeFolders(root + "\\sub\\deeper");
  peers::WriteFile(root + "\\notes.txt", Repeat("The quick brown fox jumps over the lazy dog. 0123456789\r\n", 400));
  peers::WriteFile(root + "\\bin.dat", test_data::Noise(70000, 7));
  peers::WriteFile(root + "\\empty.txt", "");
  peers::WriteFile(root + "\\sub\\deeper\\x.c", Repeat("int main(void) { return 0; }\n", 50));
  if (japanese) peers::WriteFile(root + "\\sub\\表.txt", "ひょう\r\n");
}

std::string Listing(const std::vector<std::pair<std::string, std::string>>& tree) {
  std::string s;
  for (const auto& f : tree) s += f.first + " (" + std::to_string(f.second.size()) + ")\n";
  return s;
}

#define EXPECT_SAME_TREE(expected, actual) \
  do { \
    auto e_ = peers::Tree(expected); \
    auto a_ = peers::Tree(actual); \
    EXPECT_FALSE(e_.empty()); \
    EXPECT_TRUE(e_ == a_) << "expected:\n" << Listing(e_) << "got:\n" << Listing(a_); \
  } while (0)

TEST_F(ArchiverLibraries, EntriesVersionsAndCheckMode) {
  std::string folder = peers::FreshFolder("contract");
  MakeTree(folder + "\\src", false);
  std::string u = peers::UnixPath(folder);
  peers::Result r = peers::Run(u + "/src", "zip -qr ../a.zip . && tar -czf ../a.tgz . && jlha a ../a.lzh notes.txt >/dev/null");
  ASSERT_EQ(0, r.exitCode) << r.output;
  peers::WriteFile(folder + "\\plain.txt", "just text, no archive\r\n");
  const struct {
    Spec spec;
    const char* archive;
  } rows[] = {{kUnlha, "a.lzh"}, {kUnzip, "a.zip"}, {kTar, "a.tgz"}};
  for (const auto& row : rows) {
    Library lib = Load(row.spec);
    ASSERT_TRUE(lib.work && lib.check && lib.version) << row.spec.file;
    EXPECT_EQ(100, lib.version()) << row.spec.file;
    EXPECT_TRUE(lib.check((folder + "\\" + row.archive).c_str(), 0)) << row.spec.file;
    EXPECT_FALSE(lib.check((folder + "\\plain.txt").c_str(), 0)) << row.spec.file;
    EXPECT_FALSE(lib.check((folder + "\\missing.bin").c_str(), 0)) << row.spec.file;
    for (const auto& other : rows) {
      if (other.archive != row.archive) {
        EXPECT_FALSE(lib.check((folder + "\\" + other.archive).c_str(), 0)) << row.spec.file << " " << other.archive;
      }
    }
  }
  Library zip = Load(kZip);
  ASSERT_TRUE(zip.work && zip.version);
  EXPECT_EQ(100, zip.version());

  // A buffer of 10 bytes stays terminated and nothing is written past it.
  Library lha = Load(kUnlha);
  char small[32];
  memset(small, 'Z', sizeof small);
  int result = lha.work(nullptr, ("x \"" + folder + "\\a.lzh\" \"" + folder + "\\small\\\"").c_str(), small, 10);
  EXPECT_EQ(0, result);
  EXPECT_LT(strlen(small), 10u);
  for (size_t i = 10; i < sizeof small; ++i) EXPECT_EQ('Z', small[i]) << i;
  memset(small, 'Z', sizeof small);
  EXPECT_EQ(0x8001, lha.work(nullptr, "q nonsense", small, 10));
  EXPECT_LT(strlen(small), 10u);
}

// Archives the real tools make extract byte-exact into a folder the library
// creates.
TEST_F(ArchiverLibraries, ExtractsWhatTheRealToolsMake) {
  const struct {
    const char* label;
    bool japanese;
    const char* make;  // run in the source folder, writes ../archive
    const char* archive;
    Spec spec;
    const char* command;  // before the two quoted paths
  } rows[] = {
      {"zip-deflated", false, "zip -qr ../archive.zip .", "archive.zip", kUnzip, ""},
      {"zip-stored", false, "zip -qr0 ../archive.zip .", "archive.zip", kUnzip, ""},
      {"zip-7z-utf8", true, "7z a -tzip ../archive.zip . >/dev/null", "archive.zip", kUnzip, ""},
      {"zip-bsdtar", true, "bsdtar --format zip -cf ../archive.zip .", "archive.zip", kUnzip, ""},
      {"zip-forced-zip64", false, "zip -qr -fz ../archive.zip .", "archive.zip", kUnzip, ""},
      {"lzh-jlha", true, "LC_ALL=ja_JP.UTF-8 jlha a ../archive.lzh notes.txt bin.dat empty.txt sub >/dev/null",
       "archive.lzh", kUnlha, "x "},
      {"lzh-jlha-lh7-level1", false, "jlha a1o7 ../archive.lzh notes.txt bin.dat empty.txt sub >/dev/null",
       "archive.lzh", kUnlha, "x "},
      {"tar-gnu", true, "tar -cf ../archive.tar .", "archive.tar", kTar, "x "},
      {"tgz", true, "tar -czf ../archive.tgz .", "archive.tgz", kTar, "x "},
      {"tar-pax", true, "tar --format=pax -czf ../archive.tar.gz .", "archive.tar.gz", kTar, "x "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    std::string folder = peers::FreshFolder(row.label);
    MakeTree(folder + "\\src", row.japanese);
    peers::Result made = peers::Run(peers::UnixPath(folder) + "/src", row.make);
    ASSERT_EQ(0, made.exitCode) << made.output;
    std::string out = folder + "\\out\\nested";
    std::string text;
    int result = Call(row.spec, std::string(row.command) + "\"" + folder + "\\" + row.archive + "\" \"" + out + "\\\"",
                      &text);
    EXPECT_EQ(0, result) << text;
    EXPECT_FALSE(text.empty());
    EXPECT_SAME_TREE(folder + "\\src", out);
  }
}

// What our libraries pack passes the real tools, keeps its Japanese names,
// and makes self-extracting programs that re-create the tree.
TEST_F(ArchiverLibraries, PacksForTheRealToolsAndSelfExtracts) {
  std::string folder = peers::FreshFolder("pack");
  std::string src = folder + "\\src";
  MakeTree(src, true);
  peers::MakeFolders(src + "\\empty folder");
  peers::WriteFile(src + "\\my notes.txt", "spaces in the name\r\n");
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  peers::WriteFile(folder + "\\res", "\"notes.txt\"\r\n\"bin.dat\"\r\n\"empty.txt\"\r\n\"sub\"\r\n\"my notes.txt\"\r\n\"empty folder\"\r\n");
  std::string text;
  ASSERT_EQ(0, Call(kUnlha, "a -d1a1 \"" + folder + "\\pack.lzh\" \"" + src + "\\\" @res", &text)) << text;
  ASSERT_EQ(0, Call(kZip, "-r -v \"" + folder + "\\pack.zip\" \"" + src + "\\\" @res", &text)) << text;
  EXPECT_NE(std::string::npos, text.find("bin.dat")) << "-v lists the files: " << text;
  std::string u = peers::UnixPath(folder);
  peers::Result r = peers::Run(u, "lhasa t pack.lzh && unzip -tq pack.zip && 7z t pack.zip >/dev/null && 7z t pack.lzh >/dev/null");
  EXPECT_EQ(0, r.exitCode) << r.output;
  r = peers::Run(u, "mkdir bsd lha7 unz && bsdtar -xf pack.lzh --options hdrcharset=CP932 -C bsd && "
                    "7z x -ozip7 pack.zip >/dev/null && cd unz && unzip -q ../pack.zip");
  EXPECT_EQ(0, r.exitCode) << r.output;
  EXPECT_SAME_TREE(src, folder + "\\bsd");
  EXPECT_SAME_TREE(src, folder + "\\zip7");
  EXPECT_SAME_TREE(src, folder + "\\unz");

  // Self-extracting: the .exe of the same name, which with /s re-creates the
  // tree in a folder named after itself.
  peers::MakeFolders(folder + "\\sfx");
  ASSERT_EQ(0, Call(kUnlha, "s -gw -x \"" + folder + "\\pack.lzh\" \"" + folder + "\\sfx\\\"", &text)) << text;
  ASSERT_EQ(0, Call(kZip, "--sfx \"" + folder + "\\pack.zip\"", &text)) << text;
  r = peers::Run(u, "unzip -tq pack.exe");
  EXPECT_EQ(0, r.exitCode) << "offsets moved by the stub: " << r.output;
  for (std::string exe : {folder + "\\sfx\\pack.exe", folder + "\\pack.exe"}) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + exe + "\" /s";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) << exe;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(0u, code) << exe;
    EXPECT_SAME_TREE(src, exe.substr(0, exe.size() - 4));
  }
}

// --- hostile archives ---

uint16_t Crc16(const std::string& data) {
  uint16_t crc = 0;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

// A level-0 -lh0- entry, as old archivers wrote them.
std::string LzhLevel0(const std::string& name, const std::string& data) {
  std::string h;
  h += "-lh0-";
  for (uint32_t v : {static_cast<uint32_t>(data.size()), static_cast<uint32_t>(data.size()), 0x21000000u})
    for (int i = 0; i < 4; ++i) h += static_cast<char>(v >> (8 * i));
  h += '\x20';
  h += '\x00';
  h += static_cast<char>(name.size());
  h += name;
  uint16_t crc = Crc16(data);
  h += static_cast<char>(crc & 0xFF);
  h += static_cast<char>(crc >> 8);
  unsigned sum = 0;
  for (unsigned char c : h) sum += c;
  return std::string(1, static_cast<char>(h.size())) + static_cast<char>(sum & 0xFF) + h + data;
}

TEST_F(ArchiverLibraries, RefusesNamesOutsideTheFolderAndExtractsTheRest) {
  std::string folder = peers::FreshFolder("hostile");
  std::string u = peers::UnixPath(folder);
  const char* python =
      "import zipfile, tarfile, io\n"
      "z = zipfile.ZipFile('hostile.zip', 'w')\n"
      "for n in ['../evil1.txt', '/evil2.txt', 'C:/evil3.txt', 'a:b.txt', 'CON', 'sub/../../evil4.txt', "
      "'..\\\\evil5.txt', 'ok.txt']:\n"
      "    z.writestr(n, 'x')\n"
      "z.close()\n"
      "t = tarfile.open('hostile.tar', 'w')\n"
      "def add(name, kind=tarfile.REGTYPE, link=''):\n"
      "    i = tarfile.TarInfo(name); i.type = kind; i.linkname = link; d = b'' if kind != tarfile.REGTYPE else b'x'\n"
      "    i.size = len(d); t.addfile(i, io.BytesIO(d))\n"
      "add('../evil6.txt'); add('ok.txt'); add('up', tarfile.SYMTYPE, '../../evil7.txt')\n"
      "add('abs', tarfile.SYMTYPE, '/etc/passwd'); add('hard', tarfile.LNKTYPE, '../evil8.txt')\n"
      "add('copy', tarfile.SYMTYPE, 'ok.txt')\n"
      "t.close()\n";
  peers::WriteFile(folder + "\\make.py", python);
  peers::Result r = peers::Run(u, "python3 make.py");
  ASSERT_EQ(0, r.exitCode) << r.output;
  peers::WriteFile(folder + "\\hostile.lzh", LzhLevel0("..\\evil9.txt", "x") + LzhLevel0("ok.txt", "x") + '\0');
  const struct {
    const char* archive;
    Spec spec;
    const char* command;
    const char* expected;  // what the folder holds afterwards
  } rows[] = {
      {"hostile.zip", kUnzip, "", "ok.txt (1)\n"},
      {"hostile.tar", kTar, "x ", "copy (1)\nok.txt (1)\n"},
      {"hostile.lzh", kUnlha, "x ", "ok.txt (1)\n"},
  };
  for (const auto& row : rows) {
    std::string out = folder + "\\out-" + row.archive + "\\deep";
    std::string text;
    int result = Call(row.spec, std::string(row.command) + "\"" + folder + "\\" + row.archive + "\" \"" + out + "\\\"",
                      &text);
    EXPECT_EQ(0x8006, result) << row.archive << ": " << text;
    EXPECT_NE(std::string::npos, text.find("展開先の外")) << text;
    EXPECT_EQ(row.expected, Listing(peers::Tree(out))) << row.archive;
  }
  // Nothing escaped: no evil file in the test's folder, above it, or at the
  // roots the absolute names point to.
  for (const auto& f : peers::Tree(folder)) EXPECT_EQ(std::string::npos, f.first.find("evil")) << f.first;
  std::string parent = folder.substr(0, folder.find_last_of('\\'));
  for (int n = 1; n <= 9; ++n) {
    std::string name = "evil" + std::to_string(n) + ".txt";
    for (const std::string& where : {parent, std::string("C:"), std::string("Z:")})
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((where + "\\" + name).c_str())) << where << name;
  }
}

TEST_F(ArchiverLibraries, DamagedArchivesGiveErrorCodes) {
  std::string folder = peers::FreshFolder("damaged");
  MakeTree(folder + "\\src", false);
  std::string u = peers::UnixPath(folder);
  peers::Result r = peers::Run(u + "/src",
                               "zip -qr ../a.zip . && tar -czf ../a.tgz . && tar -cf ../a.tar . && "
                               "jlha a ../a.lzh notes.txt bin.dat >/dev/null && printf '0123456789' > ten && "
                               "zip -q0 ../ten.zip ten");
  ASSERT_EQ(0, r.exitCode) << r.output;
  const struct {
    const char* archive;
    Spec spec;
    const char* command;
  } rows[] = {{"a.zip", kUnzip, ""}, {"a.tgz", kTar, "x "}, {"a.tar", kTar, "x "}, {"a.lzh", kUnlha, "x "}};
  for (const auto& row : rows) {
    std::string bytes;
    ASSERT_TRUE(peers::ReadFile(folder + "\\" + row.archive, bytes));
    for (double cut : {0.3, 0.6, 0.95}) {
      std::string name = folder + "\\cut-" + std::to_string(static_cast<int>(cut * 100)) + "-" + row.archive;
      peers::WriteFile(name, bytes.substr(0, static_cast<size_t>(bytes.size() * cut)));
      std::string text;
      int result = Call(row.spec, std::string(row.command) + "\"" + name + "\" \"" + name + ".out\\\"", &text);
      EXPECT_GE(result, 0x8000) << name << ": " << text;
    }
  }
  // A data byte changed: the CRC error names the file.
  std::string lzh;
  ASSERT_TRUE(peers::ReadFile(folder + "\\a.lzh", lzh));
  size_t at = lzh.size() - 100;  // inside the last file's data
  lzh[at] = static_cast<char>(lzh[at] ^ 0x55);
  peers::WriteFile(folder + "\\crc.lzh", lzh);
  std::string text;
  int result = Call(kUnlha, "x \"" + folder + "\\crc.lzh\" \"" + folder + "\\crc\\\"", &text);
  EXPECT_TRUE(result == 0x8005 || result == 0x8004) << text;
  EXPECT_NE(std::string::npos, text.find("bin.dat")) << text;
  // A directory that claims 4 GiB for a 10-byte stored entry.
  std::string ten;
  ASSERT_TRUE(peers::ReadFile(folder + "\\ten.zip", ten));
  size_t central = ten.find("PK\x01\x02");
  ASSERT_NE(std::string::npos, central);
  for (int i = 0; i < 4; ++i) ten[central + 20 + i] = ten[central + 24 + i] = '\xFE';
  peers::WriteFile(folder + "\\huge.zip", ten);
  result = Call(kUnzip, "\"" + folder + "\\huge.zip\" \"" + folder + "\\huge\\\"", &text);
  EXPECT_GE(result, 0x8000) << text;
  std::string written;
  EXPECT_FALSE(peers::ReadFile(folder + "\\huge\\ten", written) && written.size() > 10);
}

// --- the wide entries: names outside code page 932 ---

// UTF-8 (u8 literals) to UTF-16, "F\" standing for `folder` + '\'.
std::wstring U(const std::string& utf8, const std::string& folder) {
  std::wstring w = Widen(utf8, CP_UTF8), f = Widen(folder, CP_ACP);
  for (size_t at = 0; (at = w.find(L"F\\", at)) != std::wstring::npos; at += f.size()) w.replace(at, 1, f);
  return w;
}

// An entry found as the program finds the wide form: the classic name + "W".
template <typename T>
T Wide(HMODULE library, const char* classic) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, (std::string(classic) + "W").c_str())));
}

struct WideRow {
  Spec spec;
  const char* command;  // UTF-8, "F\" for the test's folder
  int result;
  const char* text;     // the UTF-16 text expected back, written in UTF-8
  const char* peer = nullptr;  // a script run in the folder whose output must be `seen`
  const char* seen = nullptr;
  DWORD size = 32767;          // of the output buffer, in WCHARs
};

void RunWideRows(const std::string& folder, const std::vector<WideRow>& rows) {
  for (const WideRow& row : rows) {
    HMODULE library = LoadLibraryA(row.spec.file);
    auto work = Wide<int(WINAPI*)(HWND, LPCWSTR, LPWSTR, DWORD)>(library, row.spec.work);
    std::vector<wchar_t> buffer(row.size + 4, L'Z');
    int result = work ? work(nullptr, (U(row.command, folder) + L" --silent").c_str(), buffer.data(), row.size) : -1;
    FreeLibrary(library);
    EXPECT_EQ(row.result, result) << row.command;
    EXPECT_TRUE(U(row.text, folder) == buffer.data()) << row.command << " did not give " << row.text;
    EXPECT_EQ(L'Z', buffer[row.size]) << "wrote beyond " << row.size;
    if (row.peer) {
      EXPECT_EQ(row.seen, peers::Run(peers::UnixPath(folder), row.peer).output) << row.command;
    }
  }
}

TEST_F(ArchiverLibraries, WideEntriesExtractAndCheckExactNames) {
  std::string folder = peers::FreshFolder("wide-extract");
  peers::Result made = peers::Run(peers::UnixPath(folder), u8R"(mkdir s && cd s
for n in Café.txt 表.txt 한글.txt 😀.txt; do printf x > $n; done
python3 -c "import zipfile, glob; z = zipfile.ZipFile('../Café.zip', 'w'); [z.write(n) for n in sorted(glob.glob('*'))]"
tar -cf ../Café.tar * && LC_ALL=ja_JP.UTF-8 jlha a ../Café.lzh 表.txt >/dev/null
printf x | gzip -n > ../Café.txt.gz)");
  ASSERT_EQ(0, made.exitCode) << made.output;
  for (const auto& row : {std::make_pair(kUnzip, u8"F\\Café.zip"), std::make_pair(kTar, u8"F\\Café.tar"),
                          std::make_pair(kUnlha, u8"F\\Café.lzh")}) {
    HMODULE library = LoadLibraryA(row.first.file);
    auto check = Wide<BOOL(WINAPI*)(LPCWSTR, int)>(library, row.first.check);
    EXPECT_TRUE(check && check(U(row.second, folder).c_str(), 0) && !check(U(row.second, folder + "-").c_str(), 0));
    FreeLibrary(library);
  }
  // A quoted command line is cut before the character that would not fit.
  const std::string longCommand = "x a @" + std::string(194, 'b') + u8"é";
  const std::string longText = u8"レスポンスファイルを読めません: x a @" + std::string(194, 'b');
  const char* list = u8"find o -type f | LC_ALL=C sort && rm -r o";
  const char* four = u8"o/Café/Café.txt\no/Café/表.txt\no/Café/한글.txt\no/Café/😀.txt\n";
  RunWideRows(folder, {
      {kUnzip, u8"\"F\\Café.zip\" \"F\\o\\Café\\\"", 0, u8"Café.zip を展開しました（ファイル 4 個、フォルダ 0 個）。", list, four},
      {kTar, u8"x \"F\\Café.tar\" \"F\\o\\Café\\\"", 0, u8"Café.tar を展開しました（ファイル 4 個、フォルダ 0 個）。", list, four},
      {kUnlha, u8"x \"F\\Café.lzh\" \"F\\o\\Café\\\"", 0, u8"Café.lzh を展開しました（ファイル 1 個、フォルダ 0 個）。", list,
       u8"o/Café/表.txt\n"},
      {kTar, u8"x \"F\\Café.txt.gz\" \"F\\o\\\"", 0, u8"Café.txt.gz を展開しました（ファイル 1 個、フォルダ 0 個）。", list,
       u8"o/Café.txt\n"},
      // Errors name the real name; a cut never leaves half a surrogate pair.
      {kUnzip, u8"\"F\\no\\Café.zip\"", 0x8002, u8"書庫を開けません: Café.zip"},
      {kUnzip, u8"\"F\\no\\😀.zip\"", 0x8002, u8"書庫を開けません: ", nullptr, nullptr, 12},
      {kUnlha, longCommand.c_str(), 0x800B, longText.c_str()},
  });
}

// Packing from a folder whose name ends in a byte code page 932 would take
// for a lead byte (한 is ED 95 9C), with the names listed in a UTF-8
// response file; LZH takes only what code page 932 holds.
TEST_F(ArchiverLibraries, WideEntriesPackExactNames) {
  std::string folder = peers::FreshFolder("wide-pack");
  peers::Result made = peers::Run(peers::UnixPath(folder), u8"mkdir 한 && touch 한/Café.txt 한/😀.txt 한/表.txt");
  ASSERT_EQ(0, made.exitCode) << made.output;
  peers::WriteFile(folder + "\\list.txt", u8"\xEF\xBB\xBF" u8"Café.txt\r\n\"😀.txt\"\r\n");
  RunWideRows(folder, {
      {kZip, u8"-r -v \"F\\한\\Café.zip\" \"F\\한\\\" @F\\list.txt", 0,
       u8"Café.zip を作成しました（ファイル 2 個、フォルダ 0 個）。\r\n  Café.txt\r\n  😀.txt",
       u8"python3 -c \"import zipfile; z = zipfile.ZipFile('한/Café.zip'); "
       u8"[print(i.filename, i.flag_bits & 0x800) for i in z.infolist()]\"",
       u8"Café.txt 2048\n😀.txt 2048\n"},
      {kUnlha, u8"a \"F\\한\\Café.lzh\" \"F\\한\\\" @F\\list.txt 表.txt", 0x8011,
       u8"Café.lzh を作成しました（ファイル 1 個、フォルダ 0 個）。\r\nエラーがありました（2 件）。"
       u8"\r\nこの形式では記録できない文字を含む名前です: F\\한\\Café.txt\r\nこの形式では記録できない文字を含む名前です: F\\한\\😀.txt",
       u8"LC_ALL=C.UTF-8 bsdtar -tf 한/Café.lzh --options hdrcharset=CP932", u8"表.txt\n"},
      {kZip, u8"--sfx \"F\\한\\Café.zip\"", 0, u8"Café.exe を作成しました。", u8"unzip -Z1 한/Café.exe",
       u8"Café.txt\n😀.txt\n"},
      {kUnlha, u8"s \"F\\한\\Café.lzh\" \"F\\\"", 0, u8"Café.exe を作成しました。",
       u8"7z t Café.exe >/dev/null && tail -c $(stat -c%s 한/Café.lzh) Café.exe | "
       u8"LC_ALL=C.UTF-8 bsdtar -tf - --options hdrcharset=CP932",
       u8"表.txt\n"},
  });
}

// The program loads a library for every call: a wide call must leave no
// thread-local slot behind, or after about a thousand calls none is left.
TEST_F(ArchiverLibraries, WideCallsLeaveNoThreadSlotBehind) {
  auto freeSlots = [] {
    std::vector<DWORD> taken;
    for (DWORD k; (k = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(k);
    for (DWORD k : taken) TlsFree(k);
    return taken.size();
  };
  size_t before = freeSlots();
  RunWideRows("", std::vector<WideRow>(20, {kUnzip, "-q", 0x8001, u8"コマンドが正しくありません: -q"}));
  EXPECT_EQ(before, freeSlots());
}

}  // namespace

namespace {

// The top-level window of process `pid` that `match` accepts, waited for.
HWND WaitForWindow(DWORD pid, bool (*match)(HWND)) {
  struct Search {
    DWORD pid;
    bool (*match)(HWND);
    HWND found;
  } search = {pid, match, nullptr};
  for (int waited = 0; waited < 60000 && !search.found; waited += 10) {
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
          Search* s = reinterpret_cast<Search*>(p);
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner == s->pid && IsWindowVisible(w) && s->match(w)) {
            s->found = w;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(10);
  }
  return search.found;
}

// WM_GETTEXT itself: GetWindowText does not ask another process's controls.
std::string TextOf(HWND w) {
  char text[512] = "";
  DWORD_PTR result = 0;
  SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 10000, &result);
  return text;
}

TEST_F(ArchiverLibraries, SelfExtractingDialogExtractsOnEnter) {
  std::string folder = peers::FreshFolder("sfx-dialog");
  std::string src = folder + "\\src";
  MakeTree(src, true);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  peers::WriteFile(folder + "\\res", "\"notes.txt\"\r\n\"sub\"\r\n");
  std::string text;
  ASSERT_EQ(0, Call(kZip, "-r \"" + folder + "\\dlg.zip\" \"" + src + "\\\" @res", &text)) << text;
  ASSERT_EQ(0, Call(kZip, "--sfx \"" + folder + "\\dlg.zip\"", &text)) << text;
  std::string exe = folder + "\\dlg.exe";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string line = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  HWND dialog = WaitForWindow(pi.dwProcessId, [](HWND w) { return GetDlgItem(w, 1001) != nullptr; });
  ASSERT_TRUE(dialog);
  EXPECT_EQ("自己解凍", TextOf(dialog));
  EXPECT_EQ("展開", TextOf(GetDlgItem(dialog, IDOK)));
  EXPECT_EQ("キャンセル", TextOf(GetDlgItem(dialog, IDCANCEL)));
  EXPECT_EQ(folder + "\\dlg", TextOf(GetDlgItem(dialog, 1001)));
  EXPECT_TRUE(GetDlgItem(dialog, 1002));  // the progress bar
  // Enter in the dialog presses its default button, 展開.
  PostMessageA(GetDlgItem(dialog, 1001), WM_KEYDOWN, VK_RETURN, 0);
  HWND done = WaitForWindow(pi.dwProcessId, [](HWND w) { return GetDlgItem(w, 1001) == nullptr && GetDlgItem(w, 0xFFFF); });
  ASSERT_TRUE(done);
  EXPECT_EQ("展開しました。", TextOf(GetDlgItem(done, 0xFFFF)));
  PostMessageA(done, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(0u, code);
  auto tree = peers::Tree(folder + "\\dlg");
  EXPECT_EQ("notes.txt (22800)\nsub\\ (0)\nsub\\deeper\\ (0)\nsub\\deeper\\x.c (1450)\nsub\\表.txt (8)\n", Listing(tree));
}

}  // namespace
