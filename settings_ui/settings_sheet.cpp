#include "settings_ui/settings_sheet.h"

#include "resources/resource.h"

CSettingsSheet::CSettingsSheet() : CPropertySheet(IDS_SETTINGS_CAPTION, nullptr) {
  CPropertyPage* pages[] = {&m_display1, &m_display2, &m_extension1, &m_extension2, &m_skin,
                            &m_mail,     &m_libraries, &m_processor, &m_version};
  for (CPropertyPage* page : pages) {
    page->m_dwFlags &= ~PSP_HASHELP;
    AddPage(page);
  }
  m_dwFlags &= ~PSH_HASHELP;
}

INT_PTR RunSettingsSheet(HWND) {
  CSettingsSheet sheet;
  return sheet.DoModal();
}
