// The built program, started as a person starts it: its own folder with a
// prepared profile, its window on the display, ended with the mouse.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/end_to_end/main_window_of.h"
#include "tests/test_files.h"

namespace {

std::string g_program;  // path of tovix.exe, from the command line

using end_to_end::kHangGuardMs;
using end_to_end::ClickAt;
using end_to_end::WaitUntil;
HWND WaitForWindow(DWORD pid) { return end_to_end::WaitForMainWindow(pid); }

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(g_program.empty()) << "pass the path of tovix.exe";
    exe = folder.File("tovix.exe");
    ASSERT_TRUE(CopyFileA(g_program.c_str(), exe.c_str(), FALSE)) << g_program;
  }
  void TearDown() override {
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 9);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  void Start() {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string command = "\"" + exe + "\"";
    // Started from elsewhere: the program must make its own folder current.
    char elsewhere[MAX_PATH];
    GetTempPathA(MAX_PATH, elsewhere);
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               elsewhere, &si, &process));
  }
  TempFolder folder;
  std::string exe;
  PROCESS_INFORMATION process = {};
};

TEST_F(ProgramTest, OpensAtItsPlaceAndSavesItsStateWhenQuit) {
  TempFolder::Write(folder.File("tovix.ini"),
                    "[WINDOW]\r\nMainWindowX=100\r\nMainWindowY=120\r\nSize=198\r\nDDList=3\r\n"
                    "[MUSIC]\r\nVolume=640\r\nRepeatMode=2\r\n");
  Start();
  HWND window = WaitForWindow(process.dwProcessId);
  ASSERT_NE(window, nullptr) << "no main window";
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(r.right - r.left, 220);
  EXPECT_EQ(r.bottom - r.top, 198);

  // Press the quit button.
  RECT quit;
  ASSERT_TRUE(GetWindowRect(GetDlgItem(window, IDC_QUIT), &quit));
  ClickAt((quit.left + quit.right) / 2, (quit.top + quit.bottom) / 2);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, kHangGuardMs), WAIT_OBJECT_0) << "still running";
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);

  std::string ini = TempFolder::Read(folder.File("tovix.ini"));
  for (const char* line : {"MainWindowX=100\r\n", "MainWindowY=120\r\n", "DDList=3\r\n",
                           "Size=198\r\n", "Volume=640\r\n", "RepeatMode=2\r\n"})
    EXPECT_NE(ini.find(line), std::string::npos) << line << " missing in\n" << ini;
}

TEST_F(ProgramTest, StartsWithDefaultsWithoutProfileAndEndsOnAltF4) {
  Start();
  HWND window = WaitForWindow(process.dwProcessId);
  ASSERT_NE(window, nullptr) << "no main window";
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom - r.top, 67);

  // Alt+F4 as the keyboard hands it to the window: a system key with the Alt
  // bit, posted to the window itself so the display's input focus plays no part.
  const LPARAM altDown = LPARAM(1) | LPARAM(MapVirtualKeyA(VK_F4, 0) << 16) | (LPARAM(1) << 29);
  PostMessageA(window, WM_SYSKEYDOWN, VK_F4, altDown);
  PostMessageA(window, WM_SYSKEYUP, VK_F4, altDown | LPARAM(0xC0000000));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, kHangGuardMs), WAIT_OBJECT_0) << "still running";
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  std::string ini = TempFolder::Read(folder.File("tovix.ini"));
  EXPECT_NE(ini.find("Size=67\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Volume=1000\r\n"), std::string::npos) << ini;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc > 1) g_program = argv[1];
  return RUN_ALL_TESTS();
}
