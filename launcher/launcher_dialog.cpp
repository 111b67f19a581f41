#include "launcher_dialog.h"

#include "../resources/resource.h"

CLauncherDialog::CLauncherDialog() : CDialog(IDD_LAUNCHER) {}

// Pages and entries come with the launcher window.
void CLauncherDialog::ResetLauncherPage() {}
void CLauncherDialog::LaunchEntry(int) {}
