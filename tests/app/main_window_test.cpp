// The main window's rules and commands, on the real window with real input.
#include "app/window_rules.h"
#include "launcher/launcher_placement.h"

#include <atomic>
#include <thread>

#include "app/timers.h"
#include "resources/resource.h"
#include "status/samplers.h"
#include "tests/app/main_window_fixture.h"

namespace {

using Log = std::vector<std::string>;

TEST(WindowRules, LauncherPlacement) {
  // Above, unless there is no room above.
  EXPECT_EQ(LauncherPlacement(0, 10, 50, 768, 0, 0).y, 96);
  EXPECT_EQ(LauncherPlacement(0, 10, 40, 768, 0, 0).y, 86);
  EXPECT_EQ(LauncherPlacement(0, 10, 82, 768, 0, 0).y, 0);
  EXPECT_EQ(LauncherPlacement(0, 10, 300, 768, 0, 0).x, 10);
  // Below, unless the screen ends first: 768 < 700 + 92.
  EXPECT_EQ(LauncherPlacement(1, 10, 700, 768, 0, 0).y, 618);
  EXPECT_EQ(LauncherPlacement(1, 10, 676, 768, 0, 0).y, 722);
  // Anywhere else: the stored place.
  Placement p = LauncherPlacement(2, 10, 300, 768, 333, 444);
  EXPECT_EQ(p.x, 333);
  EXPECT_EQ(p.y, 444);
  EXPECT_EQ(LauncherPlacement(7, 10, 300, 768, 5, 6).x, 5);
}

TEST(WindowRules, KeepOnScreenForEachEdge) {
  const int W = 1024, H = 768, w = 220, h = 67;
  Placement left = KeepOnScreen(-30, 100, -30, 100, -30 + w, 100 + h, W, H, w, h);
  EXPECT_TRUE(left.move);
  EXPECT_EQ(left.x, 0);
  EXPECT_EQ(left.y, 100);
  Placement right = KeepOnScreen(900, 100, 900, 100, 900 + w, 100 + h, W, H, w, h);
  EXPECT_TRUE(right.move);
  EXPECT_EQ(right.x, W - w);
  Placement top = KeepOnScreen(100, -5, 100, -5, 100 + w, -5 + h, W, H, w, h);
  EXPECT_TRUE(top.move);
  EXPECT_EQ(top.y, 0);
  EXPECT_EQ(top.x, 100);
  Placement bottom = KeepOnScreen(100, 740, 100, 740, 100 + w, 740 + h, W, H, w, h);
  EXPECT_TRUE(bottom.move);
  EXPECT_EQ(bottom.y, H - h);
  Placement corner = KeepOnScreen(-9, 760, -9, 760, -9 + w, 760 + h, W, H, w, h);
  EXPECT_EQ(corner.x, 0);
  EXPECT_EQ(corner.y, H - h);
  EXPECT_FALSE(KeepOnScreen(0, 0, 0, 0, w, h, W, H, w, h).move);
  EXPECT_FALSE(KeepOnScreen(804, 701, 804, 701, W, H, W, H, w, h).move);
}

TEST(WindowRules, HeightsAndVolumeSteps) {
  EXPECT_EQ(MusicBarToggledHeight(198), 46);
  EXPECT_EQ(MusicBarToggledHeight(46), 67);
  EXPECT_EQ(MusicBarToggledHeight(67), 46);
  EXPECT_EQ(MusicBarToggledHeight(0), 67);
  EXPECT_EQ(SteppedVolume(990, 20), 1000);
  EXPECT_EQ(SteppedVolume(1000, 20), 1000);
  EXPECT_EQ(SteppedVolume(10, -20), 0);
  EXPECT_EQ(SteppedVolume(500, -20), 480);
}

RECT Rect(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return r;
}

TEST_F(MainWindowTest, WindowIsKeptOnTheScreenWhenMoved) {
  WriteProfile("[WINDOW]\r\nSize=67\r\n");
  HWND w = Open();
  int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
  MoveWindow(w, -50, 100, 220, 67, TRUE);
  EXPECT_EQ(Rect(w).left, 0);
  EXPECT_EQ(Rect(w).top, 100);
  MoveWindow(w, W - 100, 100, 220, 67, TRUE);
  EXPECT_EQ(Rect(w).left, W - 220);
  MoveWindow(w, 100, -30, 220, 67, TRUE);
  EXPECT_EQ(Rect(w).top, 0);
  MoveWindow(w, 100, H - 20, 220, 67, TRUE);
  EXPECT_EQ(Rect(w).top, H - 67);
  EXPECT_EQ(Rect(w).bottom, H);
}

TEST_F(MainWindowTest, HeightCommands) {
  WriteProfile("[WINDOW]\r\nMainWindowX=30\r\nMainWindowY=40\r\nSize=198\r\n");
  HWND w = Open();
  MoveWindow(w, 60, 70, 220, 198, TRUE);
  auto command = [&](int id) {
    SendMessageA(w, WM_COMMAND, id, 0);
    RECT r = Rect(w);
    EXPECT_EQ(r.left, 60);
    EXPECT_EQ(r.top, 70);
    EXPECT_EQ(r.right - r.left, 220);
    EXPECT_EQ(AppSettings.Size, r.bottom - r.top);
    return r.bottom - r.top;
  };
  EXPECT_EQ(command(IDM_MUSIC_BAR), 46);
  EXPECT_EQ(command(IDM_MUSIC_BAR), 67);
  EXPECT_EQ(command(IDM_MUSIC_BAR), 46);
  EXPECT_EQ(command(IDC_OPEN_LIST), 198);
  EXPECT_EQ(command(IDC_CLOSE_LIST), 67);
  EXPECT_EQ(AppSettings.MainWindowX, 60);
  EXPECT_EQ(AppSettings.MainWindowY, 70);
  // The height reaches the profile only with the window state.
  EXPECT_EQ(ReadProfile().find("Size=67"), std::string::npos);
  dialog->DestroyWindow();
  EXPECT_NE(ReadProfile().find("Size=67"), std::string::npos);
}

TEST_F(MainWindowTest, LauncherCommandPlacesTheLauncher) {
  WriteProfile("[WINDOW]\r\nLunPosition=0\r\n");
  HWND w = Open();
  HWND launcher = dialog->Launcher().m_hWnd;
  ASSERT_NE(launcher, nullptr);
  MoveWindow(w, 30, 50, 220, 67, TRUE);
  SendMessageA(w, WM_COMMAND, IDC_LAUNCHER, 0);
  EXPECT_TRUE(LauncherVisible);
  EXPECT_TRUE(IsWindowVisible(launcher));
  RECT r = Rect(launcher);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 96);
  EXPECT_EQ(r.right - r.left, 220);
  EXPECT_EQ(r.bottom - r.top, 82);
  // Shown already: nothing changes.
  MoveWindow(w, 30, 300, 220, 67, TRUE);
  SendMessageA(w, WM_COMMAND, IDC_LAUNCHER, 0);
  EXPECT_EQ(Rect(launcher).top, 96);

