#include "skin_button.h"

#include <cstdio>

void CSkinButton::SetBase(const char* base) { std::snprintf(m_base, sizeof m_base, "%s", base); }

void CSkinButton::PreSubclassWindow() { MakeOwnerDraw(); }

void CSkinButton::DrawItem(DRAWITEMSTRUCT* dis) {
  char path[300];
  std::snprintf(path, sizeof path, (dis->itemState & ODS_SELECTED) ? "%sD.bmp" : "%sU.bmp", m_base);
  HBITMAP bitmap = LoadBitmapFile(path);
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(dis->hDC);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  BitBlt(dis->hDC, dis->rcItem.left, dis->rcItem.top, info.bmWidth, info.bmHeight, memory, 0, 0,
         SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}
