#pragma once
#include "settings_ui/settings_page.h"

// Ｖｅｒｓｉｏｎ: the texts are in the template; the picture (IDB_VERSION, with
// an alpha channel) is blended onto the page's own background, whatever the
// theme paints there.
class CVersionPage : public CSettingsPage {
 public:
  CVersionPage();
  ~CVersionPage() override;

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  HBITMAP m_picture = nullptr;
};
