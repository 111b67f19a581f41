#include "main_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <shellapi.h>
#include <windowsx.h>

#include "../mail/mail_check.h"
#include "../media/playlist.h"
#include "../resources/resource.h"
#include "../status/samplers.h"
#include "../status/status_panel.h"
#include "main_parts.h"
#include "settings.h"
#include "skin.h"
#include "timers.h"
#include "window_rules.h"
#include "tray.h"

bool LauncherVisible = false;
bool PeekHidden = false;
CMainDialog* g_mainDialog = nullptr;

namespace {

const char* const kDropActions[] = {"解凍", "圧縮", "分割", "結合", "動画"};

struct ToolTipText {
  int id;
  const char* text;
};
const ToolTipText kToolTips[] = {
    {IDC_CLEAN_MEMORY, "メモリ解放"},
    {IDC_EXIT_WINDOWS, "Windowsの終了ダイアログ"},
    {IDC_HIDE, "タスクトレイにしまう"},
    {IDC_QUIT, "終了します"},
    {IDC_SETTINGS, "設定"},
    {IDC_LAUNCHER, "ランチャー"},
    {IDC_DROP_ACTION, "ドロップされたファイルの処理"},
    {IDC_PLAY, "再生"},
    {IDC_PAUSE, "一時停止／再開"},
    {IDC_STOP, "停止"},
    {IDC_BACK, "戻る"},
    {IDC_FORWARD, "進む"},
    {IDC_OPEN_LIST, "リストを開く"},
    {IDC_CLOSE_LIST, "リストを閉じる"},
    {IDC_MOVE_UP, "アイテムを上へ移動"},
    {IDC_MOVE_DOWN, "アイテムを下へ移動"},
    {IDC_LOAD_LIST, "ファイル読み込み"},
    {IDC_WRITE_LIST, "リスト書き出し"},
    {IDC_DELETE, "削除"},
    {IDC_DELETE_ALL, "全て削除"},
};

struct FixedPlace {
  int id, x, y, width, height;
};
const FixedPlace kFixedPlaces[] = {
    {IDC_DROP_ACTION, 4, 22, 46, 120},  // height includes the dropped list
    {IDC_PLAYLIST, 0, 69, 190, 108},
    {IDC_POSITION, 149, 179, 49, 16},
};

}  // namespace

int AlphaForOpacity(int skelton) {
  // Opacity outside 0..100 would wrap around in the byte-sized alpha.
  skelton = std::clamp(skelton, 0, 100);
  return (skelton * 200 + 5500) / 100;
}

void ApplyTransparency(HWND window, int skelton) {
  HMODULE user32 = LoadLibraryA("user32.dll");
  if (!user32) return;
  using SetLayered = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
  auto set = reinterpret_cast<SetLayered>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
  if (set) set(window, 0, BYTE(AlphaForOpacity(skelton)), LWA_ALPHA);
  FreeLibrary(user32);
}

void PeekCheck(CMainDialog& dialog) {
  POINT cursor;
  RECT rect;
  if (!GetCursorPos(&cursor) || !GetWindowRect(dialog.m_hWnd, &rect)) return;
  // Edges count as inside.
  if (cursor.x >= rect.left && cursor.x <= rect.right && cursor.y >= rect.top &&
      cursor.y <= rect.bottom)
    return;
  if (LauncherVisible && dialog.m_launcher.m_hWnd) ShowWindow(dialog.m_launcher.m_hWnd, SW_SHOW);
  ShowWindow(dialog.m_hWnd, SW_SHOW);
  PeekHidden = false;
}

CMainDialog::CMainDialog() : CDialog(IDD_MAIN) {
  m_icon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM));
}

CMainDialog::~CMainDialog() {
  if (m_sliderBrush) DeleteObject(m_sliderBrush);
  if (g_mainDialog == this) g_mainDialog = nullptr;
}

