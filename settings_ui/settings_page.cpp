#include "settings_ui/settings_page.h"

#include <cstdio>

void CSettingsPage::OnDestroy() {
  // Every value already passed validation when the page was left or OK was
  // pressed, so this read cannot be refused.
  if (m_confirmed && m_values && UpdateData(true)) SettingsWorkingCopy = *m_values;
}

void CSettingsPage::FillList(int id, const char* const* entries, int count) {
  HWND list = GetDlgItem(id);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count; ++i)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries[i]));
}

void CSettingsPage::FillNumberList(int id, int first, int last) {
  HWND list = GetDlgItem(id);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (int n = first; n <= last; ++n) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", n);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
}

void CSettingsPage::LimitText(int id, size_t size) {
  SendMessageA(GetDlgItem(id), EM_LIMITTEXT, WPARAM(size - 1), 0);
}