  // Below near the bottom of the screen; anywhere at the stored place.
  int H = GetSystemMetrics(SM_CYSCREEN);
  LauncherVisible = false;
  AppSettings.LunPosition = 1;
  MoveWindow(w, 30, H - 68, 220, 67, TRUE);
  SendMessageA(w, WM_COMMAND, IDC_LAUNCHER, 0);
  EXPECT_EQ(Rect(launcher).top, H - 68 - 82);
  LauncherVisible = false;
  AppSettings.LunPosition = 2;
  AppSettings.LunWindowX = 400;
  AppSettings.LunWindowY = 222;
  AppSettings.LunResetEnable = 1;
  parts_recorder::log.clear();
  SendMessageA(w, WM_COMMAND, IDC_LAUNCHER, 0);
  EXPECT_EQ(Rect(launcher).left, 400);
  EXPECT_EQ(Rect(launcher).top, 222);
  EXPECT_EQ(parts_recorder::log, (Log{"resetLauncherPage"}));
}

TEST_F(MainWindowTest, TopMostAndFixedToggleWriteAtOnce) {
  HWND w = Open();
  ShowWindow(w, SW_HIDE);
  SendMessageA(w, WM_COMMAND, IDM_TOPMOST, 0);
  EXPECT_EQ(AppSettings.TopMostEnable, 1);
  EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(w));  // the toggle brings a hidden window back
  EXPECT_NE(ReadProfile().find("TopMostEnable=1"), std::string::npos);
  SendMessageA(w, WM_COMMAND, IDM_TOPMOST, 0);
  EXPECT_FALSE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(ReadProfile().find("TopMostEnable=0"), std::string::npos);
  SendMessageA(w, WM_COMMAND, IDM_FIX_WINDOW, 0);
  EXPECT_EQ(AppSettings.MoveEnable, 1);
  EXPECT_NE(ReadProfile().find("MoveEnable=1"), std::string::npos);
}

