#include "app/skin.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "core/placement.h"
#include "core/settings.h"
#include "framework/files.h"
#include "framework/handles.h"
#include "framework/text.h"
#include "resources/resource.h"
#include "status/status_panel.h"
#include "framework/skin_button.h"

char SkinFolder[256] = "";

const SkinPlace kSkinPlaces[19] = {
    {1, IDC_SETTINGS, 161, 24, 16, 16},    {2, IDC_QUIT, 197, 6, 16, 16},
    {3, IDC_HIDE, 179, 6, 16, 16},         {4, IDC_EXIT_WINDOWS, 161, 6, 16, 16},
    {5, IDC_LAUNCHER, 179, 24, 34, 16},    {6, IDC_CLEAN_MEMORY, 6, 3, 44, 16},
    {21, IDC_PLAY, 5, 48, 16, 16},         {22, IDC_PAUSE, 24, 48, 16, 16},
    {23, IDC_STOP, 43, 48, 16, 16},        {24, IDC_BACK, 62, 48, 16, 16},
    {25, IDC_FORWARD, 81, 48, 16, 16},     {26, IDC_OPEN_LIST, 200, 48, 16, 16},
    {27, IDC_CLOSE_LIST, 200, 179, 16, 16}, {28, IDC_MOVE_UP, 112, 179, 16, 16},
    {29, IDC_MOVE_DOWN, 130, 179, 16, 16}, {31, IDC_LOAD_LIST, 5, 179, 21, 16},
    {32, IDC_WRITE_LIST, 28, 179, 21, 16}, {33, IDC_DELETE_ALL, 71, 179, 37, 16},
    {34, IDC_DELETE, 53, 179, 16, 16},
};

namespace {

// A bitmap the size of the window's client area, covered with the picture.
HBITMAP TiledBitmap(HWND window, HBITMAP picture) {
  RECT client;
  GetClientRect(window, &client);
  BITMAP info = {};
  GetObjectA(picture, sizeof info, &info);
  if (client.right <= 0 || client.bottom <= 0 || info.bmWidth <= 0 || info.bmHeight <= 0)
    return nullptr;
  CWindowDC screen(window);
  HBITMAP tiled = CreateCompatibleBitmap(screen, client.right, client.bottom);
  CMemoryDC to(screen), from(screen);
  CSelectObject toBitmap(to, tiled), fromBitmap(from, picture);
  for (int y = 0; y < client.bottom; y += info.bmHeight)
    for (int x = 0; x < client.right; x += info.bmWidth)
      BitBlt(to, x, y, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);
  return tiled;
}

// False when the name does not fit: a cut-off folder would name another one.
bool FormSkinFolder() {
  int length = std::snprintf(SkinFolder, sizeof SkinFolder, ".\\skin\\%s\\", AppSettings.Skin);
  return length > 0 && size_t(length) < sizeof SkinFolder;
}

// The skin's background picture, or null when the skin cannot be used.
HBITMAP LoadSkinBackground(char* path, size_t size) {
  if (!NameStaysInFolder(AppSettings.Skin) || !FormSkinFolder()) return nullptr;
  std::snprintf(path, size, "%s00.bmp", SkinFolder);
  return LoadBitmapFile(path);
}

}  // namespace

bool NameStaysInFolder(const char* name) {
  bool onlyDots = true;
  for (const char* p = name; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    // The second byte of a double-byte character may be 0x5C, which is
    // then part of the character, not a folder separator.
    if (text::IsLeadByte(c) && p[1]) {
      ++p;
      onlyDots = false;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':') return false;
    if (c == '.' && p[1] == '.') return false;
    if (c != '.' && c != ' ') onlyDots = false;
  }
  // The system drops trailing dots and blanks: such a name means the folder itself.
  return !onlyDots;
}

void ApplySkin(HWND mainWindow) {
  // A skin whose background is missing or damaged, or whose name would lead
  // out of the skin folder, is replaced by the default skin as a whole.
  char path[300] = "";
  HBITMAP picture = LoadSkinBackground(path, sizeof path);
  if (!picture) {
    std::snprintf(AppSettings.Skin, sizeof AppSettings.Skin, "default");
    picture = LoadSkinBackground(path, sizeof path);
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

  HWND background = GetDlgItem(mainWindow, IDC_BACKGROUND);
  if (background) {
    SetWindowPos(background, nullptr, 0, 0, kMainWidth, kHeightList, SWP_NOZORDER);
    HGDIOBJ old = reinterpret_cast<HGDIOBJ>(
        SendMessageA(background, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(picture)));
    if (old && old != picture) DeleteObject(old);
  } else if (picture) {
    DeleteObject(picture);
  }
  LoadPanelBackground(path);
}

void ApplyListBackground(HWND list) {
  if (!list) return;
  char folder[MAX_PATH] = "";
  if (!ProgramFolder(folder, sizeof folder)) return;
  char path[MAX_PATH * 2];
  std::snprintf(path, sizeof path, "%sskin\\%s", folder, AppSettings.ListViewBKImage);

  // The list gets a bitmap handle of its own size with the picture already
  // tiled on it: pictures by file path and tiling are not drawn everywhere.
  LVBKIMAGEA image = {};
  image.ulFlags = LVBKIF_SOURCE_NONE;
  HBITMAP picture = NameStaysInFolder(AppSettings.ListViewBKImage) ? LoadBitmapFile(path) : nullptr;
  if (picture) {
    image.hbm = TiledBitmap(list, picture);
    DeleteObject(picture);
    if (image.hbm) image.ulFlags = LVBKIF_SOURCE_HBITMAP | LVBKIF_STYLE_NORMAL;
  }
  // The list owns the bitmap from here on, once it took it.
  if (!SendMessageA(list, LVM_SETBKIMAGEA, 0, LPARAM(&image)) && image.hbm) DeleteObject(image.hbm);
}
