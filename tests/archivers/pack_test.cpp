// Packing through the libraries' entry points: names code page 932 cannot
// hold, and archives that already exist, checked with the real tools.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/archivers/peers.h"

namespace {

typedef int(WINAPI* WorkEntry)(HWND, LPCSTR, LPSTR, DWORD);

// Packs with ZIP32J.DLL ("Zip") or unlha32.dll ("Unlha a"), loaded from the
// build folder, one above the tests; the result, and the text in `text`.
int Pack(bool zip, const std::string& arguments, std::string& text) {
  char path[MAX_PATH];
  std::string folder(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  folder = folder.substr(0, folder.find_last_of('\\', folder.find_last_of('\\') - 1) + 1);
  HMODULE module = LoadLibraryA((folder + (zip ? "ZIP32J.DLL" : "unlha32.dll")).c_str());
  auto work = reinterpret_cast<WorkEntry>(reinterpret_cast<void*>(GetProcAddress(module, zip ? "Zip" : "Unlha")));
  if (!work) return -1;
  std::vector<char> buffer(32768, 0);
  int result = work(nullptr, ((zip ? "" : "a ") + arguments).c_str(), buffer.data(), 32767);
  text = buffer.data();
  FreeLibrary(module);
  return result;
}

std::string Encoded(const wchar_t* s, UINT codePage) {
  char out[64];
  return std::string(out, WideCharToMultiByte(codePage, 0, s, -1, out, sizeof out, nullptr, nullptr) - 1);
}

TEST(Packing, NamesOutsideCodePage932GoInUtf8ToZipAndAreRefusedByLzh) {
  const struct {
    const wchar_t* name;
    bool cp932;
  } names[] = {{L"caf\u00E9.txt", false}, {L"caf\u00E8.txt", false}, {L"\u00A5100.txt", false},
               {L"\uD55C\uAE00.txt", false}, {L"\U0001F600.txt", false}, {L"\u8868.txt", true}, {L"plain.txt", true}};
  std::string folder = peers::FreshFolder("names"), text, zip;
  std::wstring src = std::wstring(folder.begin(), folder.end()) + L"\\src\\";
  CreateDirectoryW(src.c_str(), nullptr);
  for (const auto& n : names) {
    HANDLE f = CreateFileW((src + n.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    CloseHandle(f);
  }
  ASSERT_EQ(0, Pack(true, "-r \"" + folder + "\\n.zip\" \"" + folder + "\\\" src", text)) << text;
  peers::Result r = peers::Run(peers::UnixPath(folder), "7z l -slt n.zip && mkdir x && unzip -q n.zip -d x");
  ASSERT_EQ(0, r.exitCode) << r.output;
  // Each name as stored, after its flags: UTF-8 (bit 11) only for the names
  // code page 932 lacks; the others exactly as before, in code page 932.
  peers::ReadFile(folder + "\\n.zip", zip);
  for (const auto& n : names) {
    std::string utf8 = Encoded(n.name, CP_UTF8), stored = n.cp932 ? Encoded(n.name, 932) : utf8;
    std::string flags = n.cp932 ? std::string("\0\0", 2) : std::string("\0\x08", 2);
    size_t at = zip.find("src/" + stored, zip.find("PK\x01\x02"));
    EXPECT_TRUE(at != std::string::npos && zip.compare(at - 46 + 8, 2, flags) == 0) << utf8;
    EXPECT_NE(std::string::npos, r.output.find("Path = src/" + utf8 + "\n")) << utf8;
    EXPECT_TRUE(n.cp932 || GetFileAttributesW((src + L"..\\x\\src\\" + n.name).c_str()) != INVALID_FILE_ATTRIBUTES);
  }
  // LZH records only code page 932: the others are refused, each named, and
  // the rest packed.
  EXPECT_EQ(0x8011, Pack(false, "-d1 \"" + folder + "\\n.lzh\" \"" + folder + "\\\" src", text)) << text;
  size_t refused = 0;
  for (size_t at = 0; (at = text.find("\\src\\", at + 1)) != std::string::npos;) ++refused;
  EXPECT_EQ(5u, refused) << text;
  EXPECT_EQ("2\n", peers::Run(peers::UnixPath(folder), "lhasa l n.lzh | grep -c '\\.txt'").output);
}

// Packing into an archive the real tools made updates it: same names (case
// aside) replaced, the others kept, the archive itself never packed. A file
// that is not such an archive is left as it was.
TEST(Packing, AnExistingArchiveIsUpdatedOrLeftAlone) {
  const struct {
    const char* archive;
    const char* make;  // run in old/, making ../src/<archive>; null: text
    const char* extract;  // run in the test's folder into out/; null: refused
  } rows[] = {
      {"data.zip", "zip -qr ../src/data.zip .", "unzip -tq src/data.zip && unzip -q src/data.zip -d out"},
      {"data.lzh", "jlha a ../src/data.lzh keep.txt Same.TXT sub/deep.txt >/dev/null",
       "lhasa t src/data.lzh >/dev/null && mkdir out && cd out && lhasa x ../src/data.lzh >/dev/null"},
      {"text.zip", nullptr, nullptr},
      {"text.lzh", nullptr, nullptr},
      {"cut.zip", "zip -qr a.zip . && head -c 60 a.zip > ../src/cut.zip", nullptr},
      {"zip.lzh", "zip -qr ../src/zip.lzh .", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.archive);
    std::string folder = peers::FreshFolder("update"), src = folder + "\\src\\", text, before, after;
    peers::MakeFolders(folder + "\\old\\sub");
    peers::MakeFolders(src);
    peers::WriteFile(folder + "\\old\\keep.txt", "kept as it was\n");
    peers::WriteFile(folder + "\\old\\Same.TXT", "old content\n");
    peers::WriteFile(folder + "\\old\\sub\\deep.txt", std::string(3000, 'd'));
    peers::WriteFile(src + "same.txt", "new content\n");
    peers::WriteFile(src + "readme.txt", "read me\n");
    if (!row.make) peers::WriteFile(src + row.archive, "just text\r\n");
    peers::Result r = peers::Run(peers::UnixPath(folder) + "/old", row.make ? row.make : "true");
    ASSERT_EQ(0, r.exitCode) << r.output;
    peers::ReadFile(src + row.archive, before);
    bool zip = std::string(row.archive).find(".zip") != std::string::npos;
    int result = Pack(zip, "\"" + src + row.archive + "\" \"" + src + "\" " + row.archive + " same.txt readme.txt", text);
    if (!row.extract) {
      EXPECT_EQ(0x8003, result) << text;
      EXPECT_TRUE(peers::ReadFile(src + row.archive, after) && before == after);
      continue;
    }
    EXPECT_EQ(0, result) << text;
    r = peers::Run(peers::UnixPath(folder), row.extract);
    ASSERT_EQ(0, r.exitCode) << r.output;
    std::string listing;
    for (const auto& f : peers::Tree(folder + "\\out")) listing += f.first + "=" + f.second.substr(0, 11) + "\n";
    EXPECT_EQ("keep.txt=kept as it \nreadme.txt=read me\n\nsame.txt=new content\nsub\\=\nsub\\deep.txt=ddddddddddd\n",
              listing);
  }
}

}  // namespace
