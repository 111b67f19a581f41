// The status panel: three figure rows and the music/mail row, composed off
// screen and copied onto the main window by the tick.
#pragma once
#include <windows.h>

// Local hour x 100 + minute at the last refresh; -1 before the first.
extern int ClockHourMinute;
// The CPU usage figure of the last sample, in percent.
extern int LastCpuUsage;

// Clock reader used by the refresh; tests replace it to choose the time.
extern void(WINAPI* g_readLocalTime)(SYSTEMTIME* now);

void CreatePanelSurfaces(HWND mainWindow);
// Samples, composes the panel off screen and updates ClockHourMinute.
void RefreshStatusPanel(HWND mainWindow);
// Copies the two panel areas onto the window.
void BlitStatusPanel(HWND mainWindow);
