// The two display pages: what the status panel shows and in which colour,
// and how the main window behaves.
#pragma once
#include "settings_ui/settings_page.h"

// 表示設定１: the three status rows, the text colour and the mail row.
class CDisplayPage1 : public CSettingsPage {
 public:
  explicit CDisplayPage1(SheetSettings* values);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
};

// 表示設定２: top-most, fixed place, tool tips and opacity.
class CDisplayPage2 : public CSettingsPage {
 public:
  explicit CDisplayPage2(SheetSettings* values);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
};
