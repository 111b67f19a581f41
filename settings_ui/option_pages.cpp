#include "option_pages.h"

#include <commctrl.h>

#include "core/settings.h"
#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

const char* const kLauncherPlaces[] = {"上", "下", "任意"};
constexpr int kMaxCleanSize = 2000;

}  // namespace

CMyPropertyPage3::CMyPropertyPage3() : CSettingsPage(IDD_PAGE_OPTIONS1) {
  const SettingsCopy& w = SettingsWorkingCopy;
  m_startup = w.StartupEnable;
  m_shutdownArmed = w.ShutdownArmed ? 1 : 0;
  m_shutdownHour = w.ShutdownHour;
  m_shutdownMinute = w.ShutdownMinute;
  m_autoClean = w.AutoCleanEnable;
  m_autoCleanMinute = w.AutoCleanMinute;
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

void CMyPropertyPage3::StoreFields() {
  SettingsCopy& w = SettingsWorkingCopy;
  w.StartupEnable = m_startup;
  w.ShutdownArmed = m_shutdownArmed != 0;
  w.ShutdownHour = m_shutdownHour;
  w.ShutdownMinute = m_shutdownMinute;
  w.AutoCleanEnable = m_autoClean;
  w.AutoCleanMinute = m_autoCleanMinute;
}

CMyPropertyPage7::CMyPropertyPage7() : CSettingsPage(IDD_PAGE_OPTIONS2) {
  const SettingsCopy& w = SettingsWorkingCopy;
  m_lunClose = w.LunCloseEnable;
  m_lunReset = w.LunResetEnable;
  m_lunPosition = w.LunPosition;
  m_cleanSizeEnable = w.CleanSizeEnable;
  m_cleanSize = w.CleanSize;
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

void CMyPropertyPage7::StoreFields() {
  SettingsCopy& w = SettingsWorkingCopy;
  w.LunCloseEnable = m_lunClose;
  w.LunResetEnable = m_lunReset;
  w.LunPosition = m_lunPosition;
  w.CleanSizeEnable = m_cleanSizeEnable;
  w.CleanSize = m_cleanSize;
}
