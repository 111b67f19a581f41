// The two display pages: what the status panel shows and in which colour,
// and how the main window behaves.
#pragma once
#include "settings_page.h"

// 表示設定１: the three status rows, the text colour and the mail row.
class CMyPropertyPage1 : public CSettingsPage {
 public:
  CMyPropertyPage1();
  int m_item1, m_item2, m_item3;
  int m_red, m_green, m_blue;
  int m_mailRow;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void Transfer(bool store) override;
};

// 表示設定２: top-most, fixed place, tool tips and opacity.
class CMyPropertyPage2 : public CSettingsPage {
 public:
  CMyPropertyPage2();
  int m_topMost, m_fixed, m_tips;
  int m_opacity;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void Transfer(bool store) override;
};
