#pragma once
#include "settings_ui/settings_page.h"

// ＤＬＬ情報: one row per archiver library, refreshed at every activation so
// a library put beside the program while the sheet is open shows up.
class CLibrariesPage : public CSettingsPage {
 public:
  CLibrariesPage();

 protected:
  BOOL OnInitDialog() override;
  bool OnSetActive() override;
};