TEST_F(MainWindowTest, CommandsReachTheirSubsystems) {
  HWND w = Open();
  auto command = [&](int id, int code = BN_CLICKED) {
    parts_recorder::log.clear();
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(id, code), 0);
    return parts_recorder::log;
  };
  EXPECT_EQ(command(IDC_CLEAN_MEMORY), (Log{"cleanMemory"}));
  EXPECT_EQ(command(IDM_MAIL_CHECK), (Log{"runMailCheck"}));
  EXPECT_EQ(command(IDC_QUIT), (Log{"postQuit"}));
  EXPECT_EQ(command(IDC_EXIT_WINDOWS), (Log{"saveWindowState", "systemCommand 1004"}));
  for (int id : {IDM_HELP, IDM_CLEAR_RECENT, IDM_EMPTY_RECYCLE_BIN, IDM_SCREEN_SAVER, IDM_DISPLAY_OFF})
    EXPECT_EQ(command(id), (Log{"systemCommand " + std::to_string(id)}));
  for (int id : {IDC_PLAY, IDC_PAUSE, IDC_STOP, IDC_BACK, IDC_FORWARD, IDC_LOAD_LIST,
                 IDC_WRITE_LIST, IDC_DELETE, IDC_DELETE_ALL, IDM_REPEAT_ALL, IDM_REPEAT_ONE,
                 IDM_REPEAT_RANDOM})
    EXPECT_EQ(command(id), (Log{"playlistCommand " + std::to_string(id)}));
  // Move up and down also act on the double-click notification.
  EXPECT_EQ(command(IDC_MOVE_UP, BN_DOUBLECLICKED), (Log{"playlistCommand 1014"}));
  EXPECT_EQ(command(IDC_MOVE_DOWN), (Log{"playlistCommand 1015"}));
  EXPECT_TRUE(command(IDC_PLAY, BN_DOUBLECLICKED).empty());
  // Repeat mode is kept in memory only.
  EXPECT_EQ(AppSettings.RepeatMode, 2);
  EXPECT_EQ(ReadProfile().find("RepeatMode=2"), std::string::npos);
  // Hide into the tray leaves the launcher alone.
  command(IDC_HIDE);
  EXPECT_FALSE(IsWindowVisible(w));
  // The tray's callback is answered by the tray.
  parts_recorder::log.clear();
  EXPECT_EQ(SendMessageA(w, WM_USER + 1, 0, WM_MOUSEMOVE), 1);
  EXPECT_EQ(parts_recorder::log, (Log{"trayNotify 512"}));
  // F1 is no help request here.
  EXPECT_EQ(SendMessageA(w, WM_HELP, 0, 0), TRUE);
}

TEST_F(MainWindowTest, DropActionSelectionIsKept) {
  HWND w = Open();
  HWND combo = GetDlgItem(w, IDC_DROP_ACTION);
  SendMessageA(combo, CB_SETCURSEL, 4, 0);
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_DROP_ACTION, CBN_SELCHANGE), LPARAM(combo));
  EXPECT_EQ(dialog->DropAction(), 4);
}

