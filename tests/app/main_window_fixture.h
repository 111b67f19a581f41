// A real main window on the test display, opened from template 102 with a
// prepared profile and recorders at the subsystem entry points.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/settings.h"
#include "framework/app.h"
#include "mail/mail_check.h"
#include "media/playlist.h"
#include "status/status_panel.h"
#include "app/tray.h"
#include "tests/app/parts_recorder.h"
#include "tests/test_files.h"

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    AppSettings = Settings();
    PlayState = PlayStateInfo();
    MailCounts[0] = MailCounts[1] = MailCounts[2] = 0;
    TrayMailIconShown = false;
    AfxGetApp()->SetProfileName(folder.File("tovix.ini").c_str());
    parts_recorder::Install();
  }
  void TearDown() override {
    dialog.reset();
    parts_recorder::Uninstall();
    g_readLocalTime = GetLocalTime;
  }
  void WriteProfile(const std::string& text) { TempFolder::Write(folder.File("tovix.ini"), text); }
  std::string ReadProfile() const { return TempFolder::Read(folder.File("tovix.ini")); }

  // Opens the window modeless, as the modal run would, and clears the log.
  HWND Open() {
    dialog.reset(new CMainDialog);
    EXPECT_TRUE(dialog->Create(102));
    startLog = parts_recorder::log;
    parts_recorder::log.clear();
    return dialog->m_hWnd;
  }
  std::vector<std::string> Tick(WPARAM id) {
    parts_recorder::log.clear();
    SendMessageA(dialog->m_hWnd, WM_TIMER, id, 0);
    return parts_recorder::log;
  }

  TempFolder folder;
  std::unique_ptr<CMainDialog> dialog;
  std::vector<std::string> startLog;
};