BOOL CMainDialog::OnInitDialog() {
  const MainWindowParts& parts = g_mainParts;
  // 1-2: controls bound, the window's icon, no task-bar button.
  BindControls();
  OleInitialize(nullptr);
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, LPARAM(m_icon));
  g_mainDialog = this;
  SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) & ~WS_EX_APPWINDOW);
  // 3-5
  parts.coInitialize();
  parts.createGraph(*this);
  parts.detectOsClass();
  parts.startCpuUsage();
  parts.addTrayIcon(*this);
  // 6: position slider
  SendDlgItemMessageA(m_hWnd, IDC_POSITION, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  // 7-8
  parts.loadSettings(*this);
  parts.createPanelSurfaces(*this);
  // 9: playlist and drop action
  parts.preparePlaylist(*this);
  parts.applyListBackground(*this);
  FillDropActions();
  // 10
  PlayState = PlayStateInfo();
  ClockHourMinute = -1;
  // 11
  if (OsClass == 3) {
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    ApplyTransparency(m_hWnd, AppSettings.Skelton);
  }
  // 12
  MoveWindow(m_hWnd, AppSettings.MainWindowX, AppSettings.MainWindowY, MAIN_WIDTH,
             std::max(0, AppSettings.Size), TRUE);
  ApplyTopMost();
  // 13-14
  parts.loadBackupList(*this);
  parts.applySkin(*this);
  PeekHidden = false;
  // 15-16
  CreateToolTips();
  parts.createLauncher(*this);
  LauncherVisible = false;
  // 17
  parts.setTimer(m_hWnd, TIMER_TICK, kTickPeriodMs);
  parts.setTimer(m_hWnd, TIMER_FIRST_MAIL_CHECK, kFirstMailCheckDelayMs);
  parts.setTimer(m_hWnd, TIMER_AUTO_CLEAN,
                 MinuteTimerPeriodMs(AppSettings.AutoCleanMinute, kMaxAutoCleanMinute));
  return TRUE;
}

LRESULT CPanelBackground::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
  if (msg == WM_PAINT) PanelWindowRepainted();
  return result;
}

void CMainDialog::BindControls() {
  m_background.SubclassDlgItem(IDC_BACKGROUND, this);
  for (size_t i = 0; i < sizeof m_buttons / sizeof m_buttons[0]; ++i)
    m_buttons[i].SubclassDlgItem(UINT(kSkinPlaces[i].id), this);
  // The box, the list and the slider get pixel places that fit the skin's
  // layout whatever the dialog font's metrics are.
  for (const FixedPlace& place : kFixedPlaces)
    SetWindowPos(GetDlgItem(place.id), nullptr, place.x, place.y, place.width, place.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainDialog::FillDropActions() {
  HWND combo = GetDlgItem(IDC_DROP_ACTION);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const char* text : kDropActions) SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(text));
  // A stored index outside the list selects the first action.
  if (DDList < 0 || DDList >= int(sizeof kDropActions / sizeof kDropActions[0])) DDList = 0;
  SendMessageA(combo, CB_SETCURSEL, WPARAM(DDList), 0);
}

void CMainDialog::ApplyTopMost() {
  const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW;
  SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
  if (!AppSettings.TopMostEnable) SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
}

void CMainDialog::CreateToolTips() {
  m_toolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                              nullptr, AfxGetInstanceHandle(), nullptr);
  if (!m_toolTip || !AppSettings.TipEnable) return;
  for (const ToolTipText& tip : kToolTips) {
    HWND control = GetDlgItem(tip.id);
    if (!control) continue;
    TOOLINFOA info = {};
    // The size every version of the common controls knows: without a
    // version-6 manifest a larger record is refused and no tip shows.
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_hWnd;
    info.uId = UINT_PTR(control);
    info.lpszText = const_cast<char*>(tip.text);
    SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, LPARAM(&info));
  }
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
  // F10 arrives as a system key; it starts the tenth entry like F1..F9.
  if (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_F10) {
    g_mainParts.launchEntry(*this, 10);
    return TRUE;
  }
  if (msg->message == WM_KEYDOWN) {
    WPARAM key = msg->wParam;
    if (key == VK_RETURN || key == VK_ESCAPE) return TRUE;  // never closes by keyboard
    bool control = GetKeyState(VK_CONTROL) < 0;
    if (control && (key == VK_UP || key == VK_DOWN)) {
      AppSettings.Volume = SteppedVolume(AppSettings.Volume, key == VK_UP ? 20 : -20);
      g_mainParts.setVolume(*this, AppSettings.Volume);
      return TRUE;
    }
    if (key >= VK_F1 && key <= VK_F10) {
      g_mainParts.launchEntry(*this, int(key - VK_F1) + 1);
      return TRUE;
    }
  }
  if (m_toolTip) SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, LPARAM(msg));
  return CDialog::PreTranslateMessage(msg);
}

