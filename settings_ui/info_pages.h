// The pages that only show information: the archiver libraries found, the
// processor, and the program's version.
#pragma once
#include "settings_page.h"

// ＤＬＬ情報: one row per archiver library, refreshed at every activation so
// a library put beside the program while the sheet is open shows up.
class CMyPropertyPage6 : public CSettingsPage {
 public:
  CMyPropertyPage6();

 protected:
  BOOL OnInitDialog() override;
  bool OnSetActive() override;
};

// ＣＰＵ情報: the probe runs (a one-second clock measurement) when the page
// first opens; if it fails the template's texts stand.
class CMyPropertyPage8 : public CSettingsPage {
 public:
  CMyPropertyPage8();

 protected:
  BOOL OnInitDialog() override;
};

// Ｖｅｒｓｉｏｎ: the texts are in the template; the picture (bitmap 202, with
// an alpha channel) is blended onto the page's own background, whatever the
// theme paints there.
class CMyPropertyPage5 : public CSettingsPage {
 public:
  CMyPropertyPage5();
  ~CMyPropertyPage5() override;

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  HBITMAP m_picture = nullptr;
};
