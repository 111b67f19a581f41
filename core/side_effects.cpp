#include <winsock2.h>  // before <windows.h>

#include "core/side_effects.h"

#include "framework/wide_text.h"

#include <shellapi.h>
#include <mmsystem.h>
#include <shlobj.h>

namespace {

int SystemSocketStartup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data);
}

int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}

BOOL SystemTrayNotify(DWORD message, NOTIFYICONDATAA* record) {
  return Shell_NotifyIconA(message, record);
}

void SystemEnableShutdownPrivilege() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return;
  }
  TOKEN_PRIVILEGES wanted = {};
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &wanted.Privileges[0].Luid);
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  TOKEN_PRIVILEGES previous;  // one privilege: 16 bytes
  DWORD previousSize = 0;
  AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previousSize);
  CloseHandle(token);
}

BOOL SystemExitWindows(UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); }

void SystemExitWindowsDialog(ExitWindowsDialogEntry entry, HWND owner) { entry(owner); }

BOOL SystemPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(window, message, wParam, lParam);
}

HRESULT SystemEmptyRecycleBin(HWND owner, const char* rootPath, DWORD flags) {
  return SHEmptyRecycleBinA(owner, rootPath, flags);
}

void SystemAddToRecentDocs(UINT flags, const void* path) { SHAddToRecentDocs(flags, path); }

BOOL SystemStartupFolder(HWND owner, char* folder) {
  return SHGetSpecialFolderPathA(owner, folder, CSIDL_STARTUP, TRUE);
}

HINSTANCE SystemShellExecute(HWND owner, const char* verb, const char* file, const char* parameters,
                             const char* folder, int show) {
  return ShellExecuteA(owner, verb, file, parameters, folder, show);
}

DWORD SystemMciCommand(const char* command, HWND callback) {
  return mciSendStringA(command, nullptr, 0, callback);
}

BOOL SystemMessageBeep(UINT type) { return MessageBeep(type); }

int SystemMessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return MessageBoxW(owner, text, caption, type);
}

}  // namespace

const SideEffects kSystemSideEffects = {
    SystemSocketStartup,
    SystemMessageBox,
    SystemTrayNotify,
    SystemEnableShutdownPrivilege,
    SystemExitWindows,
    SystemExitWindowsDialog,
    SystemPostMessage,
    SystemEmptyRecycleBin,
    SystemAddToRecentDocs,
    SystemStartupFolder,
    SystemShellExecute,
    SystemMciCommand,
    SystemMessageBeep,
    SystemMessageBoxW,
};
SideEffects g_sideEffects = kSystemSideEffects;

int ShowMessage(HWND owner, const std::wstring& text, const char* caption, UINT type) {
  std::string narrow;
  if (NarrowExact(text, CP_ACP, &narrow)) return g_sideEffects.messageBox(owner, narrow.c_str(), caption, type);
  return g_sideEffects.messageBoxW(owner, text.c_str(), Widen(caption, CP_ACP).c_str(), type);
}
