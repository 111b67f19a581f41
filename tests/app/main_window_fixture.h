// A real main window on the test display, opened from template 102 with a
// prepared profile and recorders at the subsystem entry points.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "core/settings.h"
#include "core/side_effects.h"
#include "app/main_parts.h"
#include "framework/app.h"
#include "framework/scoped_override.h"
#include "mail/mail_check.h"
#include "media/playlist.h"
#include "status/status_panel.h"
#include "app/tray.h"
#include "tests/app/parts_recorder.h"
#include "tests/support/pump.h"
#include "tests/test_files.h"

// The list commands' file dialogs answer Cancel: a real one would wait for a person.
inline BOOL WINAPI CancelListDialog(OPENFILENAMEW*) { return FALSE; }

class MainWindowTest : public testing::Test {
 protected:
  // The seams the recorders and tests change come back after the window.
  CScopedOverride<MainWindowParts> partsSeam{g_mainParts};
  CScopedOverride<SideEffects> effectsSeam{g_sideEffects};
  CScopedOverride<decltype(g_readLocalTime)> clockSeam{g_readLocalTime};
  CScopedOverride<ListFileDialogs> listDialogsSeam{g_listFileDialogs, {CancelListDialog, CancelListDialog}};

  void SetUp() override {
    AppSettings = Settings();
    PlayState = PlayStateInfo();
    MailCounts[0] = MailCounts[1] = MailCounts[2] = 0;
    TrayMailIconShown = false;
    AfxGetApp()->SetProfileName(folder.File("tovix.ini").c_str());
    // The program's folder is its current folder: backup.m3u goes there.
    GetCurrentDirectoryA(sizeof savedFolder, savedFolder);
    SetCurrentDirectoryA(folder.File("").c_str());
    parts_recorder::Install();
  }
  void TearDown() override {
    // The object takes its window along, and with it the tray icon.
    dialog.reset();
    EXPECT_TRUE(parts_recorder::LiveTrayIcons().empty()) << "a tray icon was left behind";
    parts_recorder::Uninstall();
    SetCurrentDirectoryA(savedFolder);
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

  char savedFolder[MAX_PATH] = "";
  TempFolder folder;
  std::unique_ptr<CMainDialog> dialog;
  std::vector<std::string> startLog;
};
