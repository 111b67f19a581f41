#include "memory_cleaner.h"

#include "../app/settings.h"
#include "status_panel.h"

// The cleaning run itself comes with the status monitor.
void CleanMemory(HWND) {}

void AutoCleanTick(HWND mainWindow) {
  if (AppSettings.AutoCleanEnable && LastCpuUsage < 50) CleanMemory(mainWindow);
}
