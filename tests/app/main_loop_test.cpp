// The tick and the teardown of the real main window, with recorders at the
// subsystem entry points.
#include "tests/app/main_window_fixture.h"

#include "app/timers.h"

namespace {

using Log = std::vector<std::string>;

void WINAPI TenThirty(SYSTEMTIME* t) {
  *t = SYSTEMTIME();
  t->wYear = 2026;
  t->wMonth = 12;
  t->wDay = 7;
  t->wHour = 10;
  t->wMinute = 30;
}

TEST_F(MainWindowTest, OrdinaryTickRefreshesAndBlitsOnly) {
  Open();
  EXPECT_EQ(Tick(TIMER_TICK), (Log{"refreshStatusPanel", "blitStatusPanel"}));
  // Any other id ticks the same way.
  EXPECT_EQ(Tick(99), (Log{"refreshStatusPanel", "blitStatusPanel"}));
}

TEST_F(MainWindowTest, TickRunsItsStepsInOrder) {
  Open();
  PlayState.state = Playing;
  MailCounts[1] = 2;
  PeekHidden = true;
  EXPECT_EQ(Tick(TIMER_TICK), (Log{"playlistTick", "trayBlinkStep", "refreshStatusPanel",
                                   "peekCheck", "blitStatusPanel"}));
  EXPECT_TRUE(TrayMailIconShown);

  // Mail gone while the mail icon shows: the program icon comes back once.
  PeekHidden = false;
  MailCounts[1] = 0;
  PlayState.state = Paused;
  EXPECT_EQ(Tick(TIMER_TICK), (Log{"restoreTrayIcon", "refreshStatusPanel", "blitStatusPanel"}));
  EXPECT_FALSE(TrayMailIconShown);
  EXPECT_EQ(Tick(TIMER_TICK), (Log{"refreshStatusPanel", "blitStatusPanel"}));
}

TEST_F(MainWindowTest, FirstMailCheckTimerKillsItselfArmsTimer4AndEndsEarly) {
  WriteProfile("[MAILCHECK]\r\nPitch=4\r\n");
  Open();
  PeekHidden = true;
  EXPECT_EQ(Tick(TIMER_FIRST_MAIL_CHECK),
            (Log{"refreshStatusPanel", "killTimer 3", "runMailCheck", "setTimer 4 300000"}));
  PeekHidden = false;
}

TEST_F(MainWindowTest, MailAndCleaningTimersRunTheirWork) {
  Open();
  EXPECT_EQ(Tick(TIMER_MAIL_CHECK), (Log{"refreshStatusPanel", "runMailCheck", "blitStatusPanel"}));
  EXPECT_EQ(Tick(TIMER_AUTO_CLEAN), (Log{"refreshStatusPanel", "autoCleanTick", "blitStatusPanel"}));
}

TEST_F(MainWindowTest, TimedShutdownComparesWithThePreviousRefresh) {
  g_readLocalTime = TenThirty;
  Open();
  AppSettings.ShutdownArmed = true;
  AppSettings.ShutdownHour = 10;
  AppSettings.ShutdownMinute = 30;
  PlayState.state = Playing;
  // The first tick only learns the time.
  EXPECT_EQ(Tick(TIMER_TICK), (Log{"playlistTick", "refreshStatusPanel", "blitStatusPanel"}));
  EXPECT_EQ(ClockHourMinute, 1030);
  EXPECT_EQ(Tick(TIMER_TICK),
            (Log{"playlistTick", "stopPlayback", "saveBackupList", "saveWindowState",
                 "shutdownSystem", "postQuit", "refreshStatusPanel", "blitStatusPanel"}));
  // Not armed: never.
  AppSettings.ShutdownArmed = false;
  EXPECT_EQ(Tick(TIMER_TICK), (Log{"refreshStatusPanel", "blitStatusPanel"}));
}

TEST_F(MainWindowTest, StartUpRunsItsStepsInOrderWithTheTimerPeriods) {
  WriteProfile("[OPTION]\r\nAutoCleanMinute=9\r\n");
  Open();
  EXPECT_EQ(startLog,
            (Log{"coInitialize", "createGraph", "detectOsClass", "startCpuUsage", "addTrayIcon",
                 "loadSettings", "createPanelSurfaces", "preparePlaylist", "applyListBackground",
                 "loadBackupList", "applySkin", "createLauncher", "setTimer 1 250",
                 "setTimer 3 5000", "setTimer 5 600000"}));
  EXPECT_EQ(ClockHourMinute, -1);
  EXPECT_FALSE(PeekHidden);
  EXPECT_FALSE(LauncherVisible);
}

TEST_F(MainWindowTest, OutOfRangePeriodsAreTakenAsTheListEnds) {
  WriteProfile("[OPTION]\r\nAutoCleanMinute=100000\r\n[MAILCHECK]\r\nPitch=-1\r\n");
  Open();
  EXPECT_EQ(startLog.back(), "setTimer 5 3600000");
  EXPECT_EQ(Tick(TIMER_FIRST_MAIL_CHECK).back(), "setTimer 4 60000");
}

std::vector<DWORD> g_refreshTimes;

TEST_F(MainWindowTest, RealTickTimerDrivesTheRefreshNoFasterThanItsPeriod) {
  parts_recorder::realTimers = true;
  g_refreshTimes.clear();
  g_mainParts.refreshStatusPanel = [](CMainDialog&) { g_refreshTimes.push_back(GetTickCount()); };
  Open();
  KillTimer(dialog->m_hWnd, TIMER_FIRST_MAIL_CHECK);
  KillTimer(dialog->m_hWnd, TIMER_AUTO_CLEAN);
  g_refreshTimes.clear();
  ASSERT_TRUE(PumpUntil([] { return g_refreshTimes.size() >= 3; }));
  // Two periods of 250 ms lie between the first and the third refresh; a
  // timer may fire up to one clock step early.
  EXPECT_GE(g_refreshTimes[2] - g_refreshTimes[0], 2 * (kTickPeriodMs - 20));
}

TEST_F(MainWindowTest, TeardownOnDestroyInOrder) {
  Open();
  PlayState.state = Playing;
  parts_recorder::log.clear();
  dialog->DestroyWindow();
  EXPECT_EQ(parts_recorder::log, (Log{"stopPlayback", "saveBackupList", "saveWindowState",
                                      "stopCpuUsage", "removeTrayIcon", "closeMailSound", "releaseMedia", "coUninitialize"}));
  EXPECT_EQ(PlayState.state, Stopped);
}

TEST_F(MainWindowTest, DeletedWhileOpenRunsTheTeardown) {
  HWND w = Open();
  parts_recorder::log.clear();
  dialog.reset();
  EXPECT_EQ(parts_recorder::log, (Log{"saveBackupList", "saveWindowState", "stopCpuUsage",
                                      "removeTrayIcon", "closeMailSound", "releaseMedia", "coUninitialize"}));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(g_mainDialog, nullptr);
  EXPECT_TRUE(parts_recorder::LiveTrayIcons().empty());
}

TEST_F(MainWindowTest, TeardownOnSessionEndSavesOnceAndSkipsStopWhenStopped) {
  Open();
  parts_recorder::log.clear();
  SendMessageA(dialog->m_hWnd, WM_ENDSESSION, FALSE, 0);  // another program refused
  EXPECT_TRUE(parts_recorder::log.empty());
  SendMessageA(dialog->m_hWnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(parts_recorder::log, (Log{"saveBackupList", "saveWindowState", "stopCpuUsage",
                                      "removeTrayIcon", "closeMailSound", "releaseMedia", "coUninitialize"}));
  parts_recorder::log.clear();
  dialog->DestroyWindow();
  EXPECT_TRUE(parts_recorder::log.empty());
}

TEST_F(MainWindowTest, TeardownSavesTheWindowState) {
  WriteProfile("[WINDOW]\r\nMainWindowX=40\r\nMainWindowY=50\r\nSize=198\r\nDDList=3\r\n");
  Open();
  MoveWindow(dialog->m_hWnd, 140, 150, kMainWidth, 198, TRUE);
  dialog->DestroyWindow();
  std::string file = ReadProfile();
  EXPECT_NE(file.find("MainWindowX=140\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("MainWindowY=150\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("DDList=3\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Size=198\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Volume=1000\r\n"), std::string::npos) << file;
}

}  // namespace
