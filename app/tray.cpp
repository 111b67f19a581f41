#include "tray.h"

bool TrayMailIconShown = false;

// The icon and its menu come with the shell's tray work.
void AddTrayIcon(NOTIFYICONDATAA*, HWND) {}
void RemoveTrayIcon(NOTIFYICONDATAA*) {}
bool TrayBlinkStep(NOTIFYICONDATAA*) { return false; }
void RestoreTrayIcon(NOTIFYICONDATAA*) { TrayMailIconShown = false; }
