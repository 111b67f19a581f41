// The settings sheet opened by the real main window's command: what OK and
// Cancel do to the live settings, the profile and the launcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/app.h"
#include "resources/resource.h"
#include "tests/app/main_window_fixture.h"
#include "tests/settings_ui/sheet_fixture.h"

using namespace sheet_script;

namespace {

// The script the next opening of the sheet plays.
std::vector<std::function<void(CSettingsSheet&)>> g_steps;
int g_stores = 0;
bool StoreCounted(const char* file, const std::string& bytes) {
  ++g_stores;
  return kFileProfileBackend.store(file, bytes);
}

class SettingsFromMainWindowTest : public MainWindowTest {
 protected:
  CScopedOverride<FrameworkMessageBoxFn> box{g_frameworkMessageBox, RecordMessage};
  CScopedOverride<ProfileBackend> profile{g_profileBackend, {kFileProfileBackend.load, StoreCounted}};

  void SetUp() override {
    MainWindowTest::SetUp();
    g_stores = 0;
    g_mainParts.runSettingsSheet = [](CMainDialog&) -> INT_PTR {
      parts_recorder::log.push_back("runSettingsSheet");
      CSettingsSheet sheet;
      std::vector<std::function<void()>> steps;
      for (auto& step : g_steps) steps.push_back([&sheet, step] { step(sheet); });
      return RunSheet(sheet, steps);
    };
  }
  // Opens the sheet from the window's command and plays the steps in it.
  void OpenSheet(HWND window, std::vector<std::function<void(CSettingsSheet&)>> steps) {
    g_steps = std::move(steps);
    parts_recorder::log.clear();
    SendMessageA(window, WM_COMMAND, IDC_SETTINGS, 0);
  }
  static SheetSettings Live() {
    SheetSettings saved = SettingsWorkingCopy;
    CopyToWorkingCopy();
    SheetSettings live = SettingsWorkingCopy;
    SettingsWorkingCopy = saved;
    return live;
  }
};

TEST_F(SettingsFromMainWindowTest, OkWritesTheProfileOnceAndRecreatesTheLauncher) {
  WriteProfile("[COLOR]\r\nR=10\r\n");
  HWND w = Open();
  // As in the program, the main window owns the sheet and waits for it.
  CScopedOverride<CWnd*> mainWindow(AfxGetApp()->m_pMainWnd, dialog.get());
  g_stores = 0;
  static bool ownerEnabled;
  static size_t sheetsOpened;
  static bool asked;
  ownerEnabled = true;
  asked = false;
  OpenSheet(w, {[](CSettingsSheet& s) {
                  ownerEnabled = IsWindowEnabled(AfxGetApp()->m_pMainWnd->m_hWnd);
                  // The tray menu's command while the sheet is open opens no second one.
                  if (!asked) {
                    asked = true;
                    SendMessageA(AfxGetApp()->m_pMainWnd->m_hWnd, WM_COMMAND, IDC_SETTINGS, 0);
                  }
                  sheetsOpened = size_t(std::count(parts_recorder::log.begin(), parts_recorder::log.end(),
                                                   std::string("runSettingsSheet")));
                  Type(s.m_display1, IDC_SET_COLOR_R, "20");
                  ClickOk(s);
                }});
  EXPECT_FALSE(ownerEnabled);
  EXPECT_EQ(sheetsOpened, 1u);
  EXPECT_TRUE(IsWindowEnabled(w));
  EXPECT_EQ(g_stores, 1);
  EXPECT_EQ(AppSettings.R, 20);
  EXPECT_NE(ReadProfile().find("R=20"), std::string::npos);
  const std::vector<std::string>& log = parts_recorder::log;
  auto destroyed = std::find(log.begin(), log.end(), "destroyLauncher");
  ASSERT_NE(destroyed, log.end());
  EXPECT_NE(std::find(destroyed, log.end(), "createLauncher"), log.end());
  ASSERT_TRUE(IsWindow(dialog->Launcher().m_hWnd));
  EXPECT_FALSE(IsWindowVisible(dialog->Launcher().m_hWnd));
}

TEST_F(SettingsFromMainWindowTest, CancelAfterChangesOnSeveralPagesChangesNothing) {
  HWND w = Open();
  FillDistinctSettings();
  AppSettings.R = 12;
  const SheetSettings before = Live();
  g_stores = 0;
  std::string shownAgain;
  OpenSheet(w, {[](CSettingsSheet& s) { Type(s.m_display1, IDC_SET_COLOR_R, "99"); },
                [](CSettingsSheet& s) { ClickTab(s, kDisplay2); },
                [](CSettingsSheet& s) {
                  Click(s.m_display2, IDC_SET_TOPMOST);
                  ClickTab(s, kMail);
                },
                [](CSettingsSheet& s) {
                  Type(s.m_mail, IDC_SET_MAIL_SERVER, "changed");
                  Choose(s.m_mail, IDC_SET_MAIL_ACCOUNT, 2);
                  PressEscape(s);
                }});
  EXPECT_EQ(ChangedKeys(before, Live()), std::vector<std::string>{});
  EXPECT_EQ(parts_recorder::log, std::vector<std::string>{"runSettingsSheet"});
  EXPECT_EQ(g_stores, 0);
  OpenSheet(w, {[&](CSettingsSheet& s) {
    shownAgain = ItemText(s.m_display1.m_hWnd, IDC_SET_COLOR_R);
    PressEscape(s);
  }});
  EXPECT_EQ(shownAgain, "12");
}

TEST_F(SettingsFromMainWindowTest, TimedShutdownIsOffAtTheFirstOpeningAfterEveryStart) {
  WriteProfile("[OPTION]\r\nShutdownHour=23\r\n");
  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start);
    HWND w = Open();
    std::vector<bool> shown;
    auto arm = [&](CSettingsSheet& s) {
      shown.push_back(Checked(s.m_extension1, IDC_SET_SHUTDOWN));
      if (!Checked(s.m_extension1, IDC_SET_SHUTDOWN))
        Click(s.m_extension1, IDC_SET_SHUTDOWN);
      ClickOk(s);
    };
    OpenSheet(w, {[](CSettingsSheet& s) { ClickTab(s, kExtension1); }, arm});
    EXPECT_TRUE(AppSettings.ShutdownArmed);
    EXPECT_EQ(AppSettings.ShutdownHour, 23);
    // Armed for the rest of this run.
    OpenSheet(w, {[](CSettingsSheet& s) { ClickTab(s, kExtension1); }, arm});
    EXPECT_EQ(shown, (std::vector<bool>{false, true}));
    dialog.reset();  // the program ends; the next pass starts it again
  }
}

}  // namespace