void CMainDialog::SetHeight(int height) {
  RECT r;
  GetWindowRect(m_hWnd, &r);
  AppSettings.MainWindowX = r.left;
  AppSettings.MainWindowY = r.top;
  AppSettings.Size = height;
  MoveWindow(m_hWnd, r.left, r.top, MAIN_WIDTH, std::max(0, height), TRUE);
}

void CMainDialog::OnMove() {
  RECT r;
  GetWindowRect(m_hWnd, &r);
  Placement p = KeepOnScreen(r.left, r.top, r.left, r.top, r.right, r.bottom,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                             MAIN_WIDTH, AppSettings.Size);
  if (p.move) MoveWindow(m_hWnd, p.x, p.y, MAIN_WIDTH, std::max(0, AppSettings.Size), TRUE);
}

void CMainDialog::OpenLauncher() {
  if (LauncherVisible) return;  // the launcher hides itself
  RECT r;
  GetWindowRect(m_hWnd, &r);
  AppSettings.MainWindowX = r.left;
  AppSettings.MainWindowY = r.top;
  HWND launcher = m_launcher.m_hWnd;
  int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  // Shown off the screen first: its keep-on-screen rule acts only once it is
  // visible, and then pulls the final place inside.
  if (launcher)
    SetWindowPos(launcher, nullptr, screenWidth, screenHeight, kLauncherWidth, kLauncherHeight,
                 SWP_NOZORDER | SWP_SHOWWINDOW);
  LauncherVisible = true;
  if (AppSettings.LunResetEnable) g_mainParts.resetLauncherPage(*this);
  Placement p = LauncherPlacement(AppSettings.LunPosition, AppSettings.MainWindowX,
                                  AppSettings.MainWindowY, screenHeight, AppSettings.LunWindowX,
                                  AppSettings.LunWindowY);
  if (!launcher) return;
  MoveWindow(launcher, p.x, p.y, kLauncherWidth, kLauncherHeight, FALSE);
  if (OsClass < 2) {
    UpdateWindow(launcher);
    RedrawWindow(launcher, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
  }
}

void CMainDialog::RecreateLauncher() {
  g_mainParts.destroyLauncher(*this);
  g_mainParts.createLauncher(*this);
  LauncherVisible = false;
}

void CMainDialog::OpenSettings() {
  const MainWindowParts& parts = g_mainParts;
  CopyToWorkingCopy();
  if (parts.runSettingsSheet(*this) != IDOK) return;
  CopyFromWorkingCopy();
  SaveSettings();
  if (OsClass == 3) parts.applyTransparency(*this);
  parts.syncStartupShortcut(*this);
  parts.applySkin(*this);
  parts.applyListBackground(*this);
  ApplyTopMost();
  UpdateWindow(m_hWnd);
  RedrawWindow(m_hWnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
  RecreateLauncher();
  parts.setTimer(m_hWnd, TIMER_MAIL_CHECK, MinuteTimerPeriodMs(AppSettings.Pitch, kMaxPitch));
  parts.setTimer(m_hWnd, TIMER_AUTO_CLEAN,
                 MinuteTimerPeriodMs(AppSettings.AutoCleanMinute, kMaxAutoCleanMinute));
}

HBRUSH CMainDialog::SliderBackground(HDC dc) {
  if (!m_sliderBrush || std::strcmp(m_sliderBrushFolder, SkinFolder) != 0) {
    if (m_sliderBrush) DeleteObject(m_sliderBrush);
    m_sliderBrush = nullptr;
    std::snprintf(m_sliderBrushFolder, sizeof m_sliderBrushFolder, "%s", SkinFolder);
    char path[300];
    std::snprintf(path, sizeof path, "%s00.bmp", SkinFolder);
    if (HBITMAP picture = LoadBitmapFile(path)) {
      m_sliderBrush = CreatePatternBrush(picture);
      DeleteObject(picture);
    }
  }
  if (!m_sliderBrush) return nullptr;
  // Line the picture up with the window so the slider sits on the skin seamlessly.
  RECT r;
  GetWindowRect(GetDlgItem(IDC_POSITION), &r);
  POINT at = {r.left, r.top};
  ScreenToClient(m_hWnd, &at);
  SetBrushOrgEx(dc, -at.x, -at.y, nullptr);
  return m_sliderBrush;
}

void CMainDialog::Peek() {
  ShowWindow(m_hWnd, SW_HIDE);
  if (LauncherVisible && m_launcher.m_hWnd) ShowWindow(m_launcher.m_hWnd, SW_HIDE);
  PeekHidden = true;
}

void CMainDialog::OnTimer(UINT_PTR id) {
  const MainWindowParts& parts = g_mainParts;
  // 1: playlist
  if (PlayState.state == Playing) parts.playlistTick(*this);
  // 2: mail signal in the tray
  if (MailCounts[0] + MailCounts[1] + MailCounts[2] > 0) {
    TrayMailIconShown = parts.trayBlinkStep(*this);
  } else if (TrayMailIconShown) {
    parts.restoreTrayIcon(*this);
    TrayMailIconShown = false;
  }
  // 3: timed shutdown, against the clock of the previous refresh
  if (ShutdownDue(AppSettings.ShutdownArmed, AppSettings.ShutdownHour,
                  AppSettings.ShutdownMinute, ClockHourMinute)) {
    if (PlayState.state > Stopped) parts.stopPlayback(*this);
    parts.saveBackupList(*this);
    parts.saveWindowState(*this);
    parts.shutdownSystem();
    parts.postQuit();
  }
  // 4: status panel
  parts.refreshStatusPanel(*this);
  // 5: by timer
  switch (id) {
    case TIMER_FIRST_MAIL_CHECK:
      parts.killTimer(m_hWnd, TIMER_FIRST_MAIL_CHECK);
      parts.runMailCheck(*this);
      parts.setTimer(m_hWnd, TIMER_MAIL_CHECK, MinuteTimerPeriodMs(AppSettings.Pitch, kMaxPitch));
      return;  // the rest waits for the next tick
    case TIMER_MAIL_CHECK:
      parts.runMailCheck(*this);
      break;
    case TIMER_AUTO_CLEAN:
      parts.autoCleanTick(*this);
      break;
    default:
      break;
  }
  // 6-7
  if (PeekHidden) parts.peekCheck(*this);
  parts.blitStatusPanel(*this);
}

void CMainDialog::OnCommand(int id, int code) {
  const MainWindowParts& parts = g_mainParts;
  switch (id) {
    case IDC_LAUNCHER:
      OpenLauncher();
      break;
    case IDC_SETTINGS:
      OpenSettings();
      break;
    case IDC_QUIT:
      parts.postQuit();
      break;
    case IDC_HIDE:
      ShowWindow(m_hWnd, SW_HIDE);
      break;
    case IDC_EXIT_WINDOWS:
      parts.saveWindowState(*this);
      parts.systemCommand(*this, id);
      break;
    case IDC_DROP_ACTION:
      if (code == CBN_SELCHANGE) {
        int sel = int(SendDlgItemMessageA(m_hWnd, IDC_DROP_ACTION, CB_GETCURSEL, 0, 0));
        if (sel >= 0) DDList = sel;
      }
      break;
    case IDC_CLEAN_MEMORY:
      parts.cleanMemory(*this);
      break;
    case IDC_OPEN_LIST:
      SetHeight(HEIGHT_LIST);
      break;
    case IDC_CLOSE_LIST:
      SetHeight(HEIGHT_MUSIC);
      break;
    case IDM_MUSIC_BAR:
      SetHeight(MusicBarToggledHeight(AppSettings.Size));
      break;
    case IDC_MOVE_UP:
    case IDC_MOVE_DOWN:
      // Each click of a quick series moves the entry one more place.
      if (code == BN_CLICKED || code == BN_DOUBLECLICKED) parts.playlistCommand(*this, id);
      break;
    case IDC_PLAY:
    case IDC_PAUSE:
    case IDC_STOP:
    case IDC_BACK:
    case IDC_FORWARD:
    case IDC_LOAD_LIST:
    case IDC_WRITE_LIST:
    case IDC_DELETE:
    case IDC_DELETE_ALL:
    case IDM_REPEAT_ALL:
    case IDM_REPEAT_ONE:
    case IDM_REPEAT_RANDOM:
      if (code == BN_CLICKED) parts.playlistCommand(*this, id);
      break;
    case IDM_MAIL_CHECK:
      parts.runMailCheck(*this);
      break;
    case IDM_TOPMOST:
      AppSettings.TopMostEnable = !AppSettings.TopMostEnable;
      ApplyTopMost();
      WriteTopMostEnable();
      break;
    case IDM_FIX_WINDOW:
      AppSettings.MoveEnable = !AppSettings.MoveEnable;
      WriteMoveEnable();
      break;
    case IDM_HELP:
    case IDM_CLEAR_RECENT:
    case IDM_EMPTY_RECYCLE_BIN:
    case IDM_SCREEN_SAVER:
    case IDM_DISPLAY_OFF:
      parts.systemCommand(*this, id);
      break;
    default:
      break;
  }
}

void CMainDialog::Teardown() {
  if (m_tornDown) return;  // a session end already saved everything
  m_tornDown = true;
  const MainWindowParts& parts = g_mainParts;
  if (PlayState.state > Stopped) parts.stopPlayback(*this);
  parts.saveBackupList(*this);
  parts.saveWindowState(*this);
  parts.stopCpuUsage();
  parts.removeTrayIcon(*this);
  parts.coUninitialize();
  OleUninitialize();  // pairs with the OLE start of the first step
}

LRESULT CMainDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const MainWindowParts& parts = g_mainParts;
  switch (msg) {
    case WM_TIMER:
      OnTimer(wParam);
      return Default();
    case WM_COMMAND:
      if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) {
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
      }
      break;
    case WM_DESTROY: {
      LRESULT result = Default();
      Teardown();
      return result;
    }
    case WM_ENDSESSION: {
      LRESULT result = Default();
      // Only a session that really ends; if another program refused, the
      // program keeps running with everything in place.
      if (wParam) Teardown();
      return result;
    }
    case WM_TRAY_NOTIFY:
      return parts.trayNotify(*this, lParam);
    case WM_RBUTTONDOWN: {
      POINT cursor;
      GetCursorPos(&cursor);
      parts.showTrayMenu(*this, cursor.x, cursor.y);
      PostMessageA(m_hWnd, WM_NULL, 0, 0);
      return Default();
    }
    case WM_LBUTTONDOWN:
      // The borderless window is dragged by its surface, through the
      // system's own move loop, unless its place is fixed.
      if (!AppSettings.MoveEnable) {
        POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(m_hWnd, &at);
        PostMessageA(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
      }
      return Default();
    case WM_LBUTTONDBLCLK:
      Peek();
      return Default();
    case WM_MOVE: {
      LRESULT result = Default();
      OnMove();
      return result;
    }
    case WM_DROPFILES:
      parts.dropFiles(*this, reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_POSITION)) parts.seekBySlider(*this);
      return Default();
    case WM_PAINT:
    case WM_ERASEBKGND:
      PanelWindowRepainted();
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_POSITION)) {
        if (HBRUSH brush = SliderBackground(reinterpret_cast<HDC>(wParam))) return LRESULT(brush);
      }
      break;
    case WM_HELP:
      return TRUE;
    case WM_QUERYDRAGICON:
      return LRESULT(m_icon);
    default:
      break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}
