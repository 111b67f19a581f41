// Finding the built program's main window from the test process.
#pragma once
#include <windows.h>

#include <string>

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

struct Box {
  DWORD pid;
  std::string text;
  HWND window;
};

inline BOOL CALLBACK AddChildText(HWND child, LPARAM param) {
  char text[512] = "";
  if (GetWindowTextA(child, text, sizeof text) > 0) *reinterpret_cast<std::string*>(param) += std::string(" ") + text;
  return TRUE;
}

inline BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  auto* box = reinterpret_cast<Box*>(param);
  DWORD owner = 0;
  char cls[32] = "";
  GetWindowThreadProcessId(hwnd, &owner);
  GetClassNameA(hwnd, cls, sizeof cls);
  // A visible dialog of the program that is neither its main window nor its launcher.
  if (owner != box->pid || !IsWindowVisible(hwnd) || std::string(cls) != "#32770" ||
      GetDlgItem(hwnd, IDC_DROP_ACTION) || GetDlgItem(hwnd, IDC_LUN_ITEM1))
    return TRUE;
  char caption[256] = "";
  GetWindowTextA(hwnd, caption, sizeof caption);
  box->text = std::string("[") + caption + "]";
  box->window = hwnd;
  EnumChildWindows(hwnd, AddChildText, LPARAM(&box->text));
  return FALSE;
}

// The caption and texts of a message box the program shows, or ""; the box
// itself into *window when asked.
inline std::string OpenBoxOf(DWORD pid, HWND* window = nullptr) {
  Box box = {pid, std::string(), nullptr};
  EnumWindows(FindBox, LPARAM(&box));
  if (window) *window = box.window;
  return box.text;
}

}  // namespace end_to_end
