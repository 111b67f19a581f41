// メール設定: three accounts edited through one set of fields, the check
// interval and the HTTPMail host.
#pragma once
#include "settings_ui/settings_page.h"

class CMailPage : public CSettingsPage {
 public:
  explicit CMailPage(SheetSettings* values);
  int m_account = 0;  // the account the fields show, 0..2

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void SwitchAccount();
};
