#include "option_pages.h"

#include <commctrl.h>

#include "core/settings.h"
#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

const char* const kLauncherPlaces[] = {"上", "下", "任意"};
constexpr int kMaxCleanSize = 2000;

}  // namespace

CMyPropertyPage3::CMyPropertyPage3() : CSettingsPage(IDD_PAGE_OPTIONS1) { Transfer(false); }

void CMyPropertyPage3::Transfer(bool store) {
  SettingsCopy& w = SettingsWorkingCopy;
  Exchange(store, m_startup, w.StartupEnable);
  if (store)
    w.ShutdownArmed = m_shutdownArmed != 0;
  else
    m_shutdownArmed = w.ShutdownArmed ? 1 : 0;
  Exchange(store, m_shutdownHour, w.ShutdownHour);
  Exchange(store, m_shutdownMinute, w.ShutdownMinute);
  Exchange(store, m_autoClean, w.AutoCleanEnable);
  Exchange(store, m_autoCleanMinute, w.AutoCleanMinute);
}

BOOL CMyPropertyPage3::OnInitDialog() {
  FillNumberList(IDC_SET_SHUTDOWN_HOUR, 0, 23);
  FillNumberList(IDC_SET_SHUTDOWN_MINUTE, 0, 59);
  FillNumberList(IDC_SET_AUTO_CLEAN_MINUTE, 1, 60);
  return CSettingsPage::OnInitDialog();
}

void CMyPropertyPage3::DoDataExchange(CDataExchange* dx) {
  DDX_Check(dx, IDC_SET_STARTUP, m_startup);
  DDX_Check(dx, IDC_SET_SHUTDOWN, m_shutdownArmed);
  DDX_CBIndex(dx, IDC_SET_SHUTDOWN_HOUR, m_shutdownHour);
  DDX_CBIndex(dx, IDC_SET_SHUTDOWN_MINUTE, m_shutdownMinute);
  DDX_Check(dx, IDC_SET_AUTO_CLEAN, m_autoClean);
  DDX_CBIndex(dx, IDC_SET_AUTO_CLEAN_MINUTE, m_autoCleanMinute);
}

CMyPropertyPage7::CMyPropertyPage7() : CSettingsPage(IDD_PAGE_OPTIONS2) { Transfer(false); }

void CMyPropertyPage7::Transfer(bool store) {
  SettingsCopy& w = SettingsWorkingCopy;
  Exchange(store, m_lunClose, w.LunCloseEnable);
  Exchange(store, m_lunReset, w.LunResetEnable);
  Exchange(store, m_lunPosition, w.LunPosition);
  Exchange(store, m_cleanSizeEnable, w.CleanSizeEnable);
  Exchange(store, m_cleanSize, w.CleanSize);
}

BOOL CMyPropertyPage7::OnInitDialog() {
  FillList(IDC_SET_LUN_POSITION, kLauncherPlaces, 3);
  BOOL result = CSettingsPage::OnInitDialog();
  SendDlgItemMessageA(m_hWnd, IDC_SET_CLEAN_SIZE_SPIN, UDM_SETRANGE, 0, MAKELPARAM(kMaxCleanSize, 0));
  return result;
}

void CMyPropertyPage7::DoDataExchange(CDataExchange* dx) {
  DDX_Check(dx, IDC_SET_LUN_CLOSE, m_lunClose);
  DDX_Check(dx, IDC_SET_CLEAN_SIZE_ENABLE, m_cleanSizeEnable);
  DDX_CBIndex(dx, IDC_SET_LUN_POSITION, m_lunPosition);
  DDX_Text(dx, IDC_SET_CLEAN_SIZE, m_cleanSize);
  DDV_MinMaxInt(dx, m_cleanSize, 0, kMaxCleanSize);
  DDX_Check(dx, IDC_SET_LUN_RESET, m_lunReset);
}
