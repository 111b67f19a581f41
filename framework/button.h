// Push button whose subclass may paint it itself.
//
// A derived class that paints overrides PreSubclassWindow to add BS_OWNERDRAW
// (MakeOwnerDraw) and DrawItem; the parent's WM_DRAWITEM is reflected here.
#pragma once
#include "framework/wnd.h"

class CButton : public CWnd {
 public:
  virtual void DrawItem(DRAWITEMSTRUCT* dis);
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  void MakeOwnerDraw();
};
