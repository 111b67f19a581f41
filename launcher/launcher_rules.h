// The launcher's arithmetic: entry numbers and their profile keys, paging,
// which entry a drop lands on, button places, opacity (pure).
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdio>

#include "resources/resource.h"

constexpr int kLauncherPages = 11;      // pages 0..10
constexpr int kLauncherLastPage = kLauncherPages - 1;
constexpr int kLauncherPageItems = 10;  // two rows of five
constexpr int kLauncherItemSize = 32;
// The longest path the platform opens (MAX_PATH less its terminator).
constexpr size_t kLauncherPathMax = 259;
// Profile section of the entries.
constexpr const char* kLauncherSection = "LUN";

// Entry n of the button in place k (1..10) of a page.
inline int LauncherEntry(int page, int k) { return page * kLauncherPageItems + k; }

// The profile key of entry n: lun01..lun99, then lun100..lun110.
inline void LauncherKey(int n, char* key, size_t size) { std::snprintf(key, size, "lun%2.2d", n); }

// The page after an arrow (delta -1 or +1) or a wheel notch, held to 0..10.
inline int ScrolledPage(int page, int delta) {
  int next = page + delta;
  return next < 0 ? 0 : next > kLauncherLastPage ? kLauncherLastPage : next;
}

// The entry a drop at (dx, dy) from the window's top-left registers, or 0
// outside the button band. The columns are 35 pixels wide from x 23, so they
// cover the buttons (34-pixel pitch) and the gaps between them.
inline int DropEntry(int page, int dx, int dy) {
  if (dx <= 23 || dx >= 198) return 0;
  int column = (dx - 23) / 35;
  return LauncherEntry(page, column + 1 + (dy >= 42 ? 5 : 0));
}

struct LauncherItemPlace {
  int id;
  int x, y;  // window pixels; also where the button's part of the background lies
};
// By place on the page, k = 1..10 at index k - 1.
constexpr LauncherItemPlace kLauncherItems[kLauncherPageItems] = {
    {IDC_LUN_ITEM1, 26, 8},  {IDC_LUN_ITEM2, 60, 8},  {IDC_LUN_ITEM3, 94, 8},
    {IDC_LUN_ITEM4, 128, 8}, {IDC_LUN_ITEM5, 162, 8}, {IDC_LUN_ITEM6, 26, 42},
    {IDC_LUN_ITEM7, 60, 42}, {IDC_LUN_ITEM8, 94, 42}, {IDC_LUN_ITEM9, 128, 42},
    {IDC_LUN_ITEM10, 162, 42},
};

// The place k (1..10) of an item button's control id, or 0.
inline int LauncherItemOfControl(int id) {
  for (int i = 0; i < kLauncherPageItems; ++i)
    if (kLauncherItems[i].id == id) return i + 1;
  return 0;
}

// The system error behind a ShellExecute result, or 0 for a launch that
// went well (above 32). The small results are system error codes already;
// the shell's own codes are turned into the error they stand for.
inline DWORD ShellExecuteError(INT_PTR result) {
  if (result > 32) return 0;
  switch (result) {
    case 0:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_SHARE:
      return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
      return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
      return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
      return ERROR_DLL_NOT_FOUND;
    default:
      return DWORD(result);  // file or folder not found, access denied, not a program...
  }
}
