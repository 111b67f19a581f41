#include "settings_ui/libraries_page.h"

#include <commctrl.h>

#include "filetools/archive_bridge.h"
#include "resources/resource.h"

CLibrariesPage::CLibrariesPage() : CSettingsPage(IDD_PAGE_DLL) {}

BOOL CLibrariesPage::OnInitDialog() {
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

bool CLibrariesPage::OnSetActive() {
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

