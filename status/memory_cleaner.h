// The memory cleaner: claims a large amount of memory, writes all of it and
// gives it back at once, on command or on its timer while the CPU is idle.
#pragma once
#include <windows.h>

#include <cstddef>

// The memory a run claims and the figures it goes by: tests make an
// allocation fail or choose the figures the automatic run sees.
struct CleanerMemory {
  void* (*allocate)(size_t bytes);
  void (*release)(void* block);
  unsigned long long (*readPhysical)(bool available);
};
extern CleanerMemory g_cleanerMemory;
extern const CleanerMemory kSystemCleanerMemory;

// One run: the banner, the window disabled, ten blocks claimed, zeroed and freed.
void CleanMemory(HWND mainWindow);
// The same run for given memory figures.
void CleanMemoryWith(HWND mainWindow, unsigned long long total, unsigned long long available);
// Draws the banner into the panel and shows it on the window at once.
void ShowCleaningBanner(HWND mainWindow);
// Timer 5: cleans only when automatic cleaning is on and the last CPU figure
// is below 50 percent.
void AutoCleanTick(HWND mainWindow);
