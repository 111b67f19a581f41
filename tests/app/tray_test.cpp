// The tray icon, its mail blinking and the context menu, on a real top-level
// window standing in for the main window, with menu 188 and icons 128 and 187
// from the program's resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/settings.h"
#include "core/side_effects.h"
#include "framework/scoped_override.h"
#include "app/tray.h"
#include "resources/resource.h"
#include "tests/support/pump.h"
#include "tests/support/test_window.h"

namespace {

// One call of Shell_NotifyIconA as the tray code made it.
struct TrayCall {
  DWORD message;
  const NOTIFYICONDATAA* record;
  NOTIFYICONDATAA fields;
  BOOL result;
};

std::vector<TrayCall> g_trayCalls;
bool g_forwardToShell = false;

BOOL RecordTrayNotify(DWORD message, NOTIFYICONDATAA* record) {
  BOOL result = g_forwardToShell ? kSystemSideEffects.trayNotify(message, record) : TRUE;
  g_trayCalls.push_back({message, record, *record, result});
  return result;
}

HICON Icon(int id) { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

// What the stand-in main window saw.
std::vector<WPARAM> g_commands;
std::vector<HMENU> g_openedPopups;
// The icon's callback messages: icon id and mouse message.
std::vector<std::pair<WPARAM, LPARAM>> g_trayMessages;
int g_trayNotifyAnswers = 0;
// Runs once when the menu loop first waits for input (the menu is on screen).
std::function<void(HMENU)> g_onMenuIdle;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TRAY_NOTIFY:
      g_trayMessages.emplace_back(wParam, lParam);
      g_trayNotifyAnswers += int(OnTrayNotify(window, lParam));
      return 1;
    case WM_INITMENUPOPUP:
      g_openedPopups.push_back(HMENU(wParam));
      return 0;
    case WM_ENTERIDLE:
      if (wParam == MSGF_MENU && g_onMenuIdle) {
        auto onIdle = g_onMenuIdle;
        g_onMenuIdle = nullptr;
        onIdle(g_openedPopups.empty() ? nullptr : g_openedPopups.back());
      }
      return 0;
    case WM_TIMER:
      // A menu that nothing closed must not hang the run.
      KillTimer(window, wParam);
      EndMenu();
      return 0;
    case WM_COMMAND:
      g_commands.push_back(LOWORD(wParam));
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMainWindow() {
  static ATOM atom = TestWindowClass("TovixTrayTestMain", MainWindowProc);
  EXPECT_NE(atom, 0);
  return CreateWindowExA(WS_EX_TOOLWINDOW, "TovixTrayTestMain", "Tovix", WS_POPUP, 100, 100, 220,
                         67, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Removes the window's posted messages; true when a WM_NULL was among them.
bool TakePostedNull(HWND window) {
  bool found = false;
  MSG msg;
  while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_NULL) found = true;
    DispatchMessageA(&msg);
  }
  return found;
}

// Starts the guard that closes a menu nothing else closed.
void GuardMenu(HWND window) { SetTimer(window, 1, kHangGuardMs, nullptr); }

class TrayTest : public testing::Test {
 protected:
  CScopedOverride<SideEffects> effects{g_sideEffects};
  void SetUp() override {
    AppSettings = Settings();
    TrayBlinkCounter = 0;
    TrayBlinkPreviousResult = true;
    TrayMailIconShown = false;
    g_trayCalls.clear();
    g_forwardToShell = false;
    g_commands.clear();
    g_openedPopups.clear();
    g_trayMessages.clear();
    g_trayNotifyAnswers = 0;
    g_onMenuIdle = nullptr;
    g_sideEffects.trayNotify = RecordTrayNotify;
    window = CreateMainWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    // Every icon the shell took is gone again.
    std::vector<std::pair<HWND, UINT>> live;
    for (const TrayCall& call : g_trayCalls) {
      if (!g_forwardToShell) break;
      std::pair<HWND, UINT> icon(call.fields.hWnd, call.fields.uID);
      auto found = std::find(live.begin(), live.end(), icon);
      if (call.message == NIM_ADD && call.result && found == live.end()) live.push_back(icon);
      if (call.message == NIM_DELETE && found != live.end()) live.erase(found);
    }
    EXPECT_TRUE(live.empty()) << "a tray icon was left behind";
    if (!live.empty()) kSystemSideEffects.trayNotify(NIM_DELETE, &record);
    DestroyWindow(window);
    AppSettings = Settings();
    TrayBlinkCounter = 0;
    TrayBlinkPreviousResult = true;
    TrayMailIconShown = false;
  }

  // Runs blink steps; returns their answers and leaves the icons put in g_trayCalls.
  std::vector<bool> Blink(int steps) {
    std::vector<bool> answers;
    for (int i = 0; i < steps; ++i) {
      answers.push_back(TrayBlinkStep(&record));
      EXPECT_EQ(TrayMailIconShown, answers.back());
    }
    return answers;
  }
  // The icons put into the record, in order; every call must be NIM_MODIFY.
  std::vector<HICON> ModifiedIcons() const {
    std::vector<HICON> icons;
    for (const TrayCall& call : g_trayCalls) {
      EXPECT_EQ(call.message, DWORD(NIM_MODIFY));
      EXPECT_EQ(call.record, &record);
      icons.push_back(call.fields.hIcon);
    }
    return icons;
  }

  HWND window = nullptr;
  NOTIFYICONDATAA record = {};
};

// ---------------------------------------------------------------- the icon

TEST_F(TrayTest, AddFillsTheWholeRecordAndTheShellTakesTheIcon) {
  g_forwardToShell = true;
  memset(&record, 0xCD, sizeof record);  // leftovers must not reach the shell
  AddTrayIcon(&record, window);
  ASSERT_EQ(g_trayCalls.size(), 1u);
  const TrayCall& add = g_trayCalls[0];
  EXPECT_EQ(add.message, DWORD(NIM_ADD));
  EXPECT_EQ(add.record, &record);
  EXPECT_EQ(add.fields.cbSize, DWORD(NOTIFYICONDATAA_V2_SIZE));
  EXPECT_EQ(add.fields.hWnd, window);
  EXPECT_EQ(add.fields.uID, 1u);
  EXPECT_EQ(add.fields.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(add.fields.uCallbackMessage, UINT(WM_USER + 1));
  EXPECT_NE(Icon(IDI_PROGRAM), nullptr);
  EXPECT_EQ(add.fields.hIcon, Icon(IDI_PROGRAM));
  EXPECT_STREQ(add.fields.szTip, "Tovix Ver.1.6.2");
  EXPECT_EQ(add.fields.dwState, 0u);
  EXPECT_EQ(add.fields.szInfo[0], '\0');
  EXPECT_EQ(add.fields.szInfoTitle[0], '\0');
  EXPECT_EQ(add.fields.dwInfoFlags, 0u);
  EXPECT_TRUE(add.result) << "the shell refused the icon";

  // The shell knows the icon: it can be changed, then removed with the same record.
  EXPECT_TRUE(TrayBlinkStep(&record));
  ASSERT_EQ(g_trayCalls.size(), 2u);
  EXPECT_TRUE(g_trayCalls[1].result);
  RemoveTrayIcon(&record);
  ASSERT_EQ(g_trayCalls.size(), 3u);
  EXPECT_EQ(g_trayCalls[2].message, DWORD(NIM_DELETE));
  EXPECT_EQ(g_trayCalls[2].record, &record);
  EXPECT_EQ(g_trayCalls[2].fields.uID, 1u);
  EXPECT_EQ(g_trayCalls[2].fields.hWnd, window);
  EXPECT_TRUE(g_trayCalls[2].result);
  // Gone: nothing is left to change.
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &record));
}

TEST_F(TrayTest, EveryCallCarriesTheSizeThatOlderShellsAccept) {
  memset(&record, 0xCD, sizeof record);
  AddTrayIcon(&record, window);
  TrayBlinkStep(&record);
  RestoreTrayIcon(&record);
  RemoveTrayIcon(&record);
  std::vector<DWORD> messages;
  for (const TrayCall& call : g_trayCalls) {
    messages.push_back(call.message);
    // The form with the 128-character tip, not today's full record.
    EXPECT_EQ(call.fields.cbSize, DWORD(NOTIFYICONDATAA_V2_SIZE)) << "message " << call.message;
  }
  EXPECT_EQ(messages, (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_MODIFY, NIM_DELETE}));
}

