#include "settings_sheet.h"

// Until the sheet exists nothing can be confirmed.
INT_PTR RunSettingsSheet(HWND) { return IDCANCEL; }
