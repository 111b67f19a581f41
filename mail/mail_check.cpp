#include "mail_check.h"

#include "../core/run_state.h"
#include "../core/settings.h"
#include "../core/side_effects.h"
#include "pop3_check.h"
#include "socket_client.h"


namespace {
WinsockTransport g_winsock;
// Whether the device "MAIL" is open (from a successful open to our close).
bool g_mailSoundOpen = false;

void PlayMailSound(HWND mainWindow) {
  // A device left open by an announcement whose end was never noticed.
  g_sideEffects.mciCommand("close MAIL", nullptr);
  g_mailSoundOpen = false;
  // Notices posted for that device before the close would close the new one.
  MSG stale;
  while (mainWindow && PeekMessageA(&stale, mainWindow, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
  }
  if (g_sideEffects.mciCommand("open mail.mp3 type mpegvideo alias MAIL", nullptr) != 0) {
    g_sideEffects.messageBeep(0);
    return;
  }
  g_mailSoundOpen = true;
  // The end of the play comes back as MM_MCINOTIFY; OnMailSoundNotify closes.
  if (g_sideEffects.mciCommand("play MAIL notify", mainWindow) != 0) CloseMailSound();
}

}  // namespace

MailTransport* g_mailTransport = &g_winsock;

void RunMailCheck(HWND mainWindow) {
  int oldTotal = MailCounts[0] + MailCounts[1] + MailCounts[2];
  MailCounts[0] = MailCounts[1] = MailCounts[2] = 0;
  struct Account {
    int enabled;
    const char *server, *user, *password;
  };
  const Settings& s = AppSettings;
  const Account accounts[3] = {{s.Check1Enable, s.Server1, s.Usr1, s.Pass1},
                               {s.Check2Enable, s.Server2, s.Usr2, s.Pass2},
                               {s.Check3Enable, s.Server3, s.Usr3, s.Pass3}};
  // The window is blocked while the check runs: one limit for all of it.
  g_mailTransport->BeginCheck(kMailCheckBudgetMs);
  for (int i = 0; i < 3; ++i) {
    if (!accounts[i].enabled) continue;
    int count = CheckPop3Account(*g_mailTransport, accounts[i].server, accounts[i].user,
                                 accounts[i].password, s.HttpMailHost);
    if (count > 0) MailCounts[i] = count > 99 ? 99 : count;
  }
  g_mailTransport->EndCheck();
  if (MailCounts[0] + MailCounts[1] + MailCounts[2] <= oldTotal) return;
  PlayMailSound(mainWindow);
}

void OnMailSoundNotify(WPARAM flags) {
  // MCI_NOTIFY_ABORTED and _SUPERSEDED follow a command of ours on the device.
  if (flags == MCI_NOTIFY_SUCCESSFUL || flags == MCI_NOTIFY_FAILURE) CloseMailSound();
}

void CloseMailSound() {
  if (!g_mailSoundOpen) return;
  g_mailSoundOpen = false;
  g_sideEffects.mciCommand("close MAIL", nullptr);
}
