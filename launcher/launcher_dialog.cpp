#include "launcher/launcher_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/opacity.h"
#include "core/placement.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/side_effects.h"
#include "framework/app.h"
#include "framework/bitmap_file.h"
#include "framework/files.h"
#include "framework/handles.h"
#include "framework/system_error.h"
#include "framework/text.h"
#include "framework/wide_text.h"
#include "framework/window_tools.h"
#include "resources/resource.h"

namespace {

// The page number's place, in the bottom-left corner under the engraving.
constexpr RECT kPageNumberPlace = {4, 62, 20, 74};

struct SkinButtonPlace {
  int id;
  const char* number;
  int x, y, width, height;
};
constexpr SkinButtonPlace kSkinButtonPlaces[3] = {
    {IDC_LUN_UP, "11", 200, 23, 16, 17},
    {IDC_LUN_DOWN, "12", 200, 42, 16, 17},
    {IDC_LUN_CLOSE, "13", 4, 4, 16, 16},
};

const char kLauncherCaption[] = "ランチャー";
const char kTooLongText[] =
    "パスが長すぎるため登録できません。\nパスが 259 バイト以内のファイルを登録してください。";
// A value made longer than a path by editing the profile.
const char kTooLongToOpenText[] =
    "登録されているパスが長すぎるため起動できません。\nこのボタンにファイルを登録し直してください。";
const char kCannotOpenText[] = "次のファイルを開けませんでした。";
// The profile holds code page 932 only: such a name would be stored as another.
const char kUnstorableNameText[] =
    "次のファイルは、名前にシフトJISで表せない文字が含まれているため登録できません。\n";

// An entry as read from the profile; a value that does not fit a path of the
// platform (possible only by editing the file) is no usable entry, and is
// never cut to another path.
bool ReadEntry(int n, const char* fallback, char* path) {
  char key[16];
  LauncherKey(n, key, sizeof key);
  char value[4 * MAX_PATH];
  AfxGetApp()->GetProfileStringA(kLauncherSection, key, fallback, value, sizeof value);
  path[0] = '\0';
  if (std::strlen(value) > kLauncherPathMax) return false;
  std::strcpy(path, value);
  return true;
}

}  // namespace

CLauncherDialog::CLauncherDialog() : CDialog(IDD_LAUNCHER) { m_keysNeverClose = true; }

CLauncherDialog::~CLauncherDialog() {
  // Destroyed here, while the object is whole, so WM_DESTROY frees the brush.
  if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow();
  if (m_pageBrush) DeleteObject(m_pageBrush);
}

void CLauncherDialog::SetSkinFolder(const char* folder) {
  std::snprintf(m_skinFolder, sizeof m_skinFolder, "%s", folder);
}

void CLauncherDialog::BackgroundPath(char* path, size_t size) const {
  std::snprintf(path, size, "%s10.bmp", m_skinFolder);
}

