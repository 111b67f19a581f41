// The settings sheet: nine pages over SettingsWorkingCopy. The caller fills
// the working copy before and takes it back only when the sheet says IDOK.
#pragma once
#include <windows.h>

#include "core/settings.h"
#include "framework/property_sheet.h"
#include "settings_ui/display_pages.h"
#include "settings_ui/extension_pages.h"
#include "settings_ui/libraries_page.h"
#include "settings_ui/mail_page.h"
#include "settings_ui/processor_page.h"
#include "settings_ui/skin_page.h"
#include "settings_ui/version_page.h"

class CSettingsSheet : public CPropertySheet {
 public:
  // Caption IDS_SETTINGS_CAPTION, no parent (the main window owns it), no
  // Help button.
  CSettingsSheet();

 private:
  // What the pages exchange with, taken from the working copy here and given
  // back to it only when the sheet is confirmed. Before the pages: they
  // are built over it.
  SheetSettings m_values = SettingsWorkingCopy;

 public:
  // In the order of their tabs.
  CDisplayPage1 m_display1{&m_values};
  CDisplayPage2 m_display2{&m_values};
  CExtensionPage1 m_extension1{&m_values};
  CExtensionPage2 m_extension2{&m_values};
  CSkinPage m_skin{&m_values};
  CMailPage m_mail{&m_values};
  CLibrariesPage m_libraries;
  CProcessorPage m_processor;
  CVersionPage m_version;
};

// Runs the sheet modally: IDOK when confirmed, IDCANCEL, or IDABORT when a
// quit request ended it. The sheet has no parent: the application's main
// window owns it (and is disabled meanwhile), whatever `owner` says.
INT_PTR RunSettingsSheet(HWND owner);
