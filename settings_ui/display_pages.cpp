#include "display_pages.h"

#include <commctrl.h>

#include "core/settings.h"
#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

// In the order of the status panel's items.
const char* const kStatusItems[] = {"時計", "総ﾒﾓﾘ容量", "空ﾒﾓﾘ容量", "CPU使用率",
                                    "ﾊﾞｯﾃﾘｰ残量", "ﾘｿｰｽ残量", "ﾈｯﾄ転送量"};
const char* const kMailRows[] = {"一段目", "二段目", "三段目"};

}  // namespace

CMyPropertyPage1::CMyPropertyPage1() : CSettingsPage(IDD_PAGE_DISPLAY1) { Transfer(false); }

void CMyPropertyPage1::Transfer(bool store) {
  SettingsCopy& w = SettingsWorkingCopy;
  Exchange(store, m_item1, w.Item1);
  Exchange(store, m_item2, w.Item2);
  Exchange(store, m_item3, w.Item3);
  Exchange(store, m_red, w.R);
  Exchange(store, m_green, w.G);
  Exchange(store, m_blue, w.B);
  Exchange(store, m_mailRow, w.Mail);
}

BOOL CMyPropertyPage1::OnInitDialog() {
  for (int id : {IDC_SET_ITEM1, IDC_SET_ITEM2, IDC_SET_ITEM3}) FillList(id, kStatusItems, 7);
  FillList(IDC_SET_MAIL_ROW, kMailRows, 3);
  return CSettingsPage::OnInitDialog();
}

void CMyPropertyPage1::DoDataExchange(CDataExchange* dx) {
  // Blue is checked before green and red. Read as signed numbers, so "-1"
  // gets the range message rather than wrapping to a large colour.
  DDX_CBIndex(dx, IDC_SET_ITEM1, m_item1);
  DDX_CBIndex(dx, IDC_SET_ITEM2, m_item2);
  DDX_Text(dx, IDC_SET_COLOR_B, m_blue);
  DDV_MinMaxInt(dx, m_blue, 0, 255);
  DDX_Text(dx, IDC_SET_COLOR_G, m_green);
  DDV_MinMaxInt(dx, m_green, 0, 255);
  DDX_Text(dx, IDC_SET_COLOR_R, m_red);
  DDV_MinMaxInt(dx, m_red, 0, 255);
  DDX_CBIndex(dx, IDC_SET_MAIL_ROW, m_mailRow);
  DDX_CBIndex(dx, IDC_SET_ITEM3, m_item3);
}

CMyPropertyPage2::CMyPropertyPage2() : CSettingsPage(IDD_PAGE_DISPLAY2) { Transfer(false); }

void CMyPropertyPage2::Transfer(bool store) {
  SettingsCopy& w = SettingsWorkingCopy;
  Exchange(store, m_topMost, w.TopMostEnable);
  Exchange(store, m_fixed, w.MoveEnable);
  Exchange(store, m_tips, w.TipEnable);
  Exchange(store, m_opacity, w.Skelton);
}

BOOL CMyPropertyPage2::OnInitDialog() {
  BOOL result = CSettingsPage::OnInitDialog();
  SendDlgItemMessageA(m_hWnd, IDC_SET_OPACITY_SPIN, UDM_SETRANGE, 0, MAKELPARAM(100, 0));
  return result;
}

void CMyPropertyPage2::DoDataExchange(CDataExchange* dx) {
  DDX_Check(dx, IDC_SET_TOPMOST, m_topMost);
  DDX_Check(dx, IDC_SET_FIXED, m_fixed);
  DDX_Text(dx, IDC_SET_OPACITY, m_opacity);
  DDV_MinMaxInt(dx, m_opacity, 0, 100);
  DDX_Check(dx, IDC_SET_TIPS, m_tips);
}
