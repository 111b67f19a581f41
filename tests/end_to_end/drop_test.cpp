// Files dragged onto the running program from outside, as from a file
// manager: a real X drag and drop (scripts/xdnd_drop.py), which Wine hands to
// the main window as its drop message, with the real pointer at the drop.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "tests/archivers/peers.h"
#include "tests/end_to_end/main_window_of.h"
#include "tests/media/test_media.h"
#include "tests/test_files.h"

namespace {

using end_to_end::kHangGuardMs;
using end_to_end::OpenBoxOf;
using end_to_end::WaitUntil;
using Tree = std::vector<std::pair<std::string, std::string>>;

std::string ProgramUnderTest() {
  const std::vector<std::string>& args = testing::internal::GetArgvs();
  return args.size() > 1 ? args[1] : std::string();
}

// The drag source of the source tree this test was built from.
std::string DragSource() { return std::string(TOVIX_SOURCE_DIR) + "/scripts/xdnd_drop.py"; }

// Names and sizes: enough to see what differs without dumping the bytes.
std::string Describe(const Tree& tree) {
  std::string text;
  for (const auto& file : tree) text += "  " + file.first + " (" + std::to_string(file.second.size()) + " bytes)\n";
  return text.empty() ? "  (nothing)\n" : text;
}

class DropTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ProgramUnderTest().empty()) << "pass the path of tovix.exe";
    ASSERT_TRUE(CopyFileA(ProgramUnderTest().c_str(), program.File("tovix.exe").c_str(), FALSE));
    // The archiver libraries the build puts beside the program go along.
    std::string from = ProgramUnderTest().substr(0, ProgramUnderTest().find_last_of("\\/") + 1);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((from + "*.dll").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        CopyFileA((from + found.cFileName).c_str(), program.File(found.cFileName).c_str(), FALSE);
      } while (FindNextFileA(h, &found));
      FindClose(h);
    }
    peers::Result source = peers::Run("/", "test -f " + peers::Quote(DragSource()));
    ASSERT_EQ(source.exitCode, 0) << "no drag source at " << DragSource();
  }
  void TearDown() override {
    if (!process.hProcess) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, kHangGuardMs);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }

  // Starts the program with `action` (解凍 unless told) as its drop action
  // and waits for its window.
  void Start(int action = 0) {
    TempFolder::Write(program.File("tovix.ini"), "[WINDOW]\r\nMainWindowX=100\r\nMainWindowY=120\r\nDDList=" +
                                                     std::to_string(action) + "\r\n");
    std::string exe = program.File("tovix.exe"), command = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process));
    window = end_to_end::WaitForMainWindow(process.dwProcessId);
    ASSERT_NE(window, nullptr) << "no main window";
  }

  // Drags `path` from outside onto the main window and drops it `dy` pixels
  // below the window's top, 100 pixels from its left.
  void Drop(int dy, const std::string& path) { DropUnix(dy, peers::UnixPath(path)); }
  // The same for a file named on the Unix side (UTF-8), which may hold
  // names code page 932 lacks.
  void DropUnix(int dy, const std::string& unixPath) {
    RECT r;
    ASSERT_TRUE(GetWindowRect(window, &r));
    std::string at = std::to_string(r.left + 100) + " " + std::to_string(r.top + dy);
    peers::Result drop =
        peers::Run("/", "/usr/bin/python3 " + peers::Quote(DragSource()) + " " + at + " " + peers::Quote(unixPath));
    ASSERT_EQ(drop.exitCode, 0) << drop.output;
  }

  // A visible top-level window of the program with that caption.
  HWND WindowOf(const char* caption) {
    HWND found = FindWindowA(nullptr, caption);
    DWORD owner = 0;
    GetWindowThreadProcessId(found, &owner);
    return found && owner == process.dwProcessId && IsWindowVisible(found) ? found : nullptr;
  }
  // Waits for the program's window of that caption.
  HWND WaitForWindow(const char* caption) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = WindowOf(caption)) != nullptr; });
    return found;
  }
  // Closes the message box of that caption once it shows.
  void Acknowledge(const char* caption) {
    HWND box = WaitForWindow(caption);
    ASSERT_NE(box, nullptr) << "no box " << caption << "; shown: " << OpenBoxOf(process.dwProcessId);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !IsWindow(box); });
  }
  // A script run in the work folder on the Unix side exits 0.
  void OnUnixSide(const std::string& script) {
    peers::Result r = peers::Run(peers::UnixPath(work.File("")), script);
    EXPECT_EQ(r.exitCode, 0) << script << "\n" << r.output;
  }

  // Waits until `done` holds or the program shows a message box, whose text
  // it returns.
  template <typename Condition>
  std::string WaitUnlessBox(Condition done) {
    std::string box;
    WaitUntil([&] { return done() || !(box = OpenBoxOf(process.dwProcessId)).empty(); });
    return box;
  }

  TempFolder program, work;
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
};

