// The notification-area icon, its mail blinking and its context menu.
#pragma once
#include <windows.h>

#define WM_TRAY_NOTIFY (WM_USER + 1)

// True while the mail icon is believed to be showing.
extern bool TrayMailIconShown;
// Steps of the blink cycle so far.
extern int TrayBlinkCounter;
// What the last blink step answered; true before the first.
extern bool TrayBlinkPreviousResult;

// The icon's tip while every mail check goes well.
extern const char kTrayTipText[];

void AddTrayIcon(NOTIFYICONDATAA* record, HWND mainWindow);
// Replaces the icon's tip (cut to the record's 128 bytes).
void SetTrayTip(NOTIFYICONDATAA* record, const char* tip);
void RemoveTrayIcon(NOTIFYICONDATAA* record);
// One step of the blink cycle; returns whether the mail icon now shows.
bool TrayBlinkStep(NOTIFYICONDATAA* record);
// Puts the program icon back.
void RestoreTrayIcon(NOTIFYICONDATAA* record);

// The icon's callback message (the mouse message in lParam); always answers 1.
LRESULT OnTrayNotify(HWND mainWindow, LPARAM mouseMessage);
// Context menu 188 at a screen point, with its check marks; a chosen item
// arrives at the main window as a command.
void ShowTrayMenu(HWND mainWindow, int x, int y);
// Sets the check marks and the repeat-mode radio mark of menu 188's pop-up.
void MarkTrayMenu(HMENU popup);