TEST_F(TrayTest, BlinkShowsMailForFiveStepsAndTheProgramForFour) {
  AddTrayIcon(&record, window);
  g_trayCalls.clear();
  std::vector<bool> answers = Blink(18);
  const std::vector<bool> cycle = {true, true, true, true, true, false, false, false, false};
  std::vector<bool> twoCycles = cycle;
  twoCycles.insert(twoCycles.end(), cycle.begin(), cycle.end());
  EXPECT_EQ(answers, twoCycles);
  // The icon changes at steps 1 and 6 of each cycle only.
  EXPECT_EQ(ModifiedIcons(), (std::vector<HICON>{Icon(IDI_MAIL), Icon(IDI_PROGRAM), Icon(IDI_MAIL),
                                                 Icon(IDI_PROGRAM)}));
  EXPECT_NE(Icon(IDI_MAIL), Icon(IDI_PROGRAM));
  EXPECT_EQ(TrayBlinkCounter, 0);
}

TEST_F(TrayTest, BlinkCounterRunsOneToEightThenStartsOver) {
  std::vector<int> counters;
  for (int i = 0; i < 10; ++i) {
    TrayBlinkStep(&record);
    counters.push_back(TrayBlinkCounter);
  }
  EXPECT_EQ(counters, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 0, 1}));
  // Only steps that change the icon talk to the shell.
  EXPECT_EQ(g_trayCalls.size(), 3u);
}