BOOL CLauncherDialog::OnInitDialog() {
  if (OsClass == kOsNt5) {
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    ApplyTransparency(m_hWnd, AppSettings.Skelton);
  }

  for (int i = 0; i < 3; ++i) {
    const SkinButtonPlace& place = kSkinButtonPlaces[i];
    char base[MAX_PATH + 8];
    std::snprintf(base, sizeof base, "%s%s", m_skinFolder, place.number);
    m_skinButtons[i].SubclassDlgItem(UINT(place.id), this);
    m_skinButtons[i].SetBase(base);
    SetWindowPos(GetDlgItem(place.id), nullptr, place.x, place.y, place.width, place.height,
                 SWP_NOZORDER);
  }
  for (int i = 0; i < kLauncherPageItems; ++i) {
    const LauncherItemPlace& place = kLauncherItems[i];
    m_items[i].SubclassDlgItem(UINT(place.id), this);
    SetWindowPos(GetDlgItem(place.id), nullptr, place.x, place.y, kLauncherItemSize,
                 kLauncherItemSize, SWP_NOZORDER);
  }
  const RECT& number = kPageNumberPlace;
  SetWindowPos(GetDlgItem(IDC_LUN_PAGE), nullptr, number.left, number.top,
               number.right - number.left, number.bottom - number.top, SWP_NOZORDER);

  // The page number sits on the launcher picture, in a colour that stands
  // out from the picture there.
  char path[MAX_PATH + 16];
  BackgroundPath(path, sizeof path);
  if (HBITMAP picture = LoadBitmapFile(path)) {
    CGdiObject<HBITMAP> owned(picture);
    m_pageBrush = CreatePatternBrush(picture);
    COLORREF under;
    {
      CMemoryDC memory(nullptr);
      CSelectObject selected(memory, picture);
      under = GetPixel(memory, (number.left + number.right) / 2, (number.top + number.bottom) / 2);
    }
    if (under != CLR_INVALID) {
      int light = GetRValue(under) * 3 + GetGValue(under) * 6 + GetBValue(under);
      m_pageColour = light > 1280 ? RGB(0, 0, 0) : RGB(255, 255, 255);
    }
  }

  m_toolTip = CreateToolTip(m_hWnd);
  if (m_toolTip) {
    for (const LauncherItemPlace& place : kLauncherItems)
      AddToolTip(m_toolTip, m_hWnd, GetDlgItem(place.id), "");
    if (AppSettings.TipEnable) {
      AddToolTip(m_toolTip, m_hWnd, GetDlgItem(IDC_LUN_UP), "スクロール↑");
      AddToolTip(m_toolTip, m_hWnd, GetDlgItem(IDC_LUN_DOWN), "スクロール↓");
    }
  }

  // Off the screen and hidden until the main window's launcher command.
  m_page = -1;
  SetWindowPos(m_hWnd, nullptr, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
               kLauncherWidth, kLauncherHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  m_page = 0;
  RefreshLauncherPage();
  ShowPageNumber();
  return FALSE;  // the hidden window takes no focus
}

void CLauncherDialog::ShowPageNumber() {
  char text[16];
  std::snprintf(text, sizeof text, "%d", m_page);
  SetDlgItemTextA(m_hWnd, IDC_LUN_PAGE, text);
}

void CLauncherDialog::ResetLauncherPage() {
  if (!m_hWnd) return;
  m_page = 0;
  ShowPageNumber();
  RefreshLauncherPage();
}

void CLauncherDialog::RefreshLauncherPage() {
  if (!m_hWnd || m_page < 0) return;
  char background[MAX_PATH + 16];
  BackgroundPath(background, sizeof background);
  CProfileBatch batch;  // the page's ten entries from one reading of the file
  for (int k = 1; k <= kLauncherPageItems; ++k) {
    char path[MAX_PATH];
    ReadEntry(LauncherEntry(m_page, k), "", path);
    CLauncherButton& button = m_items[k - 1];
    button.Set(k - 1, background, path);
    // The tool tip names the file, or says the entry holds nothing usable.
    const char* tip = "NONE";
    if (path[0] && FileExists(path)) {
      size_t separator = text::LastSeparator(path);
      tip = separator == std::string::npos ? path : path + separator + 1;
    }
    if (m_toolTip && button.m_hWnd) SetToolTipText(m_toolTip, m_hWnd, button.m_hWnd, tip);
    if (button.m_hWnd) {
      InvalidateRect(button.m_hWnd, nullptr, FALSE);
      UpdateWindow(button.m_hWnd);
    }
  }
}

void CLauncherDialog::Scroll(int delta) {
  m_page = ScrolledPage(m_page, delta);
  ShowPageNumber();
  RefreshLauncherPage();
}

void CLauncherDialog::StorePosition() {
  RECT r;
  GetWindowRect(m_hWnd, &r);
  SaveLauncherPlace(r.left, r.top);
}

void CLauncherDialog::OpenEntry(int n) {
  char path[MAX_PATH];
  if (!ReadEntry(n, "NONE", path)) {
    g_sideEffects.messageBox(m_hWnd, kTooLongToOpenText, kLauncherCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  // An empty value is no entry either.
  if (!path[0] || std::strcmp(path, "NONE") == 0) return;
  // The entry's own folder is its working folder; a bare name (only by
  // editing the profile) works in the program's folder.
  char folder[MAX_PATH] = "";
  FolderOfPath(path, folder, sizeof folder);
  if (!folder[0]) ProgramFolder(folder, sizeof folder);
  HINSTANCE result = g_sideEffects.shellExecute(m_hWnd, "open", path, nullptr,
                                                folder[0] ? folder : nullptr, SW_SHOWNORMAL);
  // A program removed or moved since it was registered: say so, and why.
  if (DWORD error = ShellExecuteError(reinterpret_cast<INT_PTR>(result))) {
    std::string text = std::string(kCannotOpenText) + "\n" + path;
    std::string reason = SystemErrorText(error);
    if (!reason.empty()) text += "\n\n" + reason;
    g_sideEffects.messageBox(m_hWnd, text.c_str(), kLauncherCaption, MB_OK | MB_ICONEXCLAMATION);
  }
}

void CLauncherDialog::LaunchItem(int k) {
  int n = LauncherEntry(m_page, k);
  if (GetKeyState(VK_SHIFT) < 0) {
    char key[16];
    LauncherKey(n, key, sizeof key);
    AfxGetApp()->WriteProfileStringA(kLauncherSection, key, nullptr);
    RefreshLauncherPage();
    return;
  }
  OpenEntry(n);
  StorePosition();
  if (AppSettings.LunCloseEnable) {
    LauncherVisible = false;
    ShowWindow(m_hWnd, SW_HIDE);
  }
}

void CLauncherDialog::LaunchEntry(int n) {
  if (n >= 1 && n <= kLauncherPages * kLauncherPageItems) OpenEntry(n);
}

void CLauncherDialog::OnDropFiles(HDROP drop) {
  // The shell's own name, so that one code page 932 cannot hold is refused
  // rather than stored as the look-alike or "?" the 8-bit form would give.
  UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring wide(length, L'\0');
  if (length) wide.resize(DragQueryFileW(drop, 0, &wide[0], length + 1));
  DragFinish(drop);
  std::string path;
  bool exact = NarrowExact(wide, CP_ACP, &path);
  POINT cursor;
  RECT r;
  GetCursorPos(&cursor);
  GetWindowRect(m_hWnd, &r);
  int n = DropEntry(m_page, cursor.x - r.left, cursor.y - r.top);
  if (n && !wide.empty()) {
    if (!exact) {
      ShowMessage(m_hWnd, Widen(kUnstorableNameText, CP_ACP) + wide, kLauncherCaption, MB_OK | MB_ICONINFORMATION);
    } else if (path.size() <= kLauncherPathMax) {
      char key[16];
      LauncherKey(n, key, sizeof key);
      AfxGetApp()->WriteProfileStringA(kLauncherSection, key, path.c_str());
    } else {
      // Stored cut, it would name another file.
      g_sideEffects.messageBox(m_hWnd, kTooLongText, kLauncherCaption, MB_OK | MB_ICONINFORMATION);
    }
  }
  RefreshLauncherPage();
}

void CLauncherDialog::OnMove() {
  // The main window brings the launcher in from off the screen without a
  // repaint; a system that keeps no picture of a window off the screen (as
  // under X) would leave the new place unpainted.
  if (IsWindowVisible(m_hWnd))
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (!LauncherVisible || m_page == -1) return;
  RECT r;
  GetWindowRect(m_hWnd, &r);
  Placement p = KeepOnScreen(r.left, r.top, r.left, r.top, r.right, r.bottom,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                             kLauncherWidth, kLauncherHeight);
  if (p.move) MoveWindow(m_hWnd, p.x, p.y, kLauncherWidth, kLauncherHeight, TRUE);
}

void CLauncherDialog::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hWnd, &ps);
  char path[MAX_PATH + 16];
  BackgroundPath(path, sizeof path);
  if (HBITMAP picture = LoadBitmapFile(path)) {
    BITMAP info = {};
    GetObjectA(picture, sizeof info, &info);
    CGdiObject<HBITMAP> owned(picture);
    CMemoryDC memory(dc);
    CSelectObject selected(memory, picture);
    BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
  }
  EndPaint(m_hWnd, &ps);
}

HBRUSH CLauncherDialog::PageNumberBackground(HDC dc) {
  SetTextColor(dc, m_pageColour);
  SetBkMode(dc, TRANSPARENT);
  if (!m_pageBrush) return nullptr;
  // Line the picture up with the window so the number sits on it seamlessly.
  SetBrushOrgEx(dc, -kPageNumberPlace.left, -kPageNumberPlace.top, nullptr);
  return m_pageBrush;
}

void CLauncherDialog::OnCommand(int id, int code) {
  switch (id) {
    case IDC_LUN_UP:
    case IDC_LUN_DOWN:
      // Each click of a quick series turns one more page.
      if (code == BN_CLICKED || code == BN_DOUBLECLICKED) Scroll(id == IDC_LUN_UP ? -1 : 1);
      break;
    case IDC_LUN_CLOSE:
      if (code == BN_CLICKED) {
        StorePosition();
        LauncherVisible = false;
        ShowWindow(m_hWnd, SW_HIDE);
      }
      break;
    default:
      // The second click of a double click is no second launch.
      if (int k = LauncherItemOfControl(id); k && code == BN_CLICKED) LaunchItem(k);
      break;
  }
}

LRESULT CLauncherDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return 0;
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL: {
      int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      if (delta) Scroll(delta > 0 ? -1 : 1);
      return 0;
    }
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      DragBySurface(m_hWnd, lParam);
      return Default();
    case WM_MOVE: {
      LRESULT result = Default();
      OnMove();
      return result;
    }
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_LUN_PAGE)) {
        if (HBRUSH brush = PageNumberBackground(reinterpret_cast<HDC>(wParam))) return LRESULT(brush);
      }
      break;
    case WM_DESTROY:
      m_toolTip = nullptr;  // owned by this window, it goes with it
      if (m_pageBrush) DeleteObject(m_pageBrush);
      m_pageBrush = nullptr;
      m_page = -1;
      break;
    default:
      break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}
