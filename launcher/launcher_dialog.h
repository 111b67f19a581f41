// The launcher window: 110 program entries, ten per page.
#pragma once
#include "../framework/dialog.h"

class CLauncherDialog : public CDialog {
 public:
  CLauncherDialog();
  // Back to the first page.
  void ResetLauncherPage();
  // Starts entry lun01..lun10 (n = 1..10), whatever page is shown.
  void LaunchEntry(int n);
};
