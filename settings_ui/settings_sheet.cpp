#include "settings_sheet.h"

#include "resources/resource.h"

CMyPropertySheet::CMyPropertySheet() : CPropertySheet(IDS_SETTINGS_CAPTION, nullptr) {
  CPropertyPage* pages[] = {&m_display1, &m_display2, &m_options1, &m_options2, &m_skin,
                            &m_mail,     &m_dll,      &m_cpu,      &m_version};
  for (CPropertyPage* page : pages) {
    page->m_dwFlags &= ~PSP_HASHELP;
    AddPage(page);
  }
  m_dwFlags &= ~PSH_HASHELP;
}

INT_PTR RunSettingsSheet(HWND) {
  CMyPropertySheet sheet;
  return sheet.DoModal();
}
