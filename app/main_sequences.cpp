// The main window's start-up, its tick and its teardown: the order in which
// the subsystems are brought up, run and taken down.
#include <algorithm>

#include "core/run_state.h"
#include "core/settings.h"
#include "resources/resource.h"
#include "app/main_dialog.h"
#include "app/main_parts.h"
#include "app/timers.h"
#include "app/tray.h"
#include "app/window_rules.h"

BOOL CMainDialog::OnInitDialog() {
  const MainWindowParts& parts = g_mainParts;
  // Controls bound, the window's icon, no task-bar button.
  BindControls();
  OleInitialize(nullptr);
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, LPARAM(m_icon));
  g_mainDialog = this;
  SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) & ~WS_EX_APPWINDOW);
  // Media, the system's figures and the tray icon come before the settings.
  parts.coInitialize();
  parts.createGraph(*this);
  parts.detectOsClass();
  parts.startCpuUsage();
  parts.addTrayIcon(*this);
  // The position slider counts in percent.
  SendDlgItemMessageA(m_hWnd, IDC_POSITION, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  parts.loadSettings(*this);
  parts.createPanelSurfaces(*this);
  // Playlist and drop action.
  parts.preparePlaylist(*this);
  parts.applyListBackground(*this);
  FillDropActions();
  // Nothing plays and no refresh has read the clock yet.
  PlayState = PlayStateInfo();
  ClockHourMinute = -1;
  // Semi-transparency exists on NT 5 and later only.
  if (OsClass == kOsNt5) {
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    ApplyTransparency(m_hWnd, AppSettings.Skelton);
  }
  // The stored place and height, then the top-most state.
  MoveWindow(m_hWnd, AppSettings.MainWindowX, AppSettings.MainWindowY, kMainWidth,
             std::max(0, AppSettings.Size), TRUE);
  ApplyTopMost();
  // The last session's playlist, then the skin over everything.
  parts.loadBackupList(*this);
  parts.applySkin(*this);
  PeekHidden = false;
  CreateToolTips();
  parts.createLauncher(*this);
  LauncherVisible = false;
  // The heartbeat comes last, once everything it drives exists.
  parts.setTimer(m_hWnd, TIMER_TICK, kTickPeriodMs);
  parts.setTimer(m_hWnd, TIMER_FIRST_MAIL_CHECK, kFirstMailCheckDelayMs);
  parts.setTimer(m_hWnd, TIMER_AUTO_CLEAN,
                 MinuteTimerPeriodMs(AppSettings.AutoCleanMinute, kMaxAutoCleanMinute));
  return TRUE;
}

void CMainDialog::OnTimer(UINT_PTR id) {
  const MainWindowParts& parts = g_mainParts;
  // The playlist advances while a track plays.
  if (PlayState.state == Playing) parts.playlistTick(*this);
  // The mail signal in the tray.
  if (MailCounts[0] + MailCounts[1] + MailCounts[2] > 0) {
    TrayMailIconShown = parts.trayBlinkStep(*this);
  } else if (TrayMailIconShown) {
    parts.restoreTrayIcon(*this);
    TrayMailIconShown = false;
  }
  // Timed shutdown, against the clock of the previous refresh.
  if (ShutdownDue(AppSettings.ShutdownArmed, AppSettings.ShutdownHour,
                  AppSettings.ShutdownMinute, ClockHourMinute)) {
    if (PlayState.state > Stopped) parts.stopPlayback(*this);
    parts.saveBackupList(*this);
    parts.saveWindowState(*this);
    parts.shutdownSystem();
    parts.postQuit();
  }
  // The status panel samples and draws off screen.
  parts.refreshStatusPanel(*this);
  // The work of the timer that fired.
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
  // A peek-hidden window comes back; the panel reaches the screen.
  if (PeekHidden) parts.peekCheck(*this);
  parts.blitStatusPanel(*this);
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
  // A round still running is told to stop; its result is not taken.
  parts.stopMailCheck();
  parts.closeMailSound();
  parts.releaseMedia(*this);
  parts.coUninitialize();
  OleUninitialize();  // pairs with the OLE start of the start-up
}

