#include "launcher/launcher_buttons.h"

#include <shellapi.h>

#include <cstdio>

#include "framework/bitmap_file.h"
#include "framework/files.h"
#include "launcher/launcher_rules.h"


void CLauncherButton::Set(int index, const char* background, const char* item) {
  m_index = index;
  std::snprintf(m_background, sizeof m_background, "%s", background);
  std::snprintf(m_item, sizeof m_item, "%s", item);
}

void CLauncherButton::PreSubclassWindow() { MakeOwnerDraw(); }

void CLauncherButton::DrawItem(DRAWITEMSTRUCT* dis) {
  const LauncherItemPlace& place = kLauncherItems[m_index % kLauncherPageItems];
  DrawBitmapFile(dis->hDC, dis->rcItem.left, dis->rcItem.top, kLauncherItemSize, kLauncherItemSize,
              m_background, place.x, place.y);
  if (!m_item[0] || !FileExists(m_item)) return;
  SHFILEINFOA info = {};
  if (!SHGetFileInfoA(m_item, 0, &info, sizeof info, SHGFI_ICON | SHGFI_LARGEICON) || !info.hIcon)
    return;
  DrawIcon(dis->hDC, dis->rcItem.left, dis->rcItem.top, info.hIcon);
  DestroyIcon(info.hIcon);
}
