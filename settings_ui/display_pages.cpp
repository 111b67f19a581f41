#include "settings_ui/display_pages.h"

#include <commctrl.h>

#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

// In the order of the status panel's items.
const char* const kStatusItems[] = {"時計", "総ﾒﾓﾘ容量", "空ﾒﾓﾘ容量", "CPU使用率",
                                    "ﾊﾞｯﾃﾘｰ残量", "ﾘｿｰｽ残量", "ﾈｯﾄ転送量"};
const char* const kMailRows[] = {"一段目", "二段目", "三段目"};

}  // namespace

CDisplayPage1::CDisplayPage1(SheetSettings* values) : CSettingsPage(IDD_PAGE_DISPLAY1, values) {}

BOOL CDisplayPage1::OnInitDialog() {
  for (int id : {IDC_SET_ITEM1, IDC_SET_ITEM2, IDC_SET_ITEM3}) FillList(id, kStatusItems, 7);
  FillList(IDC_SET_MAIL_ROW, kMailRows, 3);
  return CSettingsPage::OnInitDialog();
}

void CDisplayPage1::DoDataExchange(CDataExchange* dx) {
  // Blue is checked before green and red. Read as signed numbers, so "-1"
  // gets the range message rather than wrapping to a large colour.
  SheetSettings& v = Values();
  DDX_CBIndex(dx, IDC_SET_ITEM1, v.Item1);
  DDX_CBIndex(dx, IDC_SET_ITEM2, v.Item2);
  DDX_Text(dx, IDC_SET_COLOR_B, v.B);
  DDV_MinMaxInt(dx, v.B, 0, 255);
  DDX_Text(dx, IDC_SET_COLOR_G, v.G);
  DDV_MinMaxInt(dx, v.G, 0, 255);
  DDX_Text(dx, IDC_SET_COLOR_R, v.R);
  DDV_MinMaxInt(dx, v.R, 0, 255);
  DDX_CBIndex(dx, IDC_SET_MAIL_ROW, v.Mail);
  DDX_CBIndex(dx, IDC_SET_ITEM3, v.Item3);
}

CDisplayPage2::CDisplayPage2(SheetSettings* values) : CSettingsPage(IDD_PAGE_DISPLAY2, values) {}

BOOL CDisplayPage2::OnInitDialog() {
  BOOL result = CSettingsPage::OnInitDialog();
  SendDlgItemMessageA(m_hWnd, IDC_SET_OPACITY_SPIN, UDM_SETRANGE, 0, MAKELPARAM(100, 0));
  return result;
}

void CDisplayPage2::DoDataExchange(CDataExchange* dx) {
  SheetSettings& v = Values();
  DDX_Check(dx, IDC_SET_TOPMOST, v.TopMostEnable);
  DDX_Check(dx, IDC_SET_FIXED, v.MoveEnable);
  DDX_Text(dx, IDC_SET_OPACITY, v.Skelton);
  DDV_MinMaxInt(dx, v.Skelton, 0, 100);
  DDX_Check(dx, IDC_SET_TIPS, v.TipEnable);
}
