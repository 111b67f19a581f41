// The launcher's owner-drawn buttons: the ten entry buttons and the three
// skin buttons (page up, page down, close).
#pragma once
#include <windows.h>

#include "framework/button.h"

// One entry of the page: the part of the launcher background that lies
// behind the button, and over it the registered file's shell icon.
class CLauncherButton : public CButton {
 public:
  // index: place on the page minus one (0..9); background: the skin's
  // launcher picture; item: the registered path, empty for none.
  void Set(int index, const char* background, const char* item);
  int Index() const { return m_index; }
  const char* Item() const { return m_item; }

  void PreSubclassWindow() override;
  void DrawItem(DRAWITEMSTRUCT* dis) override;

 private:
  int m_index = 0;
  char m_background[MAX_PATH + 16] = "";
  char m_item[MAX_PATH] = "";  // holds the platform's longest path whole
};
