// メール設定: three accounts edited through one set of fields, the check
// interval and the HTTPMail host.
#pragma once
#include "settings_page.h"

class CMyPropertyPage4 : public CSettingsPage {
 public:
  CMyPropertyPage4();
  int m_account = 0;  // the account the fields show, 0..2
  int m_enabled;
  char m_server[256], m_user[256], m_password[256];
  int m_security;  // 0 なし, 1 STARTTLS, 2 SSL/TLS
  int m_port;      // 0: the standard port of the mode
  int m_pitch;  // list index: the interval is one more minute
  char m_httpMailHost[256];

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void Transfer(bool store) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // The shown fields to or from one account's entry of the working copy.
  void TransferAccount(bool store, int account);
  void SwitchAccount();
};
