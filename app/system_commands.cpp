#include "app/system_commands.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "core/run_state.h"
#include "framework/files.h"
#include "framework/handles.h"
#include "framework/wide_text.h"
#include "status/samplers.h"
#include "core/settings.h"
#include "core/side_effects.h"

namespace {

const char kShortcutName[] = "\\tovix.lnk";

// The executable's folder without its trailing backslash (kept for a drive
// root, where "C:" alone would mean the drive's current folder).
void FolderWithoutSlash(char* folder, size_t size) {
  if (!ProgramFolder(folder, size)) return;
  size_t n = std::strlen(folder);
  if (n >= 2 && folder[n - 2] != ':') folder[n - 1] = '\0';
}

}  // namespace

void ShutdownSystem() {
  if (OsClass >= kOsNt) {
    g_sideEffects.enableShutdownPrivilege();
    g_sideEffects.exitWindows(EWX_POWEROFF, 0);
  } else {
    g_sideEffects.exitWindows(EWX_SHUTDOWN, 0);
  }
}

void ShowExitWindowsDialog() { ShowExitWindowsDialogFrom("shell32.dll"); }

void ShowExitWindowsDialogFrom(const char* library) {
  HMODULE module = LoadLibraryA(library);
  if (!module) return;
  // Through void* : a direct cast between unrelated function types warns.
  auto entry = reinterpret_cast<ExitWindowsDialogEntry>(
      reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(60))));
  if (entry) g_sideEffects.exitWindowsDialog(entry, nullptr);
  FreeLibrary(module);
}

void StartScreenSaver(HWND mainWindow) {
  g_sideEffects.postMessage(mainWindow, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

void TurnDisplayOff(HWND mainWindow) {
  g_sideEffects.postMessage(mainWindow, WM_SYSCOMMAND, SC_MONITORPOWER, 2);  // 2: power off
}

void EmptyRecycleBin() { g_sideEffects.emptyRecycleBin(nullptr, nullptr, 0); }

void ClearRecentDocuments() { g_sideEffects.addToRecentDocs(SHARD_PATH, nullptr); }

void SyncStartupShortcut(HWND mainWindow) {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, sizeof program);
  char link[MAX_PATH] = "";
  // Without a start-up folder the name alone would point at the drive's root.
  if (!g_sideEffects.startupFolder(mainWindow, link) || link[0] == '\0') return;
  if (strlen(link) + sizeof kShortcutName > sizeof link) return;
  strcat(link, kShortcutName);

  if (FileExists(link)) {
    // An existing shortcut is kept as it is, whatever it points to.
    if (!AppSettings.StartupEnable) DeleteFileA(link);
    return;
  }
  if (!AppSettings.StartupEnable) return;
  if (FAILED(CoInitialize(nullptr))) return;
  CreateShellLink(link, program, "Tovix", "/s", "", "", 0, SW_SHOWNORMAL);
  CoUninitialize();
}

HRESULT CreateShellLink(const char* linkPath, const char* target, const char* description,
                        const char* arguments, const char* workingFolder, const char* iconPath,
                        int iconIndex, int showCommand) {
  CComPtr<IShellLinkA> shellLink;
  HRESULT result =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, shellLink.OutVoid());
  if (FAILED(result)) return result;
  CComPtr<IPersistFile> file;
  result = shellLink->QueryInterface(IID_IPersistFile, file.OutVoid());
  if (FAILED(result)) return result;
  shellLink->SetPath(target);
  shellLink->SetDescription(description);
  shellLink->SetArguments(arguments);
  shellLink->SetWorkingDirectory(workingFolder);
  shellLink->SetIconLocation(iconPath, iconIndex);
  shellLink->SetShowCmd(showCommand);
  return file->Save(Widen(linkPath, CP_ACP).c_str(), TRUE);
}

void OpenHelpPage() {
  char folder[MAX_PATH];
  FolderWithoutSlash(folder, sizeof folder);
  char page[MAX_PATH + 16];
  strcpy(page, folder);
  size_t length = strlen(page);
  if (length && page[length - 1] != '\\') strcat(page, "\\");
  strcat(page, "Help.html");
  g_sideEffects.shellExecute(nullptr, "open", page, nullptr, folder, SW_SHOWNORMAL);
}
