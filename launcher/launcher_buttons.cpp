#include "launcher_buttons.h"

#include <shellapi.h>

#include <cstdio>

#include "../framework/bitmap_file.h"
#include "../framework/files.h"
#include "launcher_rules.h"

namespace {

// Copies the bitmap file's part at (sourceX, sourceY) to (x, y) of dc; a
// picture that cannot be loaded draws nothing.
void DrawPicture(HDC dc, int x, int y, int width, int height, const char* path, int sourceX,
                 int sourceY) {
  HBITMAP bitmap = LoadBitmapFile(path);
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  if (width < 0 || height < 0) {
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
  }
  BitBlt(dc, x, y, width, height, memory, sourceX, sourceY, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

}  // namespace

void CLauncherButton::Set(int index, const char* background, const char* item) {
  m_index = index;
  std::snprintf(m_background, sizeof m_background, "%s", background);
  std::snprintf(m_item, sizeof m_item, "%s", item);
}

void CLauncherButton::PreSubclassWindow() { MakeOwnerDraw(); }

void CLauncherButton::DrawItem(DRAWITEMSTRUCT* dis) {
  const LauncherItemPlace& place = kLauncherItems[m_index % kLauncherPageItems];
  DrawPicture(dis->hDC, dis->rcItem.left, dis->rcItem.top, kLauncherItemSize, kLauncherItemSize,
              m_background, place.x, place.y);
  if (!m_item[0] || !FileExists(m_item)) return;
  SHFILEINFOA info = {};
  if (!SHGetFileInfoA(m_item, 0, &info, sizeof info, SHGFI_ICON | SHGFI_LARGEICON) || !info.hIcon)
    return;
  DrawIcon(dis->hDC, dis->rcItem.left, dis->rcItem.top, info.hIcon);
  DestroyIcon(info.hIcon);
}

void CLauncherSkinButton::SetBase(const char* base) {
  std::snprintf(m_base, sizeof m_base, "%s", base);
}

void CLauncherSkinButton::PreSubclassWindow() { MakeOwnerDraw(); }

void CLauncherSkinButton::DrawItem(DRAWITEMSTRUCT* dis) {
  char path[MAX_PATH + 32];
  std::snprintf(path, sizeof path, (dis->itemState & ODS_SELECTED) ? "%sD.bmp" : "%sU.bmp", m_base);
  DrawPicture(dis->hDC, dis->rcItem.left, dis->rcItem.top, -1, -1, path, 0, 0);
}
