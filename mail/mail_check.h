// Mail check scheduling and the new-mail signal.
#pragma once
#include <windows.h>

// Message counts of the three accounts from the latest check, 0 to 99 each.
extern int MailCounts[3];

// Checks every enabled account and updates MailCounts.
void RunMailCheck(HWND mainWindow);
