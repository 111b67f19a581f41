// Everything the program does to the machine beyond its own files and windows
// goes through this table, so that tests can record instead of acting.
#pragma once
#include <windows.h>

struct SideEffects {
  // Returns 0 on success, like WSAStartup.
  int (*socketStartup)();
  int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
};

extern SideEffects g_sideEffects;
extern const SideEffects kSystemSideEffects;
