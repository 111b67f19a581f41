// The subsystem entry points that the main window calls while it starts, on
// every tick and while it tears down. The main window reaches them only through
// this table, so tests can put recorders in front of them and check the order.
#pragma once
#include <windows.h>

class CMainDialog;

struct MainWindowParts {
  // start-up
  void (*coInitialize)();
  void (*createGraph)(CMainDialog&);
  void (*detectOsClass)();
  void (*startCpuUsage)();
  void (*addTrayIcon)(CMainDialog&);
  void (*loadSettings)(CMainDialog&);
  void (*createPanelSurfaces)(CMainDialog&);
  void (*preparePlaylist)(CMainDialog&);
  void (*applyListBackground)(CMainDialog&);
  void (*loadBackupList)(CMainDialog&);
  void (*applySkin)(CMainDialog&);
  void (*createLauncher)(CMainDialog&);
  void (*setTimer)(HWND window, UINT_PTR id, UINT periodMs);
  void (*killTimer)(HWND window, UINT_PTR id);
  // the tick
  void (*playlistTick)(CMainDialog&);
  bool (*trayBlinkStep)(CMainDialog&);
  void (*restoreTrayIcon)(CMainDialog&);
  void (*stopPlayback)(CMainDialog&);
  void (*saveBackupList)(CMainDialog&);
  void (*saveWindowState)(CMainDialog&);
  void (*shutdownSystem)();
  void (*postQuit)();
  void (*refreshStatusPanel)(CMainDialog&);
  void (*runMailCheck)(CMainDialog&);
  void (*autoCleanTick)(CMainDialog&);
  void (*peekCheck)(CMainDialog&);
  void (*blitStatusPanel)(CMainDialog&);
  // teardown
  void (*stopCpuUsage)();
  void (*removeTrayIcon)(CMainDialog&);
  // The new-mail sound's device: closed at teardown, and when it has played.
  void (*closeMailSound)();
  void (*mailSoundNotify)(WPARAM flags);
  // The video window and the player's last graph go while COM is still there.
  void (*releaseMedia)(CMainDialog&);
  void (*coUninitialize)();
  // commands and window messages
  void (*cleanMemory)(CMainDialog&);
  void (*playlistCommand)(CMainDialog&, int id);
  // A scroll notification of the position slider, with its code (TB_THUMBTRACK, TB_ENDTRACK...).
  void (*sliderScroll)(CMainDialog&, int scrollCode);
  void (*setVolume)(CMainDialog&, int level);
  void (*dropFiles)(CMainDialog&, HDROP drop);
  INT_PTR (*runSettingsSheet)(CMainDialog&);
  void (*applyTransparency)(CMainDialog&);
  void (*syncStartupShortcut)(CMainDialog&);
  // 1004 (after the window state is saved), 32776-32778, 32786, 32787
  void (*systemCommand)(CMainDialog&, int id);
  LRESULT (*trayNotify)(CMainDialog&, LPARAM mouseMessage);
  void (*showTrayMenu)(CMainDialog&, int x, int y);
  void (*launchEntry)(CMainDialog&, int n);
  void (*resetLauncherPage)(CMainDialog&);
  void (*destroyLauncher)(CMainDialog&);
  // The mail check's worker: its result at the window (WM_MAIL_CHECK_DONE,
  // counts and sound, then the tray tip with any failure), and its end at
  // teardown.
  void (*mailCheckDone)(CMainDialog&, WPARAM round);
  void (*stopMailCheck)();
};

extern const MainWindowParts kMainWindowParts;
extern MainWindowParts g_mainParts;
