#include "settings_ui/mail_page.h"

#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

const char* const kAccounts[] = {"アカウント１", "アカウント２", "アカウント３"};
const char* const kSecurity[] = {"なし", "STARTTLS", "SSL/TLS"};

// One account's fields in the settings.
struct AccountFields {
  int& enabled;
  char (&server)[256];
  char (&user)[256];
  char (&password)[256];
  int& security;
  int& port;
};

AccountFields Account(SheetSettings& v, int account) {
  switch (account) {
    case 1:
      return {v.Check2Enable, v.Server2, v.Usr2, v.Pass2, v.Security2, v.Port2};
    case 2:
      return {v.Check3Enable, v.Server3, v.Usr3, v.Pass3, v.Security3, v.Port3};
    default:
      return {v.Check1Enable, v.Server1, v.Usr1, v.Pass1, v.Security1, v.Port1};
  }
}

}  // namespace

CMailPage::CMailPage(SheetSettings* values) : CSettingsPage(IDD_PAGE_MAIL, values) {}

BOOL CMailPage::OnInitDialog() {
  FillList(IDC_SET_MAIL_ACCOUNT, kAccounts, 3);
  FillNumberList(IDC_SET_MAIL_PITCH, 1, 20);
  FillList(IDC_SET_MAIL_SECURITY, kSecurity, 3);
  LimitText(IDC_SET_MAIL_PORT, 5);
  for (int id : {IDC_SET_MAIL_SERVER, IDC_SET_MAIL_USER, IDC_SET_MAIL_PASSWORD, IDC_SET_MAIL_HTTP_HOST})
    LimitText(id, 256);
  return CSettingsPage::OnInitDialog();
}

void CMailPage::DoDataExchange(CDataExchange* dx) {
  // The fields go to the account they showed; the newly chosen one is taken
  // only when they all passed.
  int chosen = m_account;
  DDX_CBIndex(dx, IDC_SET_MAIL_ACCOUNT, chosen);
  AccountFields a = Account(Values(), m_account);
  DDX_Check(dx, IDC_SET_MAIL_ENABLE, a.enabled);
  DDX_Text(dx, IDC_SET_MAIL_SERVER, a.server);
  DDX_Text(dx, IDC_SET_MAIL_USER, a.user);
  DDX_Text(dx, IDC_SET_MAIL_PASSWORD, a.password);
  // A value the list does not hold (none selected) is kept as it was.
  int security = a.security;
  DDX_CBIndex(dx, IDC_SET_MAIL_SECURITY, security);
  if (security >= 0) a.security = security;
  DDX_Text(dx, IDC_SET_MAIL_PORT, a.port);
  DDV_MinMaxInt(dx, a.port, 0, 65535);
  DDX_CBIndex(dx, IDC_SET_MAIL_PITCH, Values().Pitch);  // the interval is one more minute
  DDX_Text(dx, IDC_SET_MAIL_HTTP_HOST, Values().HttpMailHost);
  if (!dx->Failed() && chosen >= 0 && chosen <= 2) m_account = chosen;
}

void CMailPage::SwitchAccount() {
  int shown = m_account;
  // A port out of range keeps the account shown until it is corrected.
  if (!UpdateData(true)) {
    SendDlgItemMessageA(m_hWnd, IDC_SET_MAIL_ACCOUNT, CB_SETCURSEL, WPARAM(shown), 0);
    return;
  }
  UpdateData(false);  // the newly chosen account
}

LRESULT CMailPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_SET_MAIL_ACCOUNT && HIWORD(wParam) == CBN_SELCHANGE)
    SwitchAccount();
  return CSettingsPage::WindowProc(msg, wParam, lParam);
}