TEST_F(TrayTest, MailAfterAnEarlierEpisodeFirstShowsAtTheSeventhStep) {
  AddTrayIcon(&record, window);
  Blink(3);
  RestoreTrayIcon(&record);  // the mail was read
  EXPECT_EQ(TrayBlinkCounter, 3);
  g_trayCalls.clear();

  std::vector<bool> answers = Blink(7);
  // Steps 4 and 5 of the old cycle keep its answer; step 6 puts the program
  // icon; the mail icon comes with the new cycle's first step.
  EXPECT_EQ(answers, (std::vector<bool>{true, true, false, false, false, false, true}));
  ASSERT_EQ(ModifiedIcons(), (std::vector<HICON>{Icon(IDI_PROGRAM), Icon(IDI_MAIL)}));
  EXPECT_EQ(TrayBlinkCounter, 1);
}

TEST_F(TrayTest, RestorePutsTheProgramIconAndKeepsTheCounter) {
  AddTrayIcon(&record, window);
  Blink(2);
  EXPECT_TRUE(TrayMailIconShown);
  g_trayCalls.clear();
  RestoreTrayIcon(&record);
  EXPECT_EQ(ModifiedIcons(), std::vector<HICON>{Icon(IDI_PROGRAM)});
  EXPECT_FALSE(TrayMailIconShown);
  EXPECT_EQ(TrayBlinkCounter, 2);
  // The rest of the record is what add put there.
  EXPECT_EQ(g_trayCalls[0].fields.hWnd, window);
  EXPECT_EQ(g_trayCalls[0].fields.uID, 1u);
  EXPECT_STREQ(g_trayCalls[0].fields.szTip, "Tovix Ver.1.6.2");
}

// ------------------------------------------------------------ the callback

TEST_F(TrayTest, LeftButtonUpShowsTheHiddenWindowInFront) {
  ASSERT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(OnTrayNotify(window, WM_LBUTTONUP), 1);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetForegroundWindow(), window);
  EXPECT_TRUE(TakePostedNull(window));
  EXPECT_TRUE(g_openedPopups.empty());
}

