// Mail check scheduling and the new-mail signal.
#pragma once
#include <windows.h>

class MailTransport;

// Message counts of the three accounts from the latest check, 0 to 99 each.
extern int MailCounts[3];
// The connection the checks talk through (Winsock; tests put in a script).
extern MailTransport* g_mailTransport;

// Checks every enabled account, updates MailCounts and, when the total grew,
// plays "mail.mp3" (or beeps when it cannot be opened).
void RunMailCheck(HWND mainWindow);
