#include "mail_page.h"

#include "core/settings.h"
#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

const char* const kAccounts[] = {"アカウント１", "アカウント２", "アカウント３"};
const char* const kSecurity[] = {"なし", "STARTTLS", "SSL/TLS"};

}  // namespace

CMyPropertyPage4::CMyPropertyPage4() : CSettingsPage(IDD_PAGE_MAIL) { Transfer(false); }

void CMyPropertyPage4::TransferAccount(bool store, int account) {
  using Text = char[256];
  static const struct {
    int SettingsCopy::*enabled;
    Text SettingsCopy::*server;
    Text SettingsCopy::*user;
    Text SettingsCopy::*password;
    int SettingsCopy::*security;
    int SettingsCopy::*port;
  } kAccountFields[] = {
      {&SettingsCopy::Check1Enable, &SettingsCopy::Server1, &SettingsCopy::Usr1, &SettingsCopy::Pass1,
       &SettingsCopy::Security1, &SettingsCopy::Port1},
      {&SettingsCopy::Check2Enable, &SettingsCopy::Server2, &SettingsCopy::Usr2, &SettingsCopy::Pass2,
       &SettingsCopy::Security2, &SettingsCopy::Port2},
      {&SettingsCopy::Check3Enable, &SettingsCopy::Server3, &SettingsCopy::Usr3, &SettingsCopy::Pass3,
       &SettingsCopy::Security3, &SettingsCopy::Port3},
  };
  const auto& fields = kAccountFields[account >= 0 && account < 3 ? account : 0];
  SettingsCopy& w = SettingsWorkingCopy;
  Exchange(store, m_enabled, w.*fields.enabled);
  Exchange(store, m_server, w.*fields.server);
  Exchange(store, m_user, w.*fields.user);
  Exchange(store, m_password, w.*fields.password);
  Exchange(store, m_security, w.*fields.security);
  Exchange(store, m_port, w.*fields.port);
}

void CMyPropertyPage4::Transfer(bool store) {
  TransferAccount(store, m_account);
  Exchange(store, m_pitch, SettingsWorkingCopy.Pitch);
  Exchange(store, m_httpMailHost, SettingsWorkingCopy.HttpMailHost);
}

BOOL CMyPropertyPage4::OnInitDialog() {
  FillList(IDC_SET_MAIL_ACCOUNT, kAccounts, 3);
  FillNumberList(IDC_SET_MAIL_PITCH, 1, 20);
  FillList(IDC_SET_MAIL_SECURITY, kSecurity, 3);
  LimitText(IDC_SET_MAIL_PORT, 5);
  for (int id : {IDC_SET_MAIL_SERVER, IDC_SET_MAIL_USER, IDC_SET_MAIL_PASSWORD, IDC_SET_MAIL_HTTP_HOST})
    LimitText(id, 256);
  return CSettingsPage::OnInitDialog();
}

void CMyPropertyPage4::DoDataExchange(CDataExchange* dx) {
  DDX_CBIndex(dx, IDC_SET_MAIL_ACCOUNT, m_account);
  DDX_Check(dx, IDC_SET_MAIL_ENABLE, m_enabled);
  DDX_Text(dx, IDC_SET_MAIL_SERVER, m_server);
  DDX_Text(dx, IDC_SET_MAIL_USER, m_user);
  DDX_Text(dx, IDC_SET_MAIL_PASSWORD, m_password);
  // A value the list does not hold (none selected) is kept as it was.
  int security = m_security;
  DDX_CBIndex(dx, IDC_SET_MAIL_SECURITY, security);
  if (security >= 0) m_security = security;
  DDX_Text(dx, IDC_SET_MAIL_PORT, m_port);
  DDV_MinMaxInt(dx, m_port, 0, 65535);
  DDX_CBIndex(dx, IDC_SET_MAIL_PITCH, m_pitch);
  DDX_Text(dx, IDC_SET_MAIL_HTTP_HOST, m_httpMailHost);
}

void CMyPropertyPage4::SwitchAccount() {
  int shown = m_account;
  // A port out of range keeps the account shown until it is corrected.
  if (!UpdateData(true)) {  // takes the new account's index too
    m_account = shown;
    SendDlgItemMessageA(m_hWnd, IDC_SET_MAIL_ACCOUNT, CB_SETCURSEL, WPARAM(shown), 0);
    return;
  }
  if (m_account < 0 || m_account > 2) m_account = shown;
  TransferAccount(true, shown);
  TransferAccount(false, m_account);
  CheckDlgButton(m_hWnd, IDC_SET_MAIL_ENABLE, m_enabled ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(m_hWnd, IDC_SET_MAIL_SERVER, m_server);
  SetDlgItemTextA(m_hWnd, IDC_SET_MAIL_USER, m_user);
  SetDlgItemTextA(m_hWnd, IDC_SET_MAIL_PASSWORD, m_password);
  SendDlgItemMessageA(m_hWnd, IDC_SET_MAIL_SECURITY, CB_SETCURSEL, WPARAM(m_security), 0);
  SetDlgItemInt(m_hWnd, IDC_SET_MAIL_PORT, UINT(m_port), FALSE);
}

LRESULT CMyPropertyPage4::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_SET_MAIL_ACCOUNT && HIWORD(wParam) == CBN_SELCHANGE)
    SwitchAccount();
  return CSettingsPage::WindowProc(msg, wParam, lParam);
}
