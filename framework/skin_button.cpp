#include "framework/skin_button.h"

#include <cstdio>

void CSkinButton::SetBase(const char* base) { std::snprintf(m_base, sizeof m_base, "%s", base); }

void CSkinButton::PreSubclassWindow() { MakeOwnerDraw(); }

void CSkinButton::DrawItem(DRAWITEMSTRUCT* dis) {
  char path[MAX_PATH + 32];
  std::snprintf(path, sizeof path, (dis->itemState & ODS_SELECTED) ? "%sD.bmp" : "%sU.bmp", m_base);
  DrawBitmapFile(dis->hDC, dis->rcItem.left, dis->rcItem.top, -1, -1, path);
}
