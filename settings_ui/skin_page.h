// スキン設定: the skin (a folder under "skin") and the playlist's background
// picture (a bitmap in "skin"), both chosen from what is there.
#pragma once
#include "settings_page.h"

class CMyPropertyPage9 : public CSettingsPage {
 public:
  CMyPropertyPage9();
  char m_skin[256];
  char m_listImage[260];

 protected:
  BOOL OnInitDialog() override;
  void Transfer(bool store) override;

 private:
  // The selected entry's text, or false (and nothing written) when nothing is
  // selected or the text does not fit.
  bool SelectedText(int id, char* out, size_t size);
};
