// Where the program keeps its profile: beside itself, whatever its name.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/wide_text.h"
#include "resources/resource.h"
#include "tests/end_to_end/main_window_of.h"
#include "tests/test_files.h"

namespace {

std::string ProgramUnderTest() {
  const std::vector<std::string>& args = testing::internal::GetArgvs();
  return args.size() > 1 ? args[1] : std::string();
}

DWORD WaitForExit(const PROCESS_INFORMATION& process) {
  DWORD code = 99;
  if (WaitForSingleObject(process.hProcess, kHangGuardMs) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 9);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code;
}

TEST(ProgramFolder, RenamedWithAJapaneseNameKeepsItsProfileBesideItself) {
  TempFolder folder;
  // ソ ends in the byte of a backslash.
  std::string exe = folder.File("ソフト.exe");
  ASSERT_TRUE(CopyFileA(ProgramUnderTest().c_str(), exe.c_str(), FALSE)) << ProgramUnderTest();
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &process));
  HWND window = end_to_end::WaitForMainWindow(process.dwProcessId);
  ASSERT_NE(window, nullptr) << "no main window";
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_QUIT, BN_CLICKED), 0);
  EXPECT_EQ(WaitForExit(process), 0u);

  EXPECT_NE(TempFolder::Read(folder.File("tovix.ini")).find("Size=67\r\n"), std::string::npos);
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(folder.File("*").c_str(), &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    std::string name = found.cFileName;
    EXPECT_TRUE(name == "." || name == ".." || name == "ソフト.exe" || name == "tovix.ini" || name == "backup.m3u")
        << name;
  } while (FindNextFileA(h, &found));
  FindClose(h);
}

// The profile is written in code page 932: in a folder whose path it cannot
// spell, the program says so and stops instead of running on without one.
TEST(ProgramFolder, InAFolderTheCodePageCannotSpellItRefusesToStart) {
  TempFolder folder;
  const std::wstring inner = folder.File(L"Zo\u00eb"), exe = inner + L"\\tovix.exe";
  ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(Widen(ProgramUnderTest(), CP_ACP).c_str(), exe.c_str(), FALSE));
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION process = {};
  std::wstring command = L"\"" + exe + L"\"";
  ASSERT_TRUE(CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process));
  HWND box = nullptr;
  std::string text;
  end_to_end::WaitUntil([&] { return !(text = end_to_end::OpenBoxOf(process.dwProcessId, &box)).empty(); });
  EXPECT_NE(text.find("シフトJISで表せない文字"), std::string::npos) << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WaitForExit(process), 1u);
  EXPECT_EQ(GetFileAttributesW((inner + L"\\tovix.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