TEST_F(DropTest, ZipDroppedOnTheTopIsExtractedIntoAFolderNamedAfterIt) {
  // The files to pack: text, a compressible binary in a subfolder, an empty file.
  std::string binary;
  for (int i = 0; i < 50000; ++i) binary += char((i * 7) ^ (i >> 5));
  std::string source = work.File("source");
  ASSERT_TRUE(peers::MakeFolders(source + "\\data"));
  ASSERT_TRUE(peers::WriteFile(source + "\\readme.txt", "dropped from outside\r\nsecond line\r\n"));
  ASSERT_TRUE(peers::WriteFile(source + "\\data\\table.bin", binary));
  ASSERT_TRUE(peers::WriteFile(source + "\\empty.txt", ""));
  // 表 ends in the byte of a backslash: the name must survive the drag, the
  // drop message and the extraction folder's name.
  std::string archive = work.File("表.zip");
  peers::Result zip = peers::Run(peers::UnixPath(source), "zip -q -r -X " + peers::Quote(peers::UnixPath(archive)) +
                                                              " readme.txt data empty.txt");
  ASSERT_EQ(zip.exitCode, 0) << zip.output;
  Tree expected = peers::Tree(source);

  Start();
  Drop(20, archive);
  std::string extracted = work.File("表");
  Tree got;
  std::string box = WaitUnlessBox([&] { return (got = peers::Tree(extracted)) == expected; });
  EXPECT_TRUE(box.empty()) << "the program showed: " << box;
  EXPECT_TRUE(got == expected) << "extracted into " << extracted << ":\n"
                               << Describe(got) << "expected:\n"
                               << Describe(expected);
}

// Names code page 932 lacks, made on the Unix side: Wine shows them to the
// program in UTF-16. "Caf\xC3\xA9" is Café in UTF-8, then 表 and 한글.
const char kCafe[] = "Caf\xC3\xA9";
const char kPython[] = "python3 -c 'import sys, zipfile\n";

TEST_F(DropTest, ZipOfRealNamesIsExtractedIntoAFolderOfItsRealName) {
  // Python's zipfile marks such names as UTF-8.
  OnUnixSide(std::string(kPython) + "z = zipfile.ZipFile(\"" + kCafe + ".zip\", \"w\")\n"
             "for n in (\"" + kCafe + ".txt\", \"\xE8\xA1\xA8.txt\", \"\xED\x95\x9C\xEA\xB8\x80.txt\"): z.writestr(n, n * 3)\n"
             "z.close()'");
  Start();
  DropUnix(20, peers::UnixPath(work.File("")) + "/" + kCafe + ".zip");
  // The folder holds exactly those three names, each with its own bytes.
  const std::string check = std::string(kPython) + "import os\n"
                            "names = sorted(os.listdir(\"" + kCafe + "\"))\n"
                            "ok = names == sorted([\"" + kCafe + ".txt\", \"\xE8\xA1\xA8.txt\", \"\xED\x95\x9C\xEA\xB8\x80.txt\"])\n"
                            "ok = ok and all(open(\"" + kCafe + "/\" + n, \"rb\").read() == n.encode() * 3 for n in names)\n"
                            "print(names); sys.exit(0 if ok else 1)'";
  EXPECT_EQ(WaitUnlessBox([&] { return peers::Run(peers::UnixPath(work.File("")), check).exitCode == 0; }), "");
  OnUnixSide(check);
}

TEST_F(DropTest, FileOfARealNameIsCompressedUnderThatName) {
  OnUnixSide(std::string("printf 'caf\xC3\xA9 au lait' > ") + kCafe + ".txt");
  Start(1);  // 圧縮
  DropUnix(20, peers::UnixPath(work.File("")) + "/" + kCafe + ".txt");
  HWND dialog = WaitForWindow("圧縮（拡張子不要）");
  ASSERT_NE(dialog, nullptr) << OpenBoxOf(process.dwProcessId);
  SendDlgItemMessageA(dialog, IDC_COMPRESS_FORMAT, CB_SETCURSEL, 1, 0);  // ZIP
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMPRESS_START, BN_CLICKED), 0);
  WaitUntil([&] { return !IsWindow(dialog) || WindowOf("圧縮エラー"); });
  EXPECT_EQ(OpenBoxOf(process.dwProcessId), "");
  // Another archiver reads the one name back, with its bytes.
  OnUnixSide(std::string("unzip -Z1 ") + kCafe + ".zip && test \"$(unzip -Z1 " + kCafe + ".zip)\" = " + kCafe +
             ".txt && unzip -p " + kCafe + ".zip | cmp - " + kCafe + ".txt");
}

