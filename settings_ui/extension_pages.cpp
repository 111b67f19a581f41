#include "settings_ui/extension_pages.h"

#include <commctrl.h>

#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

const char* const kLauncherPlaces[] = {"上", "下", "任意"};
constexpr int kMaxCleanSize = 2000;

}  // namespace

CExtensionPage1::CExtensionPage1(SheetSettings* values) : CSettingsPage(IDD_PAGE_OPTIONS1, values) {}

BOOL CExtensionPage1::OnInitDialog() {
  FillNumberList(IDC_SET_SHUTDOWN_HOUR, 0, 23);
  FillNumberList(IDC_SET_SHUTDOWN_MINUTE, 0, 59);
  FillNumberList(IDC_SET_AUTO_CLEAN_MINUTE, 1, 60);
  return CSettingsPage::OnInitDialog();
}

void CExtensionPage1::DoDataExchange(CDataExchange* dx) {
  SheetSettings& v = Values();
  DDX_Check(dx, IDC_SET_STARTUP, v.StartupEnable);
  // Never stored in the profile: off after every start.
  int armed = v.ShutdownArmed ? 1 : 0;
  DDX_Check(dx, IDC_SET_SHUTDOWN, armed);
  v.ShutdownArmed = armed != 0;
  DDX_CBIndex(dx, IDC_SET_SHUTDOWN_HOUR, v.ShutdownHour);
  DDX_CBIndex(dx, IDC_SET_SHUTDOWN_MINUTE, v.ShutdownMinute);
  DDX_Check(dx, IDC_SET_AUTO_CLEAN, v.AutoCleanEnable);
  DDX_CBIndex(dx, IDC_SET_AUTO_CLEAN_MINUTE, v.AutoCleanMinute);  // the interval is one more minute
}

CExtensionPage2::CExtensionPage2(SheetSettings* values) : CSettingsPage(IDD_PAGE_OPTIONS2, values) {}

BOOL CExtensionPage2::OnInitDialog() {
  FillList(IDC_SET_LUN_POSITION, kLauncherPlaces, 3);
  BOOL result = CSettingsPage::OnInitDialog();
  SendDlgItemMessageA(m_hWnd, IDC_SET_CLEAN_SIZE_SPIN, UDM_SETRANGE, 0, MAKELPARAM(kMaxCleanSize, 0));
  return result;
}

void CExtensionPage2::DoDataExchange(CDataExchange* dx) {
  SheetSettings& v = Values();
  DDX_Check(dx, IDC_SET_LUN_CLOSE, v.LunCloseEnable);
  DDX_Check(dx, IDC_SET_CLEAN_SIZE_ENABLE, v.CleanSizeEnable);
  DDX_CBIndex(dx, IDC_SET_LUN_POSITION, v.LunPosition);
  DDX_Text(dx, IDC_SET_CLEAN_SIZE, v.CleanSize);  // megabytes
  DDV_MinMaxInt(dx, v.CleanSize, 0, kMaxCleanSize);
  DDX_Check(dx, IDC_SET_LUN_RESET, v.LunResetEnable);
}
