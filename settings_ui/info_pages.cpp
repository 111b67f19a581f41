#include "info_pages.h"

#include <commctrl.h>

#include "filetools/archive_bridge.h"
#include "framework/app.h"
#include "resources/resource.h"
#include "status/cpu_info.h"
#include "status/cpu_info_text.h"

CMyPropertyPage6::CMyPropertyPage6() : CSettingsPage(IDD_PAGE_DLL) {}

BOOL CMyPropertyPage6::OnInitDialog() {
  BOOL result = CSettingsPage::OnInitDialog();
  const struct {
    const char* title;
    int width;
  } columns[] = {{" DLL Name", 120}, {" Version", 80}, {" Format", 70}};
  HWND list = GetDlgItem(IDC_SET_DLL_LIST);
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = columns[i].width;
    column.pszText = const_cast<char*>(columns[i].title);
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(i), reinterpret_cast<LPARAM>(&column));
  }
  return result;
}

bool CMyPropertyPage6::OnSetActive() {
  HWND list = GetDlgItem(IDC_SET_DLL_LIST);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const archive::ArchiverRow& r : ArchiverRows()) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(r.name.c_str());
    int index = int(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) continue;
    const std::string* cells[] = {&r.version, &r.format};
    for (int column = 1; column <= 2; ++column) {
      LVITEMA cell = {};
      cell.iSubItem = column;
      cell.pszText = const_cast<char*>(cells[column - 1]->c_str());
      SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(index), reinterpret_cast<LPARAM>(&cell));
    }
    ++row;
  }
  return CSettingsPage::OnSetActive();
}

CMyPropertyPage8::CMyPropertyPage8() : CSettingsPage(IDD_PAGE_CPU) {}

BOOL CMyPropertyPage8::OnInitDialog() {
  BOOL result = CSettingsPage::OnInitDialog();
  CpuInfo info;
  int probe = ReadCpuInfo(&info);
  CpuLabel labels[kCpuLabelCount];
  if (ApplyCpuLabels(probe, info, labels)) {
    // In the order the labels come: vendor, type, family, model, stepping,
    // MMX, SSE, SSE2, 3DNow!, clock.
    const int ids[kCpuLabelCount] = {IDC_SET_CPU_VENDOR,   IDC_SET_CPU_TYPE, IDC_SET_CPU_FAMILY,
                                     IDC_SET_CPU_MODEL,    IDC_SET_CPU_STEPPING, IDC_SET_CPU_MMX,
                                     IDC_SET_CPU_SSE,      IDC_SET_CPU_SSE2, IDC_SET_CPU_3DNOW,
                                     IDC_SET_CPU_CLOCK};
    for (int i = 0; i < kCpuLabelCount; ++i) SetDlgItemTextA(m_hWnd, ids[i], labels[i]);
  }
  return result;
}

CMyPropertyPage5::CMyPropertyPage5() : CSettingsPage(IDD_PAGE_VERSION) {}

CMyPropertyPage5::~CMyPropertyPage5() {
  if (m_picture) DeleteObject(m_picture);
}

BOOL CMyPropertyPage5::OnInitDialog() {
  if (!m_picture)
    m_picture = static_cast<HBITMAP>(LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_VERSION),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  return CSettingsPage::OnInitDialog();
}

LRESULT CMyPropertyPage5::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
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