TEST_F(TrayTest, OtherMouseMessagesDoNothing) {
  for (UINT mouse : {UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONDOWN), UINT(WM_LBUTTONDBLCLK),
                     UINT(WM_RBUTTONDOWN), UINT(WM_RBUTTONDBLCLK), UINT(WM_MBUTTONUP), 0u}) {
    SCOPED_TRACE(mouse);
    EXPECT_EQ(OnTrayNotify(window, mouse), 1);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(TakePostedNull(window));
  }
  EXPECT_TRUE(g_openedPopups.empty());
  EXPECT_TRUE(g_trayCalls.empty());
}

TEST_F(TrayTest, RightButtonUpOpensTheMenuAtTheCursorWithoutShowingTheWindow) {
  ASSERT_TRUE(SetCursorPos(300, 200));
  RECT firstItem = {};
  bool shownWhileOpen = true;
  g_onMenuIdle = [&](HMENU popup) {
    GetMenuItemRect(nullptr, popup, 0, &firstItem);
    shownWhileOpen = IsWindowVisible(window) != FALSE;
    EndMenu();
  };
  GuardMenu(window);
  EXPECT_EQ(OnTrayNotify(window, WM_RBUTTONUP), 1);
  ASSERT_EQ(g_openedPopups.size(), 1u);
  EXPECT_FALSE(shownWhileOpen);
  EXPECT_FALSE(IsWindowVisible(window));
  // Top-left corner at the cursor (give or take the menu's border).
  EXPECT_GE(firstItem.left, 300);
  EXPECT_LT(firstItem.left, 310);
  EXPECT_GE(firstItem.top, 200);
  EXPECT_LT(firstItem.top, 210);
  EXPECT_TRUE(TakePostedNull(window));
  EXPECT_TRUE(g_commands.empty());
}

void Click(DWORD down, DWORD up) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = down;
  input[1].mi.dwFlags = up;
  SendInput(2, input, sizeof(INPUT));
}

bool Received(UINT mouse) {
  for (const auto& call : g_trayMessages) {
    if (UINT(call.second) == mouse) return true;
  }
  return false;
}

TEST_F(TrayTest, ClicksOnTheRealTrayIconReachTheMainWindow) {
  g_forwardToShell = true;
  AddTrayIcon(&record, window);
  ASSERT_TRUE(g_trayCalls.at(0).result);
  // Wine shows the notification area as a window of its own on a bare X
  // server; the only icon sits in its top-left corner.
  HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  if (!tray) {
    RemoveTrayIcon(&record);
    GTEST_SKIP() << "no stand-alone notification area to click on";
  }
  POINT icon = {10, 10};
  ClientToScreen(tray, &icon);
  ASSERT_TRUE(SetCursorPos(icon.x, icon.y));
  DrainThroughFramework();

  // Right click while hidden: the menu opens, the window stays hidden.
  g_onMenuIdle = [](HMENU) { EndMenu(); };
  GuardMenu(window);
  Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  EXPECT_TRUE(PumpUntil([] { return Received(WM_RBUTTONUP); }));
  EXPECT_EQ(g_openedPopups.size(), 1u);
  EXPECT_FALSE(IsWindowVisible(window));

  // Left click: the window shows.
  Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
  EXPECT_TRUE(Received(WM_LBUTTONUP));
  EXPECT_TRUE(IsWindowVisible(window));
  // Every callback carried the icon's id and was answered with 1.
  ASSERT_FALSE(g_trayMessages.empty());
  for (const auto& call : g_trayMessages) EXPECT_EQ(call.first, 1u);
  EXPECT_EQ(g_trayNotifyAnswers, int(g_trayMessages.size()));
  RemoveTrayIcon(&record);
}

// ---------------------------------------------------------------- the menu

struct MenuEntry {
  int id;            // 0 for a separator, -1 for a submenu
  const char* text;  // empty for a separator
};

