#include "app/main_parts.h"

#include <objbase.h>

#include "filetools/drop_dispatcher.h"
#include <cstring>

#include "mail/mail_check.h"
#include "mail/mail_failure.h"
#include "media/playlist.h"
#include "status/memory_cleaner.h"
#include "status/samplers.h"
#include "status/status_panel.h"
#include "app/main_dialog.h"
#include "core/settings.h"
#include "app/skin.h"
#include "app/system_commands.h"
#include "app/tray.h"
#include "settings_ui/settings_sheet.h"
#include "resources/resource.h"

namespace {

void CreateLauncher(CMainDialog& dialog) {
  dialog.Launcher().SetSkinFolder(SkinFolder);
  dialog.Launcher().Create(dialog.Launcher().TemplateId(), dialog.m_hWnd);
  if (dialog.Launcher().m_hWnd) ShowWindow(dialog.Launcher().m_hWnd, SW_HIDE);
}

void SystemCommand(CMainDialog& d, int id) {
  switch (id) {
    case IDC_EXIT_WINDOWS:
      ShowExitWindowsDialog();
      break;
    case IDM_HELP:
      OpenHelpPage();
      break;
    case IDM_CLEAR_RECENT:
      ClearRecentDocuments();
      break;
    case IDM_EMPTY_RECYCLE_BIN:
      EmptyRecycleBin();
      break;
    case IDM_SCREEN_SAVER:
      StartScreenSaver(d.m_hWnd);
      break;
    case IDM_DISPLAY_OFF:
      TurnDisplayOff(d.m_hWnd);
      break;
    default:
      break;
  }
}

}  // namespace

const MainWindowParts kMainWindowParts = {
    [] { CoInitialize(nullptr); },
    [](CMainDialog& d) { d.Player().CreateGraph(); },
    DetectOsClass,
    StartCpuUsage,
    [](CMainDialog& d) { AddTrayIcon(&d.TrayIcon(), d.m_hWnd); },
    [](CMainDialog& d) { LoadSettings(&d.DropAction()); },
    [](CMainDialog& d) { CreatePanelSurfaces(d.m_hWnd); },
    [](CMainDialog& d) { PreparePlaylistControl(d.Playlist()); },
    [](CMainDialog& d) {
      ApplyListBackground(d.Playlist());
      ApplyPlaylistColours(d.Playlist());
    },
    [](CMainDialog& d) { LoadBackupList(d.Playlist()); },
    [](CMainDialog& d) { ApplySkin(d.m_hWnd); },
    CreateLauncher,
    [](HWND w, UINT_PTR id, UINT ms) { SetTimer(w, id, ms, nullptr); },
    [](HWND w, UINT_PTR id) { KillTimer(w, id); },
    [](CMainDialog& d) { PlaylistTick(d.m_hWnd, d.Player()); },
    [](CMainDialog& d) { return TrayBlinkStep(&d.TrayIcon()); },
    [](CMainDialog& d) { RestoreTrayIcon(&d.TrayIcon()); },
    [](CMainDialog& d) { StopPlayback(d.Playlist(), d.Player()); },
    [](CMainDialog& d) { SaveBackupList(d.Playlist()); },
    [](CMainDialog& d) { SaveWindowState(d.m_hWnd, d.DropAction()); },
    ShutdownSystem,
    [] { PostQuitMessage(0); },
    [](CMainDialog& d) { RefreshStatusPanel(d.m_hWnd); },
    // The round runs on its worker; the window goes on at once.
    [](CMainDialog& d) { StartMailCheck(d.m_hWnd); },
    [](CMainDialog& d) { AutoCleanTick(d.m_hWnd); },
    PeekCheck,
    [](CMainDialog& d) { BlitStatusPanel(d.m_hWnd); },
    StopCpuUsage,
    [](CMainDialog& d) { RemoveTrayIcon(&d.TrayIcon()); },
    CloseMailSound,
    OnMailSoundNotify,
    [](CMainDialog& d) {
      d.Video().Close();
      d.Player().ReleaseGraph();
    },
    [] { CoUninitialize(); },
    [](CMainDialog& d) { CleanMemory(d.m_hWnd); },
    [](CMainDialog& d, int id) { PlaylistCommand(d.m_hWnd, d.Player(), id); },
    [](CMainDialog& d, int code) { SliderScroll(d.m_hWnd, d.Player(), code); },
    [](CMainDialog& d, int level) { d.Player().SetVolume(level); },
    [](CMainDialog& d, HDROP drop) { DispatchDrop(DropTarget{&d, d.DropAction(), d.Playlist(), &d.Video()}, drop); },
    [](CMainDialog& d) { return RunSettingsSheet(d.m_hWnd); },
    [](CMainDialog& d) { ApplyTransparency(d.m_hWnd, AppSettings.Skelton); },
    [](CMainDialog& d) { SyncStartupShortcut(d.m_hWnd); },
    SystemCommand,
    [](CMainDialog& d, LPARAM mouse) { return OnTrayNotify(d.m_hWnd, mouse); },
    [](CMainDialog& d, int x, int y) { ShowTrayMenu(d.m_hWnd, x, y); },
    [](CMainDialog& d, int n) { d.Launcher().LaunchEntry(n); },
    [](CMainDialog& d) { d.Launcher().ResetLauncherPage(); },
    [](CMainDialog& d) { d.Launcher().DestroyWindow(); },
    [](CMainDialog& d, WPARAM round) {
      if (!OnMailCheckDone(d.m_hWnd, round)) return;
      // Why an account failed stays visible in the tip until the next round.
      char tip[sizeof d.TrayIcon().szTip];
      FormatMailTip(tip, sizeof tip, kTrayTipText, MailFailures);
      if (strcmp(tip, d.TrayIcon().szTip) != 0) SetTrayTip(&d.TrayIcon(), tip);
    },
    [] { StopMailCheck(); },
};

MainWindowParts g_mainParts = kMainWindowParts;
