#include "skin.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "../status/status_panel.h"
#include "settings.h"
#include "skin_button.h"

char SkinFolder[256] = "";

const SkinPlace kSkinPlaces[19] = {
    {1, 1001, 161, 24, 16, 16},  {2, 1002, 197, 6, 16, 16},   {3, 1003, 179, 6, 16, 16},
    {4, 1004, 161, 6, 16, 16},   {5, 1000, 179, 24, 34, 16},  {6, 1006, 6, 3, 44, 16},
    {21, 1007, 5, 48, 16, 16},   {22, 1008, 24, 48, 16, 16},  {23, 1009, 43, 48, 16, 16},
    {24, 1010, 62, 48, 16, 16},  {25, 1011, 81, 48, 16, 16},  {26, 1012, 200, 48, 16, 16},
    {27, 1013, 200, 179, 16, 16}, {28, 1014, 112, 179, 16, 16}, {29, 1015, 130, 179, 16, 16},
    {31, 1016, 5, 179, 21, 16},  {32, 1017, 28, 179, 21, 16}, {33, 1019, 71, 179, 37, 16},
    {34, 1018, 53, 179, 16, 16},
};

namespace {

bool FileExists(const char* path) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(path, &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

// A bitmap the size of the window's client area, covered with the picture.
HBITMAP TiledBitmap(HWND window, HBITMAP picture) {
  RECT client;
  GetClientRect(window, &client);
  BITMAP info = {};
  GetObjectA(picture, sizeof info, &info);
  if (client.right <= 0 || client.bottom <= 0 || info.bmWidth <= 0 || info.bmHeight <= 0)
    return nullptr;
  HDC screen = GetDC(window);
  HBITMAP tiled = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HDC to = CreateCompatibleDC(screen), from = CreateCompatibleDC(screen);
  HGDIOBJ oldTo = SelectObject(to, tiled), oldFrom = SelectObject(from, picture);
  for (int y = 0; y < client.bottom; y += info.bmHeight)
    for (int x = 0; x < client.right; x += info.bmWidth)
      BitBlt(to, x, y, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);
  SelectObject(to, oldTo);
  SelectObject(from, oldFrom);
  DeleteDC(to);
  DeleteDC(from);
  ReleaseDC(window, screen);
  return tiled;
}

void FormSkinFolder() { std::snprintf(SkinFolder, sizeof SkinFolder, ".\\skin\\%s\\", AppSettings.Skin); }

}  // namespace

void ApplySkin(HWND mainWindow) {
  FormSkinFolder();
  char path[300];
  std::snprintf(path, sizeof path, "%s00.bmp", SkinFolder);
  if (!FileExists(path)) {
    std::snprintf(AppSettings.Skin, sizeof AppSettings.Skin, "default");
    FormSkinFolder();
    std::snprintf(path, sizeof path, "%s00.bmp", SkinFolder);
  }

  for (const SkinPlace& place : kSkinPlaces) {
    HWND control = GetDlgItem(mainWindow, place.id);
    if (auto* button = dynamic_cast<CSkinButton*>(CWnd::FromHandle(control))) {
      char base[300];
      std::snprintf(base, sizeof base, "%s%02d", SkinFolder, place.number);
      button->SetBase(base);
    }
    if (control) {
      SetWindowPos(control, nullptr, place.x, place.y, place.width, place.height,
                   SWP_NOZORDER | SWP_SHOWWINDOW);
      InvalidateRect(control, nullptr, TRUE);
    }
  }

  HWND background = GetDlgItem(mainWindow, 1077);
  if (background) {
    SetWindowPos(background, nullptr, 0, 0, 220, 198, SWP_NOZORDER);
    HBITMAP picture = LoadBitmapFile(path);
    HGDIOBJ old = reinterpret_cast<HGDIOBJ>(
        SendMessageA(background, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(picture)));
    if (old && old != picture) DeleteObject(old);
  }
  LoadPanelBackground(path);
}

void ApplyListBackground(HWND list) {
  if (!list) return;
  char folder[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, folder, sizeof folder);
  if (char* slash = strrchr(folder, '\\')) slash[1] = '\0';
  char path[MAX_PATH * 2];
  std::snprintf(path, sizeof path, "%sskin\\%s", folder, AppSettings.ListViewBKImage);

  // The list gets a bitmap handle of its own size with the picture already
  // tiled on it: pictures by file path and tiling are not drawn everywhere.
  LVBKIMAGEA image = {};
  image.ulFlags = LVBKIF_SOURCE_NONE;
  if (HBITMAP picture = LoadBitmapFile(path)) {
    image.hbm = TiledBitmap(list, picture);
    DeleteObject(picture);
    if (image.hbm) image.ulFlags = LVBKIF_SOURCE_HBITMAP | LVBKIF_STYLE_NORMAL;
  }
  // The list owns the bitmap from here on, once it took it.
  if (!SendMessageA(list, LVM_SETBKIMAGEA, 0, LPARAM(&image)) && image.hbm) DeleteObject(image.hbm);
}
