// The launcher of the built program, used as a person uses it: the launcher
// button opens it above the main window, a click on an entry starts a real
// small program (a batch file) in the entry's folder, which leaves a marker.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/archivers/peers.h"
#include "tests/end_to_end/main_window_of.h"
#include "tests/test_files.h"

namespace {

using end_to_end::kHangGuardMs;
using end_to_end::ClickAt;
using end_to_end::WaitUntil;

std::string ProgramUnderTest() {
  const std::vector<std::string>& args = testing::internal::GetArgvs();
  return args.size() > 1 ? args[1] : std::string();
}

void ClickControl(HWND window, int id) {
  RECT r;
  ASSERT_TRUE(GetWindowRect(GetDlgItem(window, id), &r)) << id;
  ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

struct Found {
  DWORD pid;
  HWND window;
};

BOOL CALLBACK TakeLauncher(HWND hwnd, LPARAM param) {
  auto* found = static_cast<Found*>(reinterpret_cast<void*>(param));
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != found->pid || !IsWindowVisible(hwnd) || !GetDlgItem(hwnd, IDC_LUN_ITEM1)) return TRUE;
  found->window = hwnd;
  return FALSE;
}

HWND VisibleLauncherOf(DWORD pid) {
  Found found = {pid, nullptr};
  EnumWindows(TakeLauncher, LPARAM(&found));
  return found.window;
}

TEST(LauncherEndToEnd, ClickStartsTheEntryInItsFolder) {
  std::string program = ProgramUnderTest();
  ASSERT_FALSE(program.empty()) << "pass the path of tovix.exe";
  TempFolder folder;
  std::string exe = folder.File("tovix.exe");
  ASSERT_TRUE(CopyFileA(program.c_str(), exe.c_str(), FALSE)) << program;
  CreateDirectoryA(folder.File("tools").c_str(), nullptr);
  // Written where the batch file runs: its own folder, if the working folder is right.
  TempFolder::Write(folder.File("tools\\make marker.bat"), "@echo launched> marker.txt\r\n");
  TempFolder::Write(folder.File("tovix.ini"),
                    "[WINDOW]\r\nMainWindowX=100\r\nMainWindowY=300\r\nLunPosition=0\r\nLunCloseEnable=1\r\n"
                    "[LUN]\r\nlun01=" + folder.File("tools\\make marker.bat") + "\r\n");

  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             folder.File("").c_str(), &si, &process));
  HWND main = end_to_end::WaitForMainWindow(process.dwProcessId);
  ASSERT_NE(main, nullptr) << "no main window";
  // The window shows before it moves to its stored place: click it there.
  RECT placed = {};
  ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(main, &placed) && placed.left == 100 && placed.top == 300; }))
      << "the main window did not reach its stored place";

  ClickControl(main, IDC_LAUNCHER);
  // Shown off the screen first, then placed.
  HWND launcher = nullptr;
  RECT r = {};
  ASSERT_TRUE(WaitUntil([&] {
    return (launcher = VisibleLauncherOf(process.dwProcessId)) != nullptr && GetWindowRect(launcher, &r) &&
           r.left < GetSystemMetrics(SM_CXSCREEN);
  })) << "no launcher on the screen";
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 300 - 82);

  // Dragged from outside onto the second entry, a file whose name code page
  // 932 cannot spell is refused with a message, and nothing is stored.
  const std::string cafe = peers::UnixPath(folder.File("")) + "/Caf\xC3\xA9.txt";
  ASSERT_EQ(0, peers::Run("/", "touch " + peers::Quote(cafe)).exitCode);
  RECT item;
  ASSERT_TRUE(GetWindowRect(GetDlgItem(launcher, IDC_LUN_ITEM2), &item));
  const std::string source = std::string(TOVIX_SOURCE_DIR) + "/scripts/xdnd_drop.py";
  const std::string at =
      std::to_string((item.left + item.right) / 2) + " " + std::to_string((item.top + item.bottom) / 2);
  peers::Result drop =
      peers::Run("/", "/usr/bin/python3 " + peers::Quote(source) + " " + at + " " + peers::Quote(cafe));
  ASSERT_EQ(drop.exitCode, 0) << drop.output;
  HWND box = nullptr;
  std::string shown;
  ASSERT_TRUE(WaitUntil([&] { return !(shown = end_to_end::OpenBoxOf(process.dwProcessId, &box)).empty(); }));
  EXPECT_NE(shown.find("シフトJISで表せない文字"), std::string::npos) << shown;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_EQ(TempFolder::Read(folder.File("tovix.ini")).find("lun02"), std::string::npos);

  ClickControl(launcher, IDC_LUN_ITEM1);
  std::string marker = folder.File("tools\\marker.txt");
  EXPECT_TRUE(WaitUntil([&] { return TempFolder::Read(marker).rfind("launched", 0) == 0; }))
      << "the entry did not run in its folder";
  // Hidden after the start, its place stored.
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(launcher); }));
  std::string ini = TempFolder::Read(folder.File("tovix.ini"));
  EXPECT_NE(ini.find("LunWindowX=100\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("LunWindowY=218\r\n"), std::string::npos) << ini;

  ClickControl(main, IDC_QUIT);
  if (WaitForSingleObject(process.hProcess, kHangGuardMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "still running";
    TerminateProcess(process.hProcess, 9);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

}  // namespace
