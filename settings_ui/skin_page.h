// スキン設定: the skin (a folder under "skin") and the playlist's background
// picture (a bitmap in "skin"), both chosen from what is there.
#pragma once
#include "settings_ui/settings_page.h"

class CSkinPage : public CSettingsPage {
 public:
  explicit CSkinPage(SheetSettings* values);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;

 private:
  // The selected entry's text into a field, or nothing written when nothing
  // is selected or the text does not fit.
  void TakeSelected(int id, char* field, size_t size);
};
