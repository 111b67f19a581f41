// The settings sheet on the test display: a working copy filled from known
// settings, a fresh program folder as the current folder (the skin page lists
// ".\skin"), and the framework's messages recorded instead of shown.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "framework/data_exchange.h"
#include "framework/scoped_override.h"
#include "settings_ui/settings_sheet.h"
#include "tests/framework/sheet_script.h"
#include "tests/test_files.h"

// Every sheet field of AppSettings with a value of its own, many outside what
// the pages' controls can show: a page that passed them through its controls
// would change them.
inline void FillDistinctSettings() {
  AppSettings = Settings();
  int n = 40;
  for (size_t i = 0; i < kSettingRowCount; ++i) {
    const SettingRow& row = kSettingRows[i];
    if (!(row.use & kSheet)) continue;
    char* field = static_cast<char*>(SettingField(AppSettings, row));
    if (row.kind == SettingKind::kInt)
      *reinterpret_cast<int*>(field) = n++;
    else
      std::snprintf(field, row.size, "%s値", row.key);
  }
  AppSettings.ShutdownArmed = true;
}

// The keys whose working-copy values differ between two copies.
inline std::vector<std::string> ChangedKeys(const SheetSettings& a, const SheetSettings& b) {
  std::vector<std::string> keys;
  for (size_t i = 0; i < kSettingRowCount; ++i) {
    const SettingRow& row = kSettingRows[i];
    if (!(row.use & kSheet)) continue;
    const char* x = static_cast<const char*>(SheetField(a, row));
    const char* y = static_cast<const char*>(SheetField(b, row));
    bool same = row.kind == SettingKind::kInt ? std::memcmp(x, y, sizeof(int)) == 0
                                              : std::strncmp(x, y, row.size) == 0;
    if (!same) keys.push_back(row.key);
  }
  if (a.ShutdownArmed != b.ShutdownArmed) keys.push_back("ShutdownArmed");
  return keys;
}

inline HWND Item(CPropertyPage& page, int id) { return GetDlgItem(page.m_hWnd, id); }
inline void Type(CPropertyPage& page, int id, const char* text) { SetDlgItemTextA(page.m_hWnd, id, text); }
// A choice in a drop-down list, with the notification a person's choice sends.
inline void Choose(CPropertyPage& page, int id, int index) {
  SendMessageA(Item(page, id), CB_SETCURSEL, WPARAM(index), 0);
  SendMessageA(page.m_hWnd, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(Item(page, id)));
}
inline int Selected(CPropertyPage& page, int id) {
  return int(SendMessageA(Item(page, id), CB_GETCURSEL, 0, 0));
}
inline bool Checked(CPropertyPage& page, int id) {
  return IsDlgButtonChecked(page.m_hWnd, id) == BST_CHECKED;
}
inline void Click(CPropertyPage& page, int id) { SendMessageA(Item(page, id), BM_CLICK, 0, 0); }

// While it lives, libraries loaded by plain name are found in the build
// folder (above the test programs' own), where our archiver libraries are.
struct BuildFolderLibraries {
  BuildFolderLibraries() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string folder(exe);
    folder.resize(folder.rfind('\\'));      // tests
    folder.resize(folder.rfind('\\') + 1);  // the build folder
    ok = SetDllDirectoryA(folder.c_str()) != FALSE;
  }
  ~BuildFolderLibraries() { SetDllDirectoryA(nullptr); }
  bool ok;
};

// Tab indices of the pages.
enum SheetTab { kDisplay1, kDisplay2, kExtension1, kExtension2, kSkin, kMail, kLibraries, kProcessor, kVersion };

class SettingsSheetTest : public testing::Test {
 protected:
  CScopedOverride<FrameworkMessageBoxFn> box{g_frameworkMessageBox, sheet_script::RecordMessage};
  TempFolder folder;
  char savedFolder[MAX_PATH] = "";

  void SetUp() override {
    sheet_script::g_messages.clear();
    GetCurrentDirectoryA(sizeof savedFolder, savedFolder);
    SetCurrentDirectoryA(folder.File("").c_str());
    FillDistinctSettings();
    CopyToWorkingCopy();
  }
  void TearDown() override { SetCurrentDirectoryA(savedFolder); }

};
