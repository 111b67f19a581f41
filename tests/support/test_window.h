// Windows of a test's own class: a window procedure and nothing else.
#pragma once
#include <windows.h>

// Registers the class once per process (later calls find it); its atom, 0
// when it could not be registered.
inline ATOM TestWindowClass(const char* name, WNDPROC proc) {
  WNDCLASSA c = {};
  c.lpfnWndProc = proc;
  c.hInstance = GetModuleHandleA(nullptr);
  c.lpszClassName = name;
  ATOM atom = RegisterClassA(&c);
  if (atom) return atom;
  WNDCLASSEXA found = {};
  found.cbSize = sizeof found;
  return ATOM(GetClassInfoExA(c.hInstance, name, &found));
}

// A message-only window of that class: for what posts to a window and is
// never seen.
inline HWND CreateMessageWindow(const char* name, WNDPROC proc) {
  if (!TestWindowClass(name, proc)) return nullptr;
  return CreateWindowA(name, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
}
