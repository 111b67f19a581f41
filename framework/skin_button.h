// A push button that paints a skin picture: the released one (base + "U.bmp")
// or, while pressed, the pressed one (base + "D.bmp"), read from disk at every
// paint. A picture that cannot be loaded paints nothing; the button still works.
#pragma once
#include "framework/bitmap_file.h"
#include "framework/button.h"

class CSkinButton : public CButton {
 public:
  // Base name: a skin folder and a two-digit number, e.g. .\skin\default\21
  void SetBase(const char* base);
  const char* Base() const { return m_base; }

  void PreSubclassWindow() override;
  void DrawItem(DRAWITEMSTRUCT* dis) override;

 private:
  char m_base[MAX_PATH + 16] = "";
};
