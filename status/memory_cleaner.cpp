#include "status/memory_cleaner.h"

#include <cstdlib>
#include <cstring>

#include "core/settings.h"
#include "framework/handles.h"
#include "status/cleaning_plan.h"
#include "status/samplers.h"
#include "status/status_panel.h"

const CleanerMemory kSystemCleanerMemory = {std::malloc, std::free, ReadPhysicalMemory};
CleanerMemory g_cleanerMemory = kSystemCleanerMemory;

void ShowCleaningBanner(HWND mainWindow) {
  HDC dc = PanelWorkSurface();
  if (!dc) return;
  InvalidatePanelDrawing();  // the rows come back at the next refresh
  BitBlt(dc, kPanelRect.left, kPanelRect.top, kPanelRect.right - kPanelRect.left,
         kPanelRect.bottom - kPanelRect.top, PanelBackgroundSurface(), kPanelRect.left,
         kPanelRect.top, SRCCOPY);
  {
    CGdiObject<HFONT> font(CreatePanelFont(dc));
    CSelectObject selected(dc, font);
    SetTextColor(dc, PanelTextColour());
    const char* lines[] = {"I am cleaning ", "   memory now!", "Please wait..."};
    for (int i = 0; i < 3; ++i) TextOutA(dc, 64, 5 + 12 * i, lines[i], int(std::strlen(lines[i])));
  }
  // The run that follows blocks the window, so show it now.
  CWindowDC window(mainWindow);
  BitBlt(window, kPanelRect.left, kPanelRect.top, kPanelRect.right - kPanelRect.left,
         kPanelRect.bottom - kPanelRect.top, dc, kPanelRect.left, kPanelRect.top, SRCCOPY);
}

void CleanMemory(HWND mainWindow) {
  CleanMemoryWith(mainWindow, g_cleanerMemory.readPhysical(false), g_cleanerMemory.readPhysical(true));
}

void CleanMemoryWith(HWND mainWindow, unsigned long long total, unsigned long long available) {
  CleaningPlan plan =
      PlanCleaning(total, available, AppSettings.CleanSizeEnable != 0, AppSettings.CleanSize);
  if (!plan.run) return;
  ShowCleaningBanner(mainWindow);
  EnableWindow(mainWindow, FALSE);
  void* blocks[10] = {};
  size_t size = static_cast<size_t>(plan.blockSize);
  bool complete = plan.blockSize == size;  // a 32-bit build cannot claim more
  for (int i = 0; i < 10 && complete; ++i) {
    blocks[i] = g_cleanerMemory.allocate(size ? size : 1);
    complete = blocks[i] != nullptr;
  }
  // A block that cannot be had ends the run: the ones obtained are given back.
  if (complete)
    for (void* block : blocks) std::memset(block, 0, size);
  for (void* block : blocks)
    if (block) g_cleanerMemory.release(block);
  EnableWindow(mainWindow, TRUE);
}

void AutoCleanTick(HWND mainWindow) {
  if (AppSettings.AutoCleanEnable && LastCpuUsage < 50) CleanMemory(mainWindow);
}
