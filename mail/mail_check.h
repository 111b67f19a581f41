// Mail check scheduling and the new-mail signal. A round over the three
// accounts runs on a worker thread of its own, one round at a time; its
// result comes back to the main window as a message, and the window then
// takes the counts and plays the sound.
#pragma once
#include <windows.h>

#include "core/run_state.h"  // MailCounts
#include "mail/mail_transport.h"

// The finished round at the main window: wParam the round's number.
#define WM_MAIL_CHECK_DONE (WM_APP + 20)

// What one round works on: the accounts as they were when it started.
struct MailRoundAccount {
  int enabled;
  char server[256], user[256], password[256];
  int security, port;
};
struct MailRoundInput {
  MailRoundAccount accounts[3];
  char httpMailHost[256];
};
struct MailRoundResult {
  int counts[3];          // 0..99
  MailFailure why[3];     // kNone for a success or an account not checked
};

// The accounts of AppSettings, copied.
MailRoundInput TakeMailRound();
// Checks every enabled account through `transport`, all within
// kMailCheckBudgetMs.
MailRoundResult CheckMailAccounts(MailTransport& transport, const MailRoundInput& input);
// Takes a round's result: MailCounts and MailFailures replaced and, when
// the total grew, "mail.mp3" played (or a beep when it cannot be opened),
// asking for MM_MCINOTIFY at mainWindow when it ends.
void ApplyMailRound(HWND mainWindow, const MailRoundResult& result);

// Why each account failed in the latest round.
extern MailFailure MailFailures[3];

// Starts a round on a worker thread; the result arrives at `mainWindow` as
// WM_MAIL_CHECK_DONE. False (nothing started) while a round runs.
bool StartMailCheck(HWND mainWindow);
bool MailCheckRunning();
// WM_MAIL_CHECK_DONE: applies the round's result (ApplyMailRound); true
// when it was the running round's.
bool OnMailCheckDone(HWND mainWindow, WPARAM round);
// For the teardown: tells a running round to stop and waits for it at most
// as long as its time limit has left. True when no worker runs any more; a
// worker still held by the system (a name look-up) then ends on its own,
// touching nothing of the caller's.
bool StopMailCheck();

// The same round on the calling thread, through g_mailTransport.
void RunMailCheck(HWND mainWindow);
// The connection RunMailCheck talks through (Winsock; tests put in a script).
extern MailTransport* g_mailTransport;

// MM_MCINOTIFY at the main window (wParam: the MCI_NOTIFY_* flag): when the
// sound has ended or failed, its device is closed. Notices of a play cut
// short by our own close are ignored.
void OnMailSoundNotify(WPARAM flags);
// Closes the sound's device if it is open; for the main window's teardown
// (a device left open crashes the program at exit).
void CloseMailSound();
