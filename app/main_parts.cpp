#include "main_parts.h"

#include <objbase.h>

#include "../mail/mail_check.h"
#include "../media/playlist.h"
#include "../status/memory_cleaner.h"
#include "../status/samplers.h"
#include "../status/status_panel.h"
#include "main_dialog.h"
#include "settings.h"
#include "skin.h"
#include "system_commands.h"
#include "tray.h"

namespace {

void CreateLauncher(CMainDialog& dialog) {
  dialog.m_launcher.Create(dialog.m_launcher.TemplateId(), &dialog);
  if (dialog.m_launcher.m_hWnd) ShowWindow(dialog.m_launcher.m_hWnd, SW_HIDE);
}

}  // namespace

const MainWindowParts kMainWindowParts = {
    [] { CoInitialize(nullptr); },
    [](CMainDialog& d) { d.m_player.CreateGraph(); },
    DetectOsClass,
    StartCpuUsage,
    [](CMainDialog& d) { AddTrayIcon(&d.m_trayIcon, d.m_hWnd); },
    [](CMainDialog& d) { LoadSettings(&d.DDList); },
    [](CMainDialog& d) { CreatePanelSurfaces(d.m_hWnd); },
    [](CMainDialog& d) { PreparePlaylistControl(d.Playlist()); },
    [](CMainDialog& d) { ApplyListBackground(d.Playlist()); },
    [](CMainDialog& d) { LoadBackupList(d.Playlist()); },
    [](CMainDialog& d) { ApplySkin(d.m_hWnd); },
    CreateLauncher,
    [](HWND w, UINT_PTR id, UINT ms) { SetTimer(w, id, ms, nullptr); },
    [](HWND w, UINT_PTR id) { KillTimer(w, id); },
    [](CMainDialog& d) { PlaylistTick(d.m_hWnd, d.m_player); },
    [](CMainDialog& d) { return TrayBlinkStep(&d.m_trayIcon); },
    [](CMainDialog& d) { RestoreTrayIcon(&d.m_trayIcon); },
    [](CMainDialog& d) { StopPlayback(d.Playlist(), d.m_player); },
    [](CMainDialog& d) { SaveBackupList(d.Playlist()); },
    [](CMainDialog& d) { SaveWindowState(d.m_hWnd, d.DDList); },
    ShutdownSystem,
    [] { PostQuitMessage(0); },
    [](CMainDialog& d) { RefreshStatusPanel(d.m_hWnd); },
    [](CMainDialog& d) { RunMailCheck(d.m_hWnd); },
    [](CMainDialog& d) { AutoCleanTick(d.m_hWnd); },
    PeekCheck,
    [](CMainDialog& d) { BlitStatusPanel(d.m_hWnd); },
    StopCpuUsage,
    [](CMainDialog& d) { RemoveTrayIcon(&d.m_trayIcon); },
    [] { CoUninitialize(); },
};

MainWindowParts g_mainParts = kMainWindowParts;