TEST_F(MainWindowTest, ConfirmedSettingsApplyEverythingInOrder) {
  HWND w = Open();
  LauncherVisible = true;
  parts_recorder::sheetResult = IDOK;
  AppSettings.Pitch = 2;
  AppSettings.AutoCleanMinute = 4;
  SendMessageA(w, WM_COMMAND, IDC_SETTINGS, 0);
  Log expected = {"runSettingsSheet"};
  if (OsClass == 3) expected.push_back("applyTransparency");
  for (const char* step : {"syncStartupShortcut", "applySkin", "applyListBackground",
                           "destroyLauncher", "createLauncher", "setTimer 4 180000",
                           "setTimer 5 300000"})
    expected.push_back(step);
  EXPECT_EQ(parts_recorder::log, expected);
  EXPECT_FALSE(LauncherVisible);
  ASSERT_NE(dialog->Launcher().m_hWnd, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog->Launcher().m_hWnd));
  // Written to the profile.
  EXPECT_NE(ReadProfile().find("Pitch=2"), std::string::npos);
}

TEST_F(MainWindowTest, CancelledSettingsChangeNothing) {
  HWND w = Open();
  parts_recorder::sheetResult = IDCANCEL;
  AppSettings.Item1 = 4;
  SendMessageA(w, WM_COMMAND, IDC_SETTINGS, 0);
  EXPECT_EQ(parts_recorder::log, (Log{"runSettingsSheet"}));
  EXPECT_EQ(ReadProfile(), "");
  EXPECT_EQ(AppSettings.Item1, 4);
}

// Real input through the framework's message loop. Keys are posted to the
// focused control, as the system delivers them, so whichever window holds the
// display's input focus plays no part; Ctrl is held in this thread's key
// state. The mouse goes where the pointer is, and input sent here is queued
// at once for this thread, so handling the queue until it is empty sees its
// whole effect.
class MainWindowInputTest : public MainWindowTest {
 protected:
  HWND OpenFocused() {
    HWND w = Open();
    HWND combo = GetDlgItem(w, IDC_DROP_ACTION);
    SetForegroundWindow(w);
    SetFocus(combo);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == w && GetFocus() == combo; }));
    keyTarget = combo;
    return w;
  }
  static void HoldControl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  // F10 comes as a system key, as the keyboard gives it.
  void Press(WORD key, bool withControl = false) {
    if (withControl) HoldControl(true);
    bool system = key == VK_F10;
    PostMessageA(keyTarget, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
    PostMessageA(keyTarget, system ? WM_SYSKEYUP : WM_KEYUP, key, LPARAM(0xC0000001));
    DrainThroughFramework();
    if (withControl) HoldControl(false);
  }
  HWND keyTarget = nullptr;
  static void Mouse(DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
  }
  static void PointerAt(int x, int y) {
    SetCursorPos(x, y);
    DrainThroughFramework();
  }
};

TEST_F(MainWindowInputTest, EnterAndEscapeNeverCloseTheWindow) {
  HWND w = OpenFocused();
  Press(VK_RETURN);
  Press(VK_ESCAPE);
  EXPECT_TRUE(IsWindow(w));
  EXPECT_TRUE(IsWindowVisible(w));
}

TEST_F(MainWindowInputTest, ControlArrowsStepTheVolume) {
  WriteProfile("[MUSIC]\r\nVolume=990\r\n");
  OpenFocused();
  Press(VK_UP, true);
  EXPECT_EQ(AppSettings.Volume, 1000);
  Press(VK_UP, true);
  EXPECT_EQ(AppSettings.Volume, 1000);
  EXPECT_EQ(parts_recorder::log, (Log{"setVolume 1000", "setVolume 1000"}));
  AppSettings.Volume = 10;
  Press(VK_DOWN, true);
  EXPECT_EQ(AppSettings.Volume, 0);
  // Without Ctrl the arrows do nothing special.
  parts_recorder::log.clear();
  Press(VK_UP);
  EXPECT_EQ(AppSettings.Volume, 0);
  EXPECT_TRUE(parts_recorder::log.empty());
}

TEST_F(MainWindowInputTest, FunctionKeysStartTheFirstTenLauncherEntries) {
  OpenFocused();
  Press(VK_F1);
  Press(VK_F10);
  EXPECT_EQ(parts_recorder::log, (Log{"launchEntry 1", "launchEntry 10"}));
}

