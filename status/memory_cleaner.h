// The memory cleaner: on command, and on its timer while the CPU is idle.
#pragma once
#include <windows.h>

void CleanMemory(HWND mainWindow);
// Timer 5: cleans only when automatic cleaning is on and the last CPU figure
// is below 50 percent.
void AutoCleanTick(HWND mainWindow);
