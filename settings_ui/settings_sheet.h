// The settings sheet: nine pages over SettingsWorkingCopy. The caller fills
// the working copy before and takes it back only when the sheet says IDOK.
#pragma once
#include <windows.h>

#include "framework/property_sheet.h"
#include "settings_ui/display_pages.h"
#include "settings_ui/info_pages.h"
#include "settings_ui/mail_page.h"
#include "settings_ui/option_pages.h"
#include "settings_ui/skin_page.h"

class CMyPropertySheet : public CPropertySheet {
 public:
  // Caption string 104, no parent (the main window owns it), no Help button;
  // the pages take their values from the working copy here.
  CMyPropertySheet();

  // In the order of their tabs.
  CMyPropertyPage1 m_display1;
  CMyPropertyPage2 m_display2;
  CMyPropertyPage3 m_options1;
  CMyPropertyPage7 m_options2;
  CMyPropertyPage9 m_skin;
  CMyPropertyPage4 m_mail;
  CMyPropertyPage6 m_dll;
  CMyPropertyPage8 m_cpu;
  CMyPropertyPage5 m_version;
};

// Runs the sheet modally: IDOK when confirmed, IDCANCEL, or IDABORT when a
// quit request ended it. The sheet has no parent: the application's main
// window owns it (and is disabled meanwhile), whatever `owner` says.
INT_PTR RunSettingsSheet(HWND owner);
