#include "launcher_dialog.h"

#include "../resources/resource.h"

CLauncherDialog::CLauncherDialog() : CDialog(IDD_LAUNCHER) {}
