// Files dropped on the real main window, with drop handles made as the shell
// makes them and the real cursor placed where the drop lands.
#include <shlobj.h>

#include "filetools/drop_dispatcher.h"
#include "framework/wide_text.h"
#include "media/video_dialog.h"
#include "tests/app/main_window_fixture.h"
#include "tests/media/test_media.h"
#include "tests/support/modal_script.h"

namespace {

class DropTest : public MainWindowTest {
 protected:
  std::vector<std::pair<std::string, std::string>> boxes;
  // Message boxes are recorded (a test cannot press their OK).
  CScopedOverride<int (*)(HWND, const char*, const char*, UINT)> boxSeam{g_sideEffects.messageBox};

  void SetUp() override {
    MainWindowTest::SetUp();
    static DropTest* current;
    current = this;
    g_sideEffects.messageBox = [](HWND, const char* text, const char* caption, UINT) {
      current->boxes.push_back({text, caption});
      return IDOK;
    };
  }

  // Drops the files `dy` pixels below the window's outer top.
  void DropAt(int dy, const std::vector<std::string>& paths, bool wide = false) { DropAt(dy, ShellDrop(paths, wide)); }
  void DropAt(int dy, HDROP drop) {
    RECT r;
    GetWindowRect(dialog->m_hWnd, &r);
    SetCursorPos(r.left + 100, r.top + dy);
    POINT at;
    ASSERT_TRUE(PumpUntil([&] { return GetCursorPos(&at) && at.y == r.top + dy; }));
    SendMessageA(dialog->m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  }
  int PlaylistCount() { return int(SendMessageA(dialog->Playlist(), LVM_GETITEMCOUNT, 0, 0)); }
  std::string File(const std::string& name, const std::string& bytes = "x") {
    TempFolder::Write(folder.File(name), bytes);
    return folder.File(name);
  }
};

TEST_F(DropTest, BoundaryAt44PixelsSendsMusicToThePlaylist) {
  Open();
  dialog->DropAction() = 0;
  std::string mp3 = File("曲.mp3"), mixed = File("b.Mp3"), video = File("c.avi"), ogg = File("d.ogg");
  for (bool wide : {false, true}) {
    int before = PlaylistCount();
    DropAt(44, {mp3, mixed, video, ogg}, wide);
    EXPECT_EQ(before + 2, PlaylistCount()) << "wide " << wide;  // .Mp3 and .avi are not music
    EXPECT_TRUE(boxes.empty());
  }
  // One pixel higher the drop action applies: these are no archives.
  int before = PlaylistCount();
  DropAt(43, {mp3});
  EXPECT_EQ(before, PlaylistCount());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(mp3 + "\nは解凍できません", boxes[0].first);
  EXPECT_EQ("解凍エラー", boxes[0].second);
}

TEST_F(DropTest, ExtractShowsOneMessagePerFileNoLibraryTakes) {
  // The archiver libraries sit beside the program, one folder above the tests.
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string root = exe;
  root = root.substr(0, root.find_last_of('\\'));
  root = root.substr(0, root.find_last_of('\\'));
  SetDllDirectoryA(root.c_str());
  Open();
  dialog->DropAction() = 0;
  // A stored ZIP with one file, written here byte by byte.
  const char name[] = "in.txt";
  const char data[] = "hello";
  std::string zip;
  auto le = [&](uint32_t v, int n) { for (int i = 0; i < n; ++i) zip += char(v >> (8 * i)); };
  uint32_t crc = 0x3610A686;  // CRC-32 of "hello"
  zip += "PK\x03\x04"; le(10, 2); le(0, 2); le(0, 2); le(0, 4); le(crc, 4); le(5, 4); le(5, 4); le(6, 2); le(0, 2);
  zip += name; zip += data;
  size_t central = zip.size();
  zip += "PK\x01\x02"; le(20, 2); le(10, 2); le(0, 2); le(0, 2); le(0, 4); le(crc, 4); le(5, 4); le(5, 4);
  le(6, 2); le(0, 2); le(0, 2); le(0, 2); le(0, 2); le(0x20, 4); le(0, 4); zip += name;
  size_t end = zip.size();
  zip += "PK\x05\x06"; le(0, 2); le(0, 2); le(1, 2); le(1, 2); le(uint32_t(end - central), 4); le(uint32_t(central), 4); le(0, 2);
  std::string first = File("b.zip", zip), second = File("notes.txt", "plain"), third = File("c.zip", zip);
  CreateDirectoryA(folder.File("c").c_str(), nullptr);  // taken: c(1) is next
  DropAt(20, {first, second, third});
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(second + "\nは解凍できません", boxes[0].first);
  EXPECT_EQ("hello", TempFolder::Read(folder.File("b\\in.txt")));
  EXPECT_EQ("hello", TempFolder::Read(folder.File("c(1)\\in.txt")));
  SetDllDirectoryA(nullptr);
}

TEST_F(DropTest, JoinAndVideoTakeTheFirstFileOnly) {
  Open();
  dialog->DropAction() = 3;  // 結合
  DropAt(10, {File("movie.avi.002"), File("movie.avi.001")});
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("拡張子「.001」のファイルをドロップしてください", boxes[0].first);
  EXPECT_EQ("結合エラー", boxes[0].second);

  dialog->DropAction() = 4;  // 動画
  DropAt(10, {File("clip.Avi")});
  EXPECT_FALSE(dialog->Video().IsOpen());  // not one of the video extensions
  std::string media = MediaFolder();
  if (media.empty()) GTEST_SKIP() << "TOVIX_TEST_MEDIA is not set";
  DropAt(10, {media + "\\video320.avi", File("second.avi")});
  EXPECT_TRUE(dialog->Video().IsOpen());
  EXPECT_TRUE(dialog->Video().HasVideo()) << "the first file plays, not the second";
  EXPECT_EQ(Widen(media + "\\video320.avi", CP_ACP), DropPath);
  dialog->Video().Close();
  // Under a name the code page lacks, it plays as well.
  const std::wstring clip = folder.File(L"Caf\u00e9 \U0001F600.avi");
  ASSERT_TRUE(CopyFileW(Widen(media + "\\video320.avi", CP_ACP).c_str(), clip.c_str(), FALSE));
  DropAt(10, ShellDrop(std::vector<std::wstring>{clip}));
  EXPECT_TRUE(dialog->Video().HasVideo());
  dialog->Video().Close();
}

TEST_F(DropTest, CompressWritesTheResponseFileForTheDialog) {
  Open();
  dialog->DropAction() = 1;  // 圧縮
  std::string a = File("report.final.txt"), b = File("b c.txt");
  // The dialog is modal: a script inside its loop reads what it was given and
  // presses やめる, as a person would.
  // A second drop while the dialog runs is refused: no second dialog, "res"
  // left as the first drop wrote it.
  std::string seenResponse, seenName, afterSecondDrop;
  HWND box = nullptr;
  auto compressBox = [&box] { return (box = FindWindowA(nullptr, "圧縮（拡張子不要）")) != nullptr; };
  CScript script({{"the compress box", compressBox, [&] {
                     HWND first = box;
                     seenResponse = TempFolder::Read("res");
                     char text[MAX_PATH] = "";
                     GetDlgItemTextA(first, 1035, text, sizeof text);
                     seenName = text;
                     {
                       // Were it taken, its dialog would be closed too.
                       CScript second({{"a second box", [&] { return compressBox() && box != first; },
                                        [&] { PostMessageA(box, WM_COMMAND, IDCANCEL, 0); }}});
                       SendMessageA(dialog->m_hWnd, WM_DROPFILES,
                                    reinterpret_cast<WPARAM>(ShellDrop({File("other.txt")}, false)), 0);
                     }
                     afterSecondDrop = TempFolder::Read("res");
                     PostMessageA(first, WM_COMMAND, IDCANCEL, 0);
                   }}});
  DropAt(10, {a, b});
  ASSERT_EQ(1u, boxes.size()) << "the second drop was not refused";
  EXPECT_EQ("Tovix", boxes[0].second);
  EXPECT_EQ(seenResponse, afterSecondDrop);
  boxes.clear();
  EXPECT_EQ("\"report.final.txt\"\r\n\"b c.txt\"\r\n", seenResponse);
  EXPECT_EQ("report.final", seenName);
  EXPECT_EQ(Widen(folder.File("report.final"), CP_ACP), DropPath);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("res")) << "res outlives the dialog";
  // When "res" cannot be made (a folder of that name), the user is told.
  CreateDirectoryA("res", nullptr);
  DropAt(10, {a});
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("圧縮エラー", boxes[0].second);
  RemoveDirectoryA("res");
}

}  // namespace
