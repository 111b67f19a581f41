#include "app/main_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/run_state.h"
#include "core/settings.h"
#include "framework/bitmap_file.h"
#include "framework/window_tools.h"
#include "launcher/launcher_placement.h"
#include "mail/mail_check.h"
#include "resources/resource.h"
#include "status/status_panel.h"
#include "app/main_parts.h"
#include "app/skin.h"
#include "app/timers.h"
#include "app/tray.h"
#include "app/window_rules.h"

CMainDialog* g_mainDialog = nullptr;

CMainDialog::CMainDialog() : CDialog(IDD_MAIN) {
  m_keysNeverClose = true;
  m_icon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM));
}

CMainDialog::~CMainDialog() {
  // A window still open is destroyed here, while this object is whole, so
  // that its WM_DESTROY runs the teardown (the tray icon goes, the state is
  // saved); the base destructor could only let it go.
  if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow();
  if (m_sliderBrush) DeleteObject(m_sliderBrush);
  if (g_mainDialog == this) g_mainDialog = nullptr;
}

LRESULT CPanelBackground::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
  if (msg == WM_PAINT) PanelWindowRepainted();
  return result;
}

void PeekCheck(CMainDialog& dialog) {
  POINT cursor;
  RECT rect;
  if (!GetCursorPos(&cursor) || !GetWindowRect(dialog.m_hWnd, &rect)) return;
  // Edges count as inside.
  if (cursor.x >= rect.left && cursor.x <= rect.right && cursor.y >= rect.top &&
      cursor.y <= rect.bottom)
    return;
  if (LauncherVisible && dialog.Launcher().m_hWnd) ShowWindow(dialog.Launcher().m_hWnd, SW_SHOW);
  ShowWindow(dialog.m_hWnd, SW_SHOW);
  PeekHidden = false;
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
  // F10 arrives as a system key; it starts the tenth entry like F1..F9.
  if (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_F10) {
    g_mainParts.launchEntry(*this, 10);
    return TRUE;
  }
  if (msg->message == WM_KEYDOWN) {
    WPARAM key = msg->wParam;
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

void CMainDialog::ApplyTopMost() {
  const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW;
  SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
  if (!AppSettings.TopMostEnable) SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
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
  if (OsClass < kOsNt) {
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
  if (m_settingsOpen) return;
  CopyToWorkingCopy();
  m_settingsOpen = true;
  INT_PTR result = parts.runSettingsSheet(*this);
  m_settingsOpen = false;
  if (result != IDOK) return;
  CopyFromWorkingCopy();
  SaveSettings();
  if (OsClass == kOsNt5) parts.applyTransparency(*this);
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
        if (sel >= 0) m_dropAction = sel;
      }
      break;
    case IDC_CLEAN_MEMORY:
      parts.cleanMemory(*this);
      break;
    case IDC_OPEN_LIST:
      SetHeight(kHeightList);
      break;
    case IDC_CLOSE_LIST:
      SetHeight(kHeightMusic);
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
    case MM_MCINOTIFY:
      parts.mailSoundNotify(wParam);
      return 0;
    case WM_MAIL_CHECK_DONE:
      parts.mailCheckDone(*this, wParam);
      return 0;
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
      if (!AppSettings.MoveEnable) DragBySurface(m_hWnd, lParam);
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
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_POSITION))
        parts.sliderScroll(*this, LOWORD(wParam));
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