TEST_F(MainWindowInputTest, DoubleClickPeeksUntilThePointerLeaves) {
  WriteProfile("[WINDOW]\r\nMainWindowX=200\r\nMainWindowY=200\r\nMoveEnable=1\r\n");
  HWND w = OpenFocused();
  // A spot of the window surface: the status panel, no control there.
  PointerAt(200 + 100, 200 + 20);
  for (int i = 0; i < 2; ++i) {
    Mouse(MOUSEEVENTF_LEFTDOWN);
    Mouse(MOUSEEVENTF_LEFTUP);
  }
  DrainThroughFramework();
  EXPECT_TRUE(PeekHidden);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(Rect(w).left, 200);  // fixed: the press did not move it
  // Pointer still over the window's place: stays hidden.
  Tick(TIMER_TICK);
  EXPECT_FALSE(IsWindowVisible(w));
  // Pointer gone: back at the first tick.
  PointerAt(600, 600);
  Tick(TIMER_TICK);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_FALSE(PeekHidden);
}

// Whether the thread runs the system's move loop now.
bool InMoveLoop(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE);
}

TEST_F(MainWindowInputTest, WindowIsDraggedByItsSurfaceUnlessFixed) {
  WriteProfile("[WINDOW]\r\nMainWindowX=200\r\nMainWindowY=200\r\n");
  HWND w = OpenFocused();
  PointerAt(300, 220);
  // The system's move loop runs inside this thread's message handling, so
  // the hand that moves the mouse is another thread; it acts once the loop runs.
  DWORD self = GetCurrentThreadId();
  std::atomic<bool> released(false), sawLoop(false);
  std::thread hand([&] {
    for (DWORD start = GetTickCount(); !InMoveLoop(self) && GetTickCount() - start < kHangGuardMs;)
      Sleep(5);
    sawLoop = InMoveLoop(self);
    for (int step = 1; step <= 5; ++step) SetCursorPos(300 + step * 20, 220 + step * 10);
    Mouse(MOUSEEVENTF_LEFTUP);
    released = true;
  });
  Mouse(MOUSEEVENTF_LEFTDOWN);
  EXPECT_TRUE(PumpUntil([&] { return released.load(); }));
  hand.join();
  DrainThroughFramework();
  EXPECT_TRUE(sawLoop);
  EXPECT_FALSE(InMoveLoop(self));
  EXPECT_EQ(Rect(w).left, 300);
  EXPECT_EQ(Rect(w).top, 250);

  // Fixed in place: a press does not move it.
  AppSettings.MoveEnable = 1;
  PointerAt(350, 270);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  SetCursorPos(450, 370);
  Mouse(MOUSEEVENTF_LEFTUP);
  DrainThroughFramework();
  EXPECT_EQ(Rect(w).left, 300);
}

TEST_F(MainWindowInputTest, RightClickOpensTheContextMenu) {
  WriteProfile("[WINDOW]\r\nMainWindowX=200\r\nMainWindowY=200\r\n");
  OpenFocused();
  PointerAt(300, 220);
  Mouse(MOUSEEVENTF_RIGHTDOWN);
  Mouse(MOUSEEVENTF_RIGHTUP);
  DrainThroughFramework();
  EXPECT_EQ(parts_recorder::log, (Log{"showTrayMenu"}));
}

}  // namespace

namespace {

// The panel areas come back at the first tick after the window painted its
// background over them, and stay put on ticks that change nothing.
TEST_F(MainWindowTest, PanelIsCopiedAgainAfterTheWindowRepaints) {
  WriteProfile("[ENTRY]\r\nItem1=1\r\nItem2=1\r\nItem3=1\r\n");  // total memory only: never changes
  HWND w = Open();
  HDC dc = GetDC(w);
  auto panelPixels = [&] {
    std::vector<COLORREF> pixels;
    for (int y = 3; y < 43; ++y)
      for (int x = 56; x < 156; ++x) pixels.push_back(GetPixel(dc, x, y));
    return pixels;
  };
  Tick(TIMER_TICK);
  std::vector<COLORREF> panel = panelPixels();
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ASSERT_NE(panelPixels(), panel) << "the repaint should have covered the panel's text";
  Tick(TIMER_TICK);
  EXPECT_EQ(panelPixels(), panel);
  ReleaseDC(w, dc);
}

}  // namespace
