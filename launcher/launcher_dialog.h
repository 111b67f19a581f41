// The launcher window: 110 program entries, ten per page.
#pragma once
#include "../framework/dialog.h"

class CLauncherDialog : public CDialog {
 public:
  CLauncherDialog();
};
