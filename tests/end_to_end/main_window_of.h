// Finding the built program's main window from the test process.
#pragma once
#include <windows.h>

#include "resources/resource.h"
#include "tests/support/hang_guard.h"

namespace end_to_end {

using ::kHangGuardMs;

template <typename Condition>
bool WaitUntil(Condition done) {
  for (DWORD start = GetTickCount(); !done(); Sleep(20)) {
    if (GetTickCount() - start > kHangGuardMs) return false;
  }
  return true;
}

// A left click at a screen point, as the mouse gives it.
inline void ClickAt(int x, int y) {
  SetCursorPos(x, y);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

struct FoundWindow {
  DWORD pid;
  HWND window;
};

inline BOOL CALLBACK TakeMainWindow(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<FoundWindow*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != found->pid || !IsWindowVisible(hwnd) || !GetDlgItem(hwnd, IDC_DROP_ACTION)) return TRUE;
  found->window = hwnd;
  return FALSE;
}

// The visible main window (the one with the drop-action box) of a process.
inline HWND MainWindowOf(DWORD pid) {
  FoundWindow found = {pid, nullptr};
  EnumWindows(TakeMainWindow, LPARAM(&found));
  return found.window;
}

inline HWND WaitForMainWindow(DWORD pid) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = MainWindowOf(pid)) != nullptr; });
  return window;
}

}  // namespace end_to_end
