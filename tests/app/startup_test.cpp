// The application object's start and the main window's initial state.
#include "tests/app/main_window_fixture.h"

#include "app/main_app.h"
#include "core/side_effects.h"
#include "framework/scoped_override.h"
#include "resources/resource.h"
#include "status/samplers.h"

namespace {

std::vector<std::string> g_boxes;

TEST(Startup, SocketFailureShowsTheSocketMessageAndEndsWithoutWindow) {
  g_boxes.clear();
  CScopedOverride<SideEffects> effects(g_sideEffects);
  g_sideEffects.socketStartup = [] { return 10091; };  // WSASYSNOTREADY
  g_sideEffects.messageBox = [](HWND, const char* text, const char*, UINT type) {
    g_boxes.push_back(text);
    EXPECT_EQ(type & 0xF, UINT(MB_OK));
    return IDOK;
  };
  CMainApp app;
  app.m_hInstance = GetModuleHandleA(nullptr);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(g_mainDialog, nullptr);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Windows ｿｹｯﾄの初期化に失敗しました。");
}

TEST(Startup, StringTableHoldsTheTexts) {
  char text[256];
  ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_SOCKET_INIT_FAILED, text, sizeof text), 0);
  EXPECT_STREQ(text, "Windows ｿｹｯﾄの初期化に失敗しました。");
  ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_SETTINGS_CAPTION, text, sizeof text), 0);
  EXPECT_STREQ(text, "Tovix　設定");
}

TEST_F(MainWindowTest, OpensAtItsStoredPlaceAndHeightWithoutTaskBarButton) {
  WriteProfile("[WINDOW]\r\nMainWindowX=100\r\nMainWindowY=120\r\nSize=198\r\nDDList=2\r\n"
               "TopMostEnable=1\r\n");
  HWND w = Open();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(r.right - r.left, 220);
  EXPECT_EQ(r.bottom - r.top, 198);
  LONG ex = GetWindowLongA(w, GWL_EXSTYLE);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_ACCEPTFILES);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongA(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(HICON(SendMessageA(w, WM_GETICON, ICON_BIG, 0)), dialog->Icon());
  EXPECT_NE(dialog->Icon(), nullptr);
  // Layered exactly on systems of the NT 5+ class, whichever this one is.
  EXPECT_EQ((ex & WS_EX_LAYERED) != 0, OsClass == 3) << "OsClass " << OsClass;
  // Slider range, drop actions, launcher created hidden.
  HWND slider = GetDlgItem(w, IDC_POSITION);
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 100);
  HWND combo = GetDlgItem(w, IDC_DROP_ACTION);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
  char text[32];
  SendMessageA(combo, CB_GETLBTEXT, 4, LPARAM(text));
  EXPECT_STREQ(text, "動画");
  ASSERT_NE(dialog->Launcher().m_hWnd, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog->Launcher().m_hWnd));
  // Tool tips registered for every button and the drop-action box.
  EXPECT_EQ(SendMessageA(dialog->ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 20);
}

TEST_F(MainWindowTest, ToolTipsOffRegistersNone) {
  WriteProfile("[WINDOW]\r\nTipEnable=0\r\n");
  Open();
  ASSERT_NE(dialog->ToolTip(), nullptr);
  EXPECT_EQ(SendMessageA(dialog->ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 0);
}

TEST_F(MainWindowTest, OutOfRangeProfileValuesOpenAWorkingWindow) {
  WriteProfile("[WINDOW]\r\nSize=0\r\nDDList=-1\r\nSkelton=300\r\n[ENTRY]\r\nItem1=9\r\n");
  HWND w = Open();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 220);
  EXPECT_EQ(dialog->DropAction(), 0);
  EXPECT_EQ(SendDlgItemMessageA(w, IDC_DROP_ACTION, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Tick(1).size(), 2u);
  // The drop action goes back to the profile as what the box shows.
  dialog->DestroyWindow();
  EXPECT_NE(ReadProfile().find("DDList=0\r\n"), std::string::npos);
}

TEST(Transparency, AlphaFollowsOpacityWithinByteRange) {
  EXPECT_EQ(AlphaForOpacity(100), 255);
  EXPECT_EQ(AlphaForOpacity(0), 55);
  EXPECT_EQ(AlphaForOpacity(50), 155);
  EXPECT_EQ(AlphaForOpacity(101), 255);
  EXPECT_EQ(AlphaForOpacity(-40), 55);
}

TEST_F(MainWindowTest, EnterAndEscapeDoNotCloseTheWindow) {
  HWND w = Open();
  SetFocus(GetDlgItem(w, IDC_DROP_ACTION));
  for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
    MSG msg = {GetDlgItem(w, IDC_DROP_ACTION), WM_KEYDOWN, key, 0, 0, {0, 0}};
    EXPECT_TRUE(CWnd::WalkPreTranslateTree(&msg));
  }
  EXPECT_TRUE(IsWindow(w));
}

}  // namespace
