#include "mail/mail_check.h"

#include <process.h>

#include <cstdio>
#include <cstring>

#include "core/run_state.h"
#include "core/settings.h"
#include "core/side_effects.h"
#include "mail/pop3_check.h"
#include "mail/socket_client.h"


MailFailure MailFailures[3] = {MailFailure::kNone, MailFailure::kNone, MailFailure::kNone};

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

MailRoundInput TakeMailRound() {
  MailRoundInput input = {};
  const Settings& s = AppSettings;
  const struct {
    int enabled;
    const char *server, *user, *password;
    int security, port;
  } accounts[3] = {{s.Check1Enable, s.Server1, s.Usr1, s.Pass1, s.Security1, s.Port1},
                   {s.Check2Enable, s.Server2, s.Usr2, s.Pass2, s.Security2, s.Port2},
                   {s.Check3Enable, s.Server3, s.Usr3, s.Pass3, s.Security3, s.Port3}};
  for (int i = 0; i < 3; ++i) {
    MailRoundAccount& a = input.accounts[i];
    a.enabled = accounts[i].enabled;
    snprintf(a.server, sizeof a.server, "%s", accounts[i].server);
    snprintf(a.user, sizeof a.user, "%s", accounts[i].user);
    snprintf(a.password, sizeof a.password, "%s", accounts[i].password);
    a.security = accounts[i].security;
    a.port = accounts[i].port;
  }
  snprintf(input.httpMailHost, sizeof input.httpMailHost, "%s", s.HttpMailHost);
  return input;
}

MailRoundResult CheckMailAccounts(MailTransport& transport, const MailRoundInput& input) {
  MailRoundResult result = {};
  // One limit for the whole round.
  transport.BeginCheck(kMailCheckBudgetMs);
  for (int i = 0; i < 3; ++i) {
    const MailRoundAccount& a = input.accounts[i];
    if (!a.enabled) continue;
    int count = CheckPop3Account(transport, a.server, a.user, a.password, a.security, a.port,
                                 input.httpMailHost, &result.why[i]);
    if (count > 0) result.counts[i] = count > 99 ? 99 : count;
  }
  transport.EndCheck();
  return result;
}

void ApplyMailRound(HWND mainWindow, const MailRoundResult& result) {
  int oldTotal = MailCounts[0] + MailCounts[1] + MailCounts[2];
  for (int i = 0; i < 3; ++i) {
    MailCounts[i] = result.counts[i];
    MailFailures[i] = result.why[i];
  }
  if (MailCounts[0] + MailCounts[1] + MailCounts[2] <= oldTotal) return;
  PlayMailSound(mainWindow);
}

void RunMailCheck(HWND mainWindow) {
  ApplyMailRound(mainWindow, CheckMailAccounts(*g_mailTransport, TakeMailRound()));
}

namespace {

// One round on its worker. The window and the worker each hold a reference;
// the last one frees it, so a worker that outlives the window's wait (held
// in a name look-up) touches only what is its own.
struct MailRound {
  MailRoundInput input;
  MailRoundResult result;
  HWND window;
  WPARAM number;
  DWORD started;
  volatile long cancel;
  volatile long references;
};

MailRound* g_round = nullptr;
HANDLE g_roundThread = nullptr;
WPARAM g_roundNumber = 0;

void Release(MailRound* round) {
  if (InterlockedDecrement(&round->references) == 0) {
    SecureZeroMemory(round->input.accounts, sizeof round->input.accounts);  // the passwords
    delete round;
  }
}

unsigned __stdcall RoundWorker(void* parameter) {
  MailRound* round = static_cast<MailRound*>(parameter);
  {
    WinsockTransport transport;
    transport.SetCancelFlag(&round->cancel);
    round->result = CheckMailAccounts(transport, round->input);
  }
  if (!round->cancel) PostMessageA(round->window, WM_MAIL_CHECK_DONE, round->number, 0);
  Release(round);
  return 0;
}

void Forget() {
  if (g_roundThread) CloseHandle(g_roundThread);
  g_roundThread = nullptr;
  if (g_round) Release(g_round);
  g_round = nullptr;
}

}  // namespace

bool StartMailCheck(HWND mainWindow) {
  if (g_round) return false;
  MailRound* round = new MailRound();
  round->input = TakeMailRound();
  round->window = mainWindow;
  round->number = ++g_roundNumber;
  round->started = GetTickCount();
  round->references = 2;
  uintptr_t thread = _beginthreadex(nullptr, 0, RoundWorker, round, 0, nullptr);
  if (!thread) {
    delete round;
    return false;
  }
  g_round = round;
  g_roundThread = reinterpret_cast<HANDLE>(thread);
  return true;
}

bool MailCheckRunning() { return g_round != nullptr; }

bool OnMailCheckDone(HWND mainWindow, WPARAM number) {
  if (!g_round || number != g_round->number) return false;
  // The worker posted after its last use of the result.
  MailRoundResult result = g_round->result;
  Forget();
  ApplyMailRound(mainWindow, result);
  return true;
}

bool StopMailCheck() {
  if (!g_round) return true;
  InterlockedExchange(&g_round->cancel, 1);
  // Every wait of the worker sees the flag within one slice; only a name
  // look-up cannot be cut short, and the round's own limit ends it anyway.
  DWORD elapsed = GetTickCount() - g_round->started;
  DWORD left = elapsed < kMailCheckBudgetMs ? kMailCheckBudgetMs - elapsed : 0;
  if (left < WinsockTransport::kWaitSliceMs) left = WinsockTransport::kWaitSliceMs;
  bool ended = WaitForSingleObject(g_roundThread, left) == WAIT_OBJECT_0;
  Forget();
  return ended;
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
