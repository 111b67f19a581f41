// The two pages of further options: start-up registration, timed shutdown
// and automatic cleaning; the launcher and the cleaning size.
#pragma once
#include "settings_page.h"

// 拡張設定１
class CMyPropertyPage3 : public CSettingsPage {
 public:
  CMyPropertyPage3();
  int m_startup;
  int m_shutdownArmed;  // never stored in the profile: off after every start
  int m_shutdownHour, m_shutdownMinute;
  int m_autoClean;
  int m_autoCleanMinute;  // list index: the interval is one more minute

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void Transfer(bool store) override;
};

// 拡張設定２
class CMyPropertyPage7 : public CSettingsPage {
 public:
  CMyPropertyPage7();
  int m_lunClose, m_lunReset;
  int m_lunPosition;
  int m_cleanSizeEnable;
  int m_cleanSize;  // megabytes

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void Transfer(bool store) override;
};
