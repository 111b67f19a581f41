// Everything the program does to the machine beyond its own files and windows
// goes through this table, so that tests can record instead of acting.
#pragma once
#include <windows.h>

#include <string>

// The shell's exit-Windows dialog, exported by shell32 under ordinal 60 only.
typedef void(WINAPI* ExitWindowsDialogEntry)(HWND owner);

struct SideEffects {
  // Returns 0 on success, like WSAStartup.
  int (*socketStartup)();
  int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);

  // Shell_NotifyIconA.
  BOOL (*trayNotify)(DWORD message, NOTIFYICONDATAA* record);
  // Enables "SeShutdownPrivilege" in the process token (NT family).
  void (*enableShutdownPrivilege)();
  // ExitWindowsEx.
  BOOL (*exitWindows)(UINT flags, DWORD reason);
  // Calls the exit dialog's entry point found in shell32.
  void (*exitWindowsDialog)(ExitWindowsDialogEntry entry, HWND owner);
  // PostMessageA; used for the system commands that the default window
  // procedure carries out (screen saver, display power).
  BOOL (*postMessage)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // SHEmptyRecycleBinA.
  HRESULT (*emptyRecycleBin)(HWND owner, const char* rootPath, DWORD flags);
  // SHAddToRecentDocs.
  void (*addToRecentDocs)(UINT flags, const void* path);
  // The user's start-up folder (created if needed) into a MAX_PATH buffer;
  // FALSE when there is none.
  BOOL (*startupFolder)(HWND owner, char* folder);
  // ShellExecuteA.
  HINSTANCE (*shellExecute)(HWND owner, const char* verb, const char* file,
                            const char* parameters, const char* folder, int show);
  // mciSendStringA without a return string; 0 on success.
  DWORD (*mciCommand)(const char* command, HWND callback);
  // MessageBeep.
  BOOL (*messageBeep)(UINT type);
  // MessageBoxW, for texts naming files that code page 932 cannot hold
  // (ShowMessage chooses).
  int (*messageBoxW)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
};

extern SideEffects g_sideEffects;

// A message whose text may carry such a name: through messageBox when the
// program's code page holds the whole text (as every message did before),
// else through messageBoxW, so the user sees the real name.
int ShowMessage(HWND owner, const std::wstring& text, const char* caption, UINT type);
extern const SideEffects kSystemSideEffects;
