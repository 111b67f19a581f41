#include "mail_check.h"

#include "../app/settings.h"
#include "../app/side_effects.h"
#include "pop3_check.h"
#include "socket_client.h"

int MailCounts[3] = {0, 0, 0};

namespace {
WinsockTransport g_winsock;
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
  for (int i = 0; i < 3; ++i) {
    if (!accounts[i].enabled) continue;
    int count = CheckPop3Account(*g_mailTransport, accounts[i].server, accounts[i].user,
                                 accounts[i].password, s.HttpMailHost);
    if (count > 0) MailCounts[i] = count > 99 ? 99 : count;
  }
  if (MailCounts[0] + MailCounts[1] + MailCounts[2] <= oldTotal) return;

  // The device of the previous announcement is closed only now.
  g_sideEffects.mciCommand("close MAIL", nullptr);
  if (g_sideEffects.mciCommand("open mail.mp3 type mpegvideo alias MAIL", nullptr) != 0) {
    g_sideEffects.messageBeep(0);
    return;
  }
  g_sideEffects.mciCommand("play MAIL", mainWindow);
}
