// Commands that act on the machine: timed shutdown, the shell's exit dialog,
// screen saver, display power, recycle bin, recent documents, the start-up
// shortcut and the help page. Every call to the system goes through
// g_sideEffects, so tests record instead of acting.
#pragma once
#include <windows.h>

// Switches the computer off (with the shutdown privilege on the NT family).
void ShutdownSystem();
// The shell's exit-Windows dialog (shell32 ordinal 60). The caller saves the
// window state first.
void ShowExitWindowsDialog();
// The same with the entry looked up by ordinal 60 in the named library;
// nothing when the library or the entry is missing.
void ShowExitWindowsDialogFrom(const char* library);
void StartScreenSaver(HWND mainWindow);
void TurnDisplayOff(HWND mainWindow);
void EmptyRecycleBin();
void ClearRecentDocuments();
// Creates or deletes "tovix.lnk" in the start-up folder to match StartupEnable.
void SyncStartupShortcut(HWND mainWindow);
// Writes a shell link; returns the HRESULT of the save (or of the failed step).
HRESULT CreateShellLink(const char* linkPath, const char* target, const char* description,
                        const char* arguments, const char* workingFolder, const char* iconPath,
                        int iconIndex, int showCommand);
// Opens "Help.html" beside the program with the shell.
void OpenHelpPage();
