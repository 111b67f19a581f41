// The two pages of further options: start-up registration, timed shutdown
// and automatic cleaning; the launcher and the cleaning size.
#pragma once
#include "settings_ui/settings_page.h"

// 拡張設定１
class CExtensionPage1 : public CSettingsPage {
 public:
  explicit CExtensionPage1(SheetSettings* values);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
};

// 拡張設定２
class CExtensionPage2 : public CSettingsPage {
 public:
  explicit CExtensionPage2(SheetSettings* values);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
};
