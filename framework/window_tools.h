// Two things several of the program's windows do alike: tool tips over their
// controls, and being dragged by their surface (they have no caption).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "framework/app.h"

// A tool tip window owned by `owner`; it goes when the owner goes.
inline HWND CreateToolTip(HWND owner) {
  return CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, AfxGetInstanceHandle(),
                         nullptr);
}

// The record of the tip over `control`, a child of `owner`.
inline TOOLINFOA ToolTipRecord(HWND owner, HWND control, const char* text) {
  TOOLINFOA info = {};
  // The size every version of the common controls knows: without a
  // version-6 manifest a larger record is refused and no tip shows.
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.hwnd = owner;
  info.uId = UINT_PTR(control);
  info.lpszText = const_cast<char*>(text);
  return info;
}

// Shows `text` over `control`; the tip watches the control's mouse itself.
inline void AddToolTip(HWND toolTip, HWND owner, HWND control, const char* text) {
  TOOLINFOA info = ToolTipRecord(owner, control, text);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  SendMessageA(toolTip, TTM_ADDTOOLA, 0, LPARAM(&info));
}

inline void SetToolTipText(HWND toolTip, HWND owner, HWND control, const char* text) {
  TOOLINFOA info = ToolTipRecord(owner, control, text);
  SendMessageA(toolTip, TTM_UPDATETIPTEXTA, 0, LPARAM(&info));
}

// Starts the system's own move loop, as if the press at `screen` had been on
// the window's caption.
inline void DragBySurface(HWND window, POINT screen) {
  PostMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
}

// The same for the point of a WM_LBUTTONDOWN of the window itself.
inline void DragBySurface(HWND window, LPARAM clientPoint) {
  POINT at = {short(LOWORD(clientPoint)), short(HIWORD(clientPoint))};  // signed, as GET_X_LPARAM
  ClientToScreen(window, &at);
  DragBySurface(window, at);
}
