#include "settings_ui/version_page.h"

#include "framework/app.h"
#include "resources/resource.h"

CVersionPage::CVersionPage() : CSettingsPage(IDD_PAGE_VERSION) {}

CVersionPage::~CVersionPage() {
  if (m_picture) DeleteObject(m_picture);
}

BOOL CVersionPage::OnInitDialog() {
  if (!m_picture)
    m_picture = static_cast<HBITMAP>(LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_VERSION),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  return CSettingsPage::OnInitDialog();
}

LRESULT CVersionPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
  if (msg != WM_DRAWITEM || wParam != IDC_SET_VERSION_PICTURE || !m_picture)
    return CSettingsPage::WindowProc(msg, wParam, lParam);
  BITMAP size = {};
  GetObjectA(m_picture, sizeof size, &size);
  const RECT& r = item->rcItem;
  // The static paints nothing of its own: lay the page's background first,
  // or a repaint would blend the soft edges over the last picture.
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(m_hWnd, WM_CTLCOLORSTATIC, WPARAM(item->hDC), LPARAM(item->hwndItem)));
  FillRect(item->hDC, &r, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
  HDC source = CreateCompatibleDC(item->hDC);
  HGDIOBJ old = SelectObject(source, m_picture);
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(item->hDC, (r.left + r.right - size.bmWidth) / 2, (r.top + r.bottom - size.bmHeight) / 2,
             size.bmWidth, size.bmHeight, source, 0, 0, size.bmWidth, size.bmHeight, blend);
  SelectObject(source, old);
  DeleteDC(source);
  return TRUE;
}
