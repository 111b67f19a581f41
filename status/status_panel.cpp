#include "status_panel.h"

int ClockHourMinute = -1;
int LastCpuUsage = 0;

void(WINAPI* g_readLocalTime)(SYSTEMTIME* now) = GetLocalTime;

// The off-screen surfaces and the drawing of the rows come with the status
// panel; the clock is kept already, because the timed shutdown compares with it.
void CreatePanelSurfaces(HWND) {}

void RefreshStatusPanel(HWND) {
  SYSTEMTIME now;
  g_readLocalTime(&now);
  ClockHourMinute = now.wHour * 100 + now.wMinute;
}

void BlitStatusPanel(HWND) {}
