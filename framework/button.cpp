#include "framework/button.h"

void CButton::DrawItem(DRAWITEMSTRUCT*) {}

void CButton::MakeOwnerDraw() {
  LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
  SetWindowLongA(m_hWnd, GWL_STYLE, (style & ~LONG(BS_TYPEMASK)) | BS_OWNERDRAW);
}

BOOL CButton::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return FALSE;
  DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
  *result = TRUE;
  return TRUE;
}
