// A real main window on the test display, opened from template 102 with a
// prepared profile and recorders at the subsystem entry points.
#pragma once
#include <windows.h>
#include <shlobj.h>

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
#include "framework/wide_text.h"
#include "mail/mail_check.h"
#include "media/playlist.h"
#include "status/status_panel.h"
#include "app/tray.h"
#include "tests/app/parts_recorder.h"
#include "tests/support/pump.h"
#include "tests/test_files.h"

// A drop handle laid out as the shell lays it out: DROPFILES, then the
// names, each ended by a zero, and one more zero; in UTF-16 or, when not
// `wide`, in the code page.
inline HDROP ShellDrop(const std::vector<std::wstring>& paths, bool wide = true) {
  std::wstring names;
  for (const std::wstring& p : paths) names += p + L'\0';
  const std::string narrow = Narrow(names, CP_ACP);
  size_t bytes = wide ? names.size() * sizeof(wchar_t) : narrow.size();
  // Zeroed memory gives the final zero.
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes + sizeof(wchar_t));
  DROPFILES* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = wide;
  memcpy(header + 1, wide ? static_cast<const void*>(names.data()) : narrow.data(), bytes);
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}
// The same for paths in the code page.
inline HDROP ShellDrop(const std::vector<std::string>& paths, bool wide) {
  std::vector<std::wstring> widePaths;
  for (const std::string& p : paths) widePaths.push_back(Widen(p, CP_ACP));
  return ShellDrop(widePaths, wide);
}

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
