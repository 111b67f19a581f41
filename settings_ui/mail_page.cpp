#include "mail_page.h"

#include <cstring>

#include "core/settings.h"
#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

const char* const kAccounts[] = {"アカウント１", "アカウント２", "アカウント３"};

struct AccountFields {
  int* enabled;
  char *server, *user, *password;
};
AccountFields Account(SettingsCopy& w, int account) {
  switch (account) {
    case 1: return {&w.Check2Enable, w.Server2, w.Usr2, w.Pass2};
    case 2: return {&w.Check3Enable, w.Server3, w.Usr3, w.Pass3};
    default: return {&w.Check1Enable, w.Server1, w.Usr1, w.Pass1};
  }
}

void Copy(char* to, const char* from) { CopyField(to, 256, from); }

}  // namespace

CMyPropertyPage4::CMyPropertyPage4() : CSettingsPage(IDD_PAGE_MAIL) {
  LoadAccount(0);
  m_pitch = SettingsWorkingCopy.Pitch;
  Copy(m_httpMailHost, SettingsWorkingCopy.HttpMailHost);
}

void CMyPropertyPage4::LoadAccount(int account) {
  AccountFields a = Account(SettingsWorkingCopy, account);
  m_enabled = *a.enabled;
  Copy(m_server, a.server);
  Copy(m_user, a.user);
  Copy(m_password, a.password);
}

void CMyPropertyPage4::StoreAccount(int account) const {
  AccountFields a = Account(SettingsWorkingCopy, account);
  *a.enabled = m_enabled;
  Copy(a.server, m_server);
  Copy(a.user, m_user);
  Copy(a.password, m_password);
}

BOOL CMyPropertyPage4::OnInitDialog() {
  FillList(IDC_SET_MAIL_ACCOUNT, kAccounts, 3);
  FillNumberList(IDC_SET_MAIL_PITCH, 1, 20);
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
  DDX_CBIndex(dx, IDC_SET_MAIL_PITCH, m_pitch);
  DDX_Text(dx, IDC_SET_MAIL_HTTP_HOST, m_httpMailHost);
}

void CMyPropertyPage4::SwitchAccount() {
  int shown = m_account;
  UpdateData(true);  // takes the new account's index too
  if (m_account < 0 || m_account > 2) m_account = shown;
  StoreAccount(shown);
  LoadAccount(m_account);
  CheckDlgButton(m_hWnd, IDC_SET_MAIL_ENABLE, m_enabled ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(m_hWnd, IDC_SET_MAIL_SERVER, m_server);
  SetDlgItemTextA(m_hWnd, IDC_SET_MAIL_USER, m_user);
  SetDlgItemTextA(m_hWnd, IDC_SET_MAIL_PASSWORD, m_password);
}

void CMyPropertyPage4::StoreFields() {
  StoreAccount(m_account);
  SettingsWorkingCopy.Pitch = m_pitch;
  Copy(SettingsWorkingCopy.HttpMailHost, m_httpMailHost);
}

LRESULT CMyPropertyPage4::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_SET_MAIL_ACCOUNT && HIWORD(wParam) == CBN_SELCHANGE)
    SwitchAccount();
  return CSettingsPage::WindowProc(msg, wParam, lParam);
}
