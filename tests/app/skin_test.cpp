// Skins on the real main window: pictures read from skin folders in a scratch
// program folder, checked by the pixels the window shows.
#include "app/skin.h"

#include <cstring>

#include "resources/resource.h"
#include "tests/app/main_window_fixture.h"

namespace {

const COLORREF kBackground = RGB(20, 40, 80);
const COLORREF kReleased = RGB(0, 200, 0);
const COLORREF kPressed = RGB(220, 0, 0);
const COLORREF kOtherSkin = RGB(0, 0, 250);

class SkinTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    GetCurrentDirectoryA(MAX_PATH, savedFolder);
    SetCurrentDirectoryA(folder.File("").c_str());
    CreateDirectoryA("skin", nullptr);
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    SetCurrentDirectoryA(savedFolder);
  }
  void MakeSkin(const char* name, bool withBackground, COLORREF buttons) {
    std::string dir = folder.File(std::string("skin\\") + name);
    CreateDirectoryA(dir.c_str(), nullptr);
    if (withBackground) WriteSolidBitmap(dir + "\\00.bmp", 220, 198, kBackground);
    for (const SkinPlace& p : kSkinPlaces) {
      char number[8];
      snprintf(number, sizeof number, "%02d", p.number);
      WriteSolidBitmap(dir + "\\" + number + "U.bmp", p.width, p.height, buttons);
      WriteSolidBitmap(dir + "\\" + number + "D.bmp", p.width, p.height, kPressed);
    }
  }
  COLORREF ButtonPixel(int id) {
    HWND button = GetDlgItem(dialog->m_hWnd, id);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    return WindowPixel(button, 5, 5);
  }
  char savedFolder[MAX_PATH];
};

TEST_F(SkinTest, ButtonsAndBackgroundTakeTheirPlacesAndPictures) {
  MakeSkin("default", true, kReleased);
  HWND w = Open();
  EXPECT_STREQ(SkinFolder, ".\\skin\\default\\");
  for (const SkinPlace& p : kSkinPlaces) {
    HWND button = GetDlgItem(w, p.id);
    RECT r;
    GetWindowRect(button, &r);
    POINT at = {r.left, r.top};
    ScreenToClient(w, &at);
    EXPECT_EQ(at.x, p.x) << p.id;
    EXPECT_EQ(at.y, p.y) << p.id;
    EXPECT_EQ(r.right - r.left, p.width) << p.id;
    EXPECT_EQ(r.bottom - r.top, p.height) << p.id;
    char base[64];
    snprintf(base, sizeof base, ".\\skin\\default\\%02d", p.number);
    EXPECT_STREQ(dialog->m_buttons[&p - kSkinPlaces].Base(), base);
  }
  EXPECT_EQ(ButtonPixel(IDC_PLAY), kReleased);
  // The background picture fills the window behind the controls.
  HWND background = GetDlgItem(w, IDC_BACKGROUND);
  EXPECT_NE(SendMessageA(background, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE | RDW_ALLCHILDREN);
  EXPECT_EQ(WindowPixel(background, 100, 30), kBackground);
}

TEST_F(SkinTest, PressedButtonPaintsItsPressedPictureReadFromDiskEachTime) {
  MakeSkin("default", true, kReleased);
  HWND w = Open();
  HWND play = GetDlgItem(w, IDC_PLAY);
  SendMessageA(play, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(ButtonPixel(IDC_PLAY), kPressed);
  SendMessageA(play, BM_SETSTATE, FALSE, 0);
  EXPECT_EQ(ButtonPixel(IDC_PLAY), kReleased);
  // Nothing is cached: a new file on disk shows at the next paint.
  WriteSolidBitmap(folder.File("skin\\default\\21U.bmp"), 16, 16, kOtherSkin);
  EXPECT_EQ(ButtonPixel(IDC_PLAY), kOtherSkin);
}

TEST_F(SkinTest, SkinWithoutBackgroundFallsBackToDefaultButtonsIncluded) {
  MakeSkin("default", true, kReleased);
  MakeSkin("blue", false, kOtherSkin);
  WriteProfile("[WINDOW]\r\nSkin=blue\r\n");
  Open();
  EXPECT_STREQ(AppSettings.Skin, "default");
  EXPECT_STREQ(SkinFolder, ".\\skin\\default\\");
  EXPECT_EQ(ButtonPixel(IDC_STOP), kReleased);
}

TEST_F(SkinTest, ChosenSkinIsUsedWhenComplete) {
  MakeSkin("default", true, kReleased);
  MakeSkin("blue", true, kOtherSkin);
  WriteProfile("[WINDOW]\r\nSkin=blue\r\n");
  Open();
  EXPECT_STREQ(SkinFolder, ".\\skin\\blue\\");
  EXPECT_EQ(ButtonPixel(IDC_STOP), kOtherSkin);
}

TEST_F(SkinTest, MissingPicturePaintsNothingAndTheButtonStillWorks) {
  MakeSkin("default", true, kReleased);
  DeleteFileA(folder.File("skin\\default\\22U.bmp").c_str());
  HWND w = Open();
  EXPECT_NE(ButtonPixel(IDC_PAUSE), kReleased);
  parts_recorder::log.clear();
  SendDlgItemMessageA(w, IDC_PAUSE, BM_CLICK, 0, 0);
  EXPECT_EQ(parts_recorder::log, (std::vector<std::string>{"playlistCommand 1008"}));
}

TEST_F(SkinTest, NoSkinAtAllLeavesAWorkingWindow) {
  HWND w = Open();
  EXPECT_STREQ(AppSettings.Skin, "default");
  EXPECT_EQ(SendDlgItemMessageA(w, IDC_BACKGROUND, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  parts_recorder::log.clear();
  SendDlgItemMessageA(w, IDC_STOP, BM_CLICK, 0, 0);
  EXPECT_EQ(parts_recorder::log, (std::vector<std::string>{"playlistCommand 1009"}));
}

TEST_F(SkinTest, ListBackgroundIsTakenFromTheProgramsSkinFolder) {
  // The list picture is looked up beside the program, not in the current folder.
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string programFolder(exe, strrchr(exe, '\\') + 1);
  CreateDirectoryA((programFolder + "skin").c_str(), nullptr);
  std::string picture = programFolder + "skin\\list_test_picture.bmp";
  WriteSolidBitmap(picture, 8, 8, kOtherSkin);
  WriteProfile("[WINDOW]\r\nListViewBKImage=list_test_picture.bmp\r\nSize=198\r\n");
  HWND w = Open();
  HWND list = GetDlgItem(w, IDC_PLAYLIST);
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  EXPECT_EQ(WindowPixel(list, 40, 30), kOtherSkin);
  DeleteFileA(picture.c_str());

  // A file that is not a picture: no picture, nothing reported.
  std::string notPicture = programFolder + "skin\\list_test_text.bmp";
  TempFolder::Write(notPicture, "not a bitmap");
  std::strcpy(AppSettings.ListViewBKImage, "list_test_text.bmp");
  ApplyListBackground(list);
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  EXPECT_NE(WindowPixel(list, 40, 30), kOtherSkin);
  DeleteFileA(notPicture.c_str());
}

}  // namespace
