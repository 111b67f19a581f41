// The notification-area icon, its mail blinking and its context menu.
#pragma once
#include <windows.h>

#define WM_TRAY_NOTIFY (WM_USER + 1)

// True while the mail icon is believed to be showing.
extern bool TrayMailIconShown;

void AddTrayIcon(NOTIFYICONDATAA* record, HWND mainWindow);
void RemoveTrayIcon(NOTIFYICONDATAA* record);
// One step of the blink cycle; returns whether the mail icon now shows.
bool TrayBlinkStep(NOTIFYICONDATAA* record);
// Puts the program icon back.
void RestoreTrayIcon(NOTIFYICONDATAA* record);
