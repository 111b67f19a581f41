// Mail check scheduling and the new-mail signal.
#pragma once
#include <windows.h>

class MailTransport;

#include "../core/run_state.h"  // MailCounts
// The connection the checks talk through (Winsock; tests put in a script).
extern MailTransport* g_mailTransport;

// Checks every enabled account, all of them within kMailCheckBudgetMs,
// updates MailCounts and, when the total grew, plays "mail.mp3" (or beeps
// when it cannot be opened), asking for MM_MCINOTIFY at mainWindow when it
// ends.
void RunMailCheck(HWND mainWindow);

// MM_MCINOTIFY at the main window (wParam: the MCI_NOTIFY_* flag): when the
// sound has ended or failed, its device is closed. Notices of a play cut
// short by our own close are ignored.
void OnMailSoundNotify(WPARAM flags);
// Closes the sound's device if it is open; for the main window's teardown
// (a device left open crashes the program at exit).
void CloseMailSound();
