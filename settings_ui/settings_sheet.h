// The settings sheet: nine pages over SettingsWorkingCopy.
#pragma once
#include <windows.h>

// Runs the sheet modally; IDOK when confirmed.
INT_PTR RunSettingsSheet(HWND owner);