std::string ItemText(HMENU menu, int position) {
  char text[128] = "";
  GetMenuStringA(menu, UINT(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

void ExpectItems(HMENU menu, const std::vector<MenuEntry>& expected) {
  ASSERT_EQ(GetMenuItemCount(menu), int(expected.size()));
  for (int i = 0; i < int(expected.size()); ++i) {
    SCOPED_TRACE("position " + std::to_string(i));
    UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
    if (expected[i].id == 0) {
      EXPECT_TRUE(state & MF_SEPARATOR);
      continue;
    }
    EXPECT_FALSE(state & MF_SEPARATOR);
    EXPECT_EQ(ItemText(menu, i), expected[i].text);
    if (expected[i].id == -1) {
      EXPECT_NE(GetSubMenu(menu, i), nullptr);
    } else {
      EXPECT_EQ(GetSubMenu(menu, i), nullptr);
      EXPECT_EQ(GetMenuItemID(menu, i), UINT(expected[i].id));
    }
  }
}

HMENU LoadContextMenu() {
  return LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
}

bool Checked(HMENU menu, int position) {
  return (GetMenuState(menu, UINT(position), MF_BYPOSITION) & MF_CHECKED) != 0;
}

// Positions of the repeat submenu carrying the (radio) check mark.
std::vector<int> RepeatMarks(HMENU popup) {
  HMENU repeat = GetSubMenu(popup, 5);
  std::vector<int> marked;
  for (int i = 0; i < GetMenuItemCount(repeat); ++i) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfoA(repeat, UINT(i), TRUE, &info);
    if (info.fState & MFS_CHECKED) {
      EXPECT_TRUE(info.fType & MFT_RADIOCHECK) << "position " << i;
      marked.push_back(i);
    }
  }
  return marked;
}

TEST(TrayMenu, ContextMenuHoldsItsItemsInOrder) {
  HMENU menu = LoadContextMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  ExpectItems(popup, {{1006, "メモリの解放"},
                      {1050, "メールチェック"},
                      {1000, "ランチャー"},
                      {0, ""},
                      {-1, "ミュージック"},
                      {-1, "ﾘﾋﾟｰﾄﾓｰﾄﾞ"},
                      {1051, "ﾐｭｰｼﾞｯｸﾊﾞｰを表示"},
                      {0, ""},
                      {1001, "設定を開く"},
                      {32774, "最前面に表示する"},
                      {32775, "ウィンドウを固定する"},
                      {0, ""},
                      {-1, "クリア"},
                      {0, ""},
                      {1004, "Windowsの終了"},
                      {32786, "ｽｸﾘｰﾝｾｰﾊﾞｰの起動"},
                      {32787, "ﾃﾞｨｽﾌﾟﾚｲの電源を切る"},
                      {0, ""},
                      {32776, "ヘルプの表示"},
                      {1002, "終了"}});
  {
    SCOPED_TRACE("music");
    ExpectItems(
        GetSubMenu(popup, 4),
        {{1007, "再生"}, {1008, "一時停止"}, {1009, "停止"}, {1011, "進む"}, {1010, "戻る"}});
  }
  {
    SCOPED_TRACE("repeat");
    ExpectItems(GetSubMenu(popup, 5),
                {{32783, "全曲ﾘﾋﾟｰﾄ"}, {32784, "一曲ﾘﾋﾟｰﾄ"}, {32785, "ランダム"}});
  }
  {
    SCOPED_TRACE("clear");
    ExpectItems(GetSubMenu(popup, 12), {{32778, "ゴミ箱"}, {32777, "最近使ったファイル"}});
  }
  DestroyMenu(menu);
}

TEST(TrayMenu, MusicBarMarkFollowsTheHeight) {
  for (int size : {46, 67, 198}) {
    SCOPED_TRACE(size);
    HMENU menu = LoadContextMenu();
    HMENU popup = GetSubMenu(menu, 0);
    AppSettings = Settings();
    AppSettings.Size = size;
    MarkTrayMenu(popup);
    EXPECT_EQ(Checked(popup, 6), size != 46);
    EXPECT_FALSE(Checked(popup, 9));
    EXPECT_FALSE(Checked(popup, 10));
    DestroyMenu(menu);
  }
  AppSettings = Settings();
}

TEST(TrayMenu, TopMostAndFixedMarksFollowTheirSettings) {
  HMENU menu = LoadContextMenu();
  HMENU popup = GetSubMenu(menu, 0);
  for (int topMost : {0, 1}) {
    for (int move : {0, 1}) {
      SCOPED_TRACE(std::to_string(topMost) + "/" + std::to_string(move));
      AppSettings = Settings();
      AppSettings.Size = 67;
      AppSettings.TopMostEnable = topMost;
      AppSettings.MoveEnable = move;
      MarkTrayMenu(popup);  // the same menu again: marks also come off
      EXPECT_EQ(Checked(popup, 9), topMost == 1);
      EXPECT_EQ(Checked(popup, 10), move == 1);
      EXPECT_TRUE(Checked(popup, 6));
      for (int other : {0, 1, 2, 8, 14, 19}) EXPECT_FALSE(Checked(popup, other)) << other;
    }
  }
  DestroyMenu(menu);
  AppSettings = Settings();
}

TEST(TrayMenu, RepeatModeGetsTheRadioMark) {
  for (int mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    HMENU menu = LoadContextMenu();
    HMENU popup = GetSubMenu(menu, 0);
    AppSettings = Settings();
    AppSettings.RepeatMode = mode;
    MarkTrayMenu(popup);
    EXPECT_EQ(RepeatMarks(popup), std::vector<int>{mode});
    DestroyMenu(menu);
  }
  AppSettings = Settings();
}

TEST(TrayMenu, RepeatModeOutOfRangeMarksNothing) {
  for (int mode : {7, 3, -1}) {
    SCOPED_TRACE(mode);
    HMENU menu = LoadContextMenu();
    HMENU popup = GetSubMenu(menu, 0);
    AppSettings = Settings();
    AppSettings.RepeatMode = 1;
    MarkTrayMenu(popup);
    ASSERT_EQ(RepeatMarks(popup), std::vector<int>{1});
    AppSettings.RepeatMode = mode;
    MarkTrayMenu(popup);
    EXPECT_TRUE(RepeatMarks(popup).empty());
    DestroyMenu(menu);
  }
  AppSettings = Settings();
}

TEST_F(TrayTest, ShowTrayMenuOpensMarkedMenuInFrontAndFreesIt) {
  ShowWindow(window, SW_SHOW);
  AppSettings.Size = 198;
  AppSettings.TopMostEnable = 1;
  AppSettings.MoveEnable = 0;
  AppSettings.RepeatMode = 2;
  int items = 0;
  std::vector<bool> marks;
  std::vector<int> repeat;
  HWND foreground = nullptr;
  RECT firstItem = {};
  g_onMenuIdle = [&](HMENU popup) {
    items = GetMenuItemCount(popup);
    marks = {Checked(popup, 6), Checked(popup, 9), Checked(popup, 10)};
    repeat = RepeatMarks(popup);
    foreground = GetForegroundWindow();
    GetMenuItemRect(nullptr, popup, 0, &firstItem);
    EndMenu();
  };
  GuardMenu(window);
  ShowTrayMenu(window, 400, 300);
  ASSERT_EQ(g_openedPopups.size(), 1u);
  EXPECT_EQ(items, 20);
  EXPECT_EQ(marks, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(repeat, std::vector<int>{2});
  EXPECT_EQ(foreground, window);
  EXPECT_GE(firstItem.left, 400);
  EXPECT_LT(firstItem.left, 410);
  EXPECT_GE(firstItem.top, 300);
  EXPECT_LT(firstItem.top, 310);
  // The loaded menu is destroyed once the menu closes.
  EXPECT_FALSE(IsMenu(g_openedPopups[0]));
  DrainThroughFramework();
  EXPECT_TRUE(g_commands.empty());
}

TEST_F(TrayTest, ChosenItemArrivesAsCommandAtTheMainWindow) {
  ShowWindow(window, SW_SHOW);
  g_onMenuIdle = [&](HMENU) {
    // Down three times selects "ランチャー"; Enter chooses it.
    for (int i = 0; i < 3; ++i) PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
  };
  GuardMenu(window);
  ShowTrayMenu(window, 200, 150);
  EXPECT_TRUE(PumpUntil([] { return !g_commands.empty(); }));
  DrainThroughFramework();
  EXPECT_EQ(g_commands, std::vector<WPARAM>{IDC_LAUNCHER});
}

}  // namespace
