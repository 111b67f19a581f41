#include "main_dialog.h"

#include <algorithm>

#include "../mail/mail_check.h"
#include "../media/playlist.h"
#include "../resources/resource.h"
#include "../status/samplers.h"
#include "../status/status_panel.h"
#include "main_parts.h"
#include "settings.h"
#include "timers.h"
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
  if (g_mainDialog == this) g_mainDialog = nullptr;
}

BOOL CMainDialog::OnInitDialog() {
  const MainWindowParts& parts = g_mainParts;
  // 1-2: the window's icon, no task-bar button.
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
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_hWnd;
    info.uId = UINT_PTR(control);
    info.lpszText = const_cast<char*>(tip.text);
    SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, LPARAM(&info));
  }
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
    return TRUE;  // the window never closes by keyboard
  if (m_toolTip) SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, LPARAM(msg));
  return CDialog::PreTranslateMessage(msg);
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
  switch (id) {
    case IDC_QUIT:
      g_mainParts.postQuit();
      break;
    case IDC_DROP_ACTION:
      if (code == CBN_SELCHANGE) {
        int sel = int(SendDlgItemMessageA(m_hWnd, IDC_DROP_ACTION, CB_GETCURSEL, 0, 0));
        if (sel >= 0) DDList = sel;
      }
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
}

LRESULT CMainDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER: {
      OnTimer(wParam);
      return Default();
    }
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
    case WM_HELP:
      return TRUE;
    case WM_QUERYDRAGICON:
      return LRESULT(m_icon);
    default:
      break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}