TEST_F(DropTest, FileOfARealNameIsSplitAndJoinedBack) {
  OnUnixSide(std::string("head -c 2500 /dev/urandom > ") + kCafe + ".bin && cp " + kCafe + ".bin original");
  Start(2);  // 分割
  DropUnix(20, peers::UnixPath(work.File("")) + "/" + kCafe + ".bin");
  HWND dialog = WaitForWindow("分割");
  ASSERT_NE(dialog, nullptr) << OpenBoxOf(process.dwProcessId);
  SetDlgItemTextA(dialog, IDC_SPLIT_PIECE_SIZE, "1000");
  CheckDlgButton(dialog, IDC_SPLIT_BATCH, BST_CHECKED);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SPLIT_START, BN_CLICKED), 0);
  Acknowledge("分割完了");
  OnUnixSide(std::string("rm ") + kCafe + ".bin");
  // 結合, chosen in the drop combo box as a person would.
  HWND combo = GetDlgItem(window, IDC_DROP_ACTION);
  SendMessageA(combo, CB_SETCURSEL, 3, 0);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_DROP_ACTION, CBN_SELCHANGE), LPARAM(combo));
  DropUnix(20, peers::UnixPath(work.File("")) + "/" + kCafe + ".bin.001");
  Acknowledge("結合完了");
  OnUnixSide(std::string("cmp original ") + kCafe + ".bin");
}

TEST_F(DropTest, VideoOfARealNamePlaysUnderThatName) {
  ASSERT_FALSE(MediaFolder().empty()) << "TOVIX_TEST_MEDIA must name the test media (scripts/make-test-media.sh)";
  OnUnixSide("cp " + peers::Quote(peers::UnixPath(MediaFolder() + "\\video320.avi")) + " " + kCafe + ".avi");
  Start(4);  // 動画
  DropUnix(20, peers::UnixPath(work.File("")) + "/" + kCafe + ".avi");
  // The video window's information line names the file it plays.
  struct Find {
    DWORD pid;
    HWND info;
  } find = {process.dwProcessId, nullptr};
  auto infoLine = [](HWND top, LPARAM param) -> BOOL {
    auto* f = reinterpret_cast<Find*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(top, &owner);
    if (owner == f->pid && IsWindowVisible(top)) f->info = GetDlgItem(top, IDC_VIDEO_INFO);
    return f->info == nullptr;
  };
  std::wstring shown;
  WaitUntil([&] {
    wchar_t text[256] = L"";
    if (!find.info) EnumWindows(infoLine, LPARAM(&find));
    if (find.info) GetWindowTextW(find.info, text, 256);
    return (shown = text).find(L"Caf\u00e9.avi") != std::wstring::npos;
  });
  EXPECT_NE(shown.find(L"Caf\u00e9.avi"), std::wstring::npos) << OpenBoxOf(process.dwProcessId);
}

// Code page 932 has ♪ but no é: that song is named only in the UTF-8 list.
TEST_F(DropTest, MusicDroppedOnTheLowerPartJoinsThePlaylist) {
  ASSERT_FALSE(MediaFolder().empty()) << "TOVIX_TEST_MEDIA must name the test media (scripts/make-test-media.sh)";
  std::string song = work.File("ソ.mp3");
  ASSERT_TRUE(CopyFileA((MediaFolder() + "\\tone_1500ms.mp3").c_str(), song.c_str(), FALSE))
      << "no test media in " << MediaFolder();
  const std::string name = u8"Beyoncé ♪.wav";
  OnUnixSide("cp " + peers::Quote(peers::UnixPath(MediaFolder() + "\\one.wav")) + " " + peers::Quote(name));

  Start();
  HWND playlist = GetDlgItem(window, IDC_PLAYLIST);
  ASSERT_NE(playlist, nullptr);
  LRESULT before = SendMessageA(playlist, LVM_GETITEMCOUNT, 0, 0);
  auto entries = [&] { return SendMessageA(playlist, LVM_GETITEMCOUNT, 0, 0); };
  const std::string drops[] = {peers::UnixPath(song), peers::UnixPath(work.File("")) + "/" + name};
  for (LRESULT n = 1; n <= 2; ++n) {
    DropUnix(60, drops[n - 1]);
    ASSERT_EQ(WaitUnlessBox([&] { return entries() == before + n; }), "");
    ASSERT_EQ(entries(), before + n);
  }

  // The playlist the program keeps at quitting names the dropped files.
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_QUIT, BN_CLICKED), 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, kHangGuardMs), WAIT_OBJECT_0) << "still running";
  std::string list = TempFolder::Read(program.File("backup.m3u"));
  ASSERT_GT(list.size(), 2u) << "no backup.m3u";
  EXPECT_EQ(list.find("Beyonc"), std::string::npos);
  std::string entry = list.substr(list.rfind('\n', list.size() - 2) + 1);
  entry = entry.substr(0, entry.size() - 2);  // its CR LF
  const std::string ending = "\\ソ.mp3";
  EXPECT_TRUE(entry.size() > ending.size() && entry.compare(entry.size() - ending.size(), ending.size(), ending) == 0)
      << entry;
  EXPECT_EQ(TempFolder::Read(entry), TempFolder::Read(song)) << entry << " is not the dropped file";
  list = TempFolder::Read(program.File("backup.m3u8"));
  entry = work.File("") + "\\" + name + "\r\n";
  EXPECT_TRUE(list.size() >= entry.size() && list.compare(list.size() - entry.size(), entry.size(), entry) == 0)
      << "backup.m3u8: " << list;
}

}  // namespace
