#pragma once
#include "settings_ui/settings_page.h"

// ＣＰＵ情報: the probe runs (a one-second clock measurement) when the page
// first opens; if it fails the template's texts stand.
class CProcessorPage : public CSettingsPage {
 public:
  CProcessorPage();

 protected:
  BOOL OnInitDialog() override;
};
