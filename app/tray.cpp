#include "app/tray.h"

#include <shellapi.h>

#include <cstring>

#include "resources/resource.h"
#include "core/settings.h"
#include "core/side_effects.h"

const char kTrayTipText[] = "Tovix Ver.1.6.2";
bool TrayMailIconShown = false;
int TrayBlinkCounter = 0;
bool TrayBlinkPreviousResult = true;

namespace {

HICON ProgramIcon(int id) { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

void PutIcon(NOTIFYICONDATAA* record, int id) {
  record->hIcon = ProgramIcon(id);
  g_sideEffects.trayNotify(NIM_MODIFY, record);
}

void CheckByPosition(HMENU menu, UINT position, bool checked) {
  CheckMenuItem(menu, position, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

void AddTrayIcon(NOTIFYICONDATAA* record, HWND mainWindow) {
  ZeroMemory(record, sizeof *record);
  // The form with the 128-character tip, which every shell from Windows 2000
  // on accepts; the full size of today's headers is refused by older shells.
  record->cbSize = NOTIFYICONDATAA_V2_SIZE;
  record->hWnd = mainWindow;
  record->uID = 1;
  record->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record->uCallbackMessage = WM_TRAY_NOTIFY;
  record->hIcon = ProgramIcon(IDI_PROGRAM);
  strcpy(record->szTip, kTrayTipText);
  g_sideEffects.trayNotify(NIM_ADD, record);
}

void SetTrayTip(NOTIFYICONDATAA* record, const char* tip) {
  size_t n = strlen(tip);
  if (n >= sizeof record->szTip) n = sizeof record->szTip - 1;
  memcpy(record->szTip, tip, n);
  record->szTip[n] = '\0';
  g_sideEffects.trayNotify(NIM_MODIFY, record);
}

void RemoveTrayIcon(NOTIFYICONDATAA* record) { g_sideEffects.trayNotify(NIM_DELETE, record); }

bool TrayBlinkStep(NOTIFYICONDATAA* record) {
  int n = ++TrayBlinkCounter;
  bool result;
  if (n == 1) {
    PutIcon(record, IDI_MAIL);
    result = true;
  } else if (n == 6) {
    PutIcon(record, IDI_PROGRAM);
    result = false;
  } else {
    // Between the two icon changes the icon, and so the answer, stays.
    if (n > 8) TrayBlinkCounter = 0;
    result = TrayBlinkPreviousResult;
  }
  TrayBlinkPreviousResult = result;
  TrayMailIconShown = result;
  return result;
}

void RestoreTrayIcon(NOTIFYICONDATAA* record) {
  PutIcon(record, IDI_PROGRAM);
  TrayMailIconShown = false;
}

LRESULT OnTrayNotify(HWND mainWindow, LPARAM mouseMessage) {
  switch (UINT(mouseMessage)) {
    case WM_LBUTTONUP:
      ShowWindow(mainWindow, SW_SHOW);
      SetForegroundWindow(mainWindow);
      PostMessageA(mainWindow, WM_NULL, 0, 0);
      break;
    case WM_RBUTTONUP: {
      POINT cursor = {0, 0};
      GetCursorPos(&cursor);
      ShowTrayMenu(mainWindow, cursor.x, cursor.y);
      PostMessageA(mainWindow, WM_NULL, 0, 0);
      break;
    }
    default:
      break;
  }
  return 1;
}

void ShowTrayMenu(HWND mainWindow, int x, int y) {
  // Without being the foreground window the menu would stay open when the
  // user clicks elsewhere.
  SetForegroundWindow(mainWindow);
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  if (popup) {
    MarkTrayMenu(popup);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, mainWindow,
                   nullptr);
  }
  DestroyMenu(menu);
}

void MarkTrayMenu(HMENU popup) {
  CheckByPosition(popup, 6, AppSettings.Size > 46);  // the music row is shown
  CheckByPosition(popup, 9, AppSettings.TopMostEnable != 0);
  CheckByPosition(popup, 10, AppSettings.MoveEnable != 0);
  HMENU repeat = GetSubMenu(popup, 5);
  if (!repeat) return;
  int mode = AppSettings.RepeatMode;
  if (mode >= 0 && mode <= 2) {
    CheckMenuRadioItem(repeat, 0, 2, UINT(mode), MF_BYPOSITION);
  } else {
    for (UINT position = 0; position <= 2; ++position) CheckByPosition(repeat, position, false);
  }
}
