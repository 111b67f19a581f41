// The mail-check run: counts, the sound only when the total grows, the
// announcement's commands and the closing of its device, one time limit
// for the whole run, and no traffic without an enabled account.
#include "mail/mail_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "framework/scoped_override.h"
#include "core/side_effects.h"
#include "mail/mail_transport.h"
#include "tests/support/test_window.h"

namespace {

std::vector<std::string> g_sounds;
std::vector<HWND> g_soundWindows;

// Answers every POP3 dialogue with the next scripted count; records the hosts.
class CountingTransport : public MailTransport {
 public:
  std::vector<int> counts;
  std::vector<std::string> hosts;  // with "begin N" and "end" for the check's limit
  size_t next = 0;
  int connections = 0;
  void BeginCheck(uint32_t budgetMs) override { hosts.push_back("begin " + std::to_string(budgetMs)); }
  void EndCheck() override { hosts.push_back("end"); }
  long long OpenTcpConnection(const char* host, int) override {
    hosts.push_back(host);
    ++connections;
    step = 0;
    return 7;
  }
  int SocketExchange(long long, const char* text, char* reply, int size, bool) override {
    std::string answer = "+OK\r\n";
    if (text && std::strncmp(text, "STAT", 4) == 0)
      answer = "+OK " + std::to_string(counts[next++]) + " 1000\r\n";
    std::snprintf(reply, size_t(size), "%s", answer.c_str());
    ++step;
    return kExchangeOk;
  }
  void CloseConnection(long long) override {}
  int HttpRequest(const char* host, int, const char*, char* response, int size) override {
    hosts.push_back(std::string("http ") + host);
    if (size) response[0] = '\0';
    return kHostUnknown;
  }
  int step = 0;
};

class MailCheckTest : public testing::Test {
 protected:
  void SetUp() override {
    AppSettings = Settings();
    MailCounts[0] = MailCounts[1] = MailCounts[2] = 0;
    g_mailTransport = &transport;
    g_sounds.clear();
    g_soundWindows.clear();
    g_sideEffects.mciCommand = [](const char* command, HWND window) -> DWORD {
      g_sounds.push_back(command);
      g_soundWindows.push_back(window);
      return std::strncmp(command, "open", 4) == 0 && openFails ? 263 : 0;
    };
    g_sideEffects.messageBeep = [](UINT type) -> BOOL {
      g_sounds.push_back("beep " + std::to_string(type));
      return TRUE;
    };
    openFails = false;
  }
  void TearDown() override {
    CloseMailSound();
  }
  CScopedOverride<MailTransport*> transportSeam{g_mailTransport};
  CScopedOverride<SideEffects> effectsSeam{g_sideEffects};
  void Enable(int account, const char* server) {
    int* flags[3] = {&AppSettings.Check1Enable, &AppSettings.Check2Enable, &AppSettings.Check3Enable};
    char* servers[3] = {AppSettings.Server1, AppSettings.Server2, AppSettings.Server3};
    *flags[account] = 1;
    std::strcpy(servers[account], server);
  }
  std::vector<int> Counts() const { return {MailCounts[0], MailCounts[1], MailCounts[2]}; }
  static bool openFails;
  CountingTransport transport;
};
bool MailCheckTest::openFails = false;

const std::vector<std::string> kSound = {"close MAIL", "open mail.mp3 type mpegvideo alias MAIL",
                                         "play MAIL notify"};
using Texts = std::vector<std::string>;

TEST_F(MailCheckTest, SoundOnlyWhenTheTotalGrows) {
  Enable(0, "pop.one");
  Enable(1, "pop.two");
  Enable(2, "pop.three");
  transport.counts = {2, 0, 0, 1, 2, 0, 3, 0, 0, 2, 1, 0};
  RunMailCheck(nullptr);
  EXPECT_EQ(Counts(), (std::vector<int>{2, 0, 0}));
  EXPECT_EQ(g_sounds, kSound);
  g_sounds.clear();
  RunMailCheck(nullptr);  // 2 -> 3
  EXPECT_EQ(Counts(), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(g_sounds, kSound);
  g_sounds.clear();
  RunMailCheck(nullptr);  // 3 -> 3
  EXPECT_TRUE(g_sounds.empty());
  transport.hosts.clear();
  RunMailCheck(nullptr);  // 3 -> 3, although account 2 got mail
  EXPECT_EQ(Counts(), (std::vector<int>{2, 1, 0}));
  EXPECT_TRUE(g_sounds.empty());
  EXPECT_EQ(transport.hosts, (Texts{"begin 20000", "pop.one", "pop.two", "pop.three", "end"}))
      << "the last run: one limit around all its accounts";
}

TEST_F(MailCheckTest, CountsAreHeldTo99) {
  Enable(1, "pop.two");
  transport.counts = {150};
  RunMailCheck(nullptr);
  EXPECT_EQ(Counts(), (std::vector<int>{0, 99, 0}));
}

TEST_F(MailCheckTest, NoAccountEnabledMeansNoTrafficAndZeroCounts) {
  MailCounts[0] = 5;
  RunMailCheck(nullptr);
  EXPECT_EQ(Counts(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(transport.connections, 0);
  EXPECT_EQ(transport.hosts, (Texts{"begin 20000", "end"}));
  EXPECT_TRUE(g_sounds.empty());
}

TEST_F(MailCheckTest, BeepWhenTheSoundCannotBeOpened) {
  openFails = true;
  Enable(2, "pop.three");
  transport.counts = {4};
  RunMailCheck(nullptr);
  EXPECT_EQ(g_sounds, (std::vector<std::string>{"close MAIL",
                                                "open mail.mp3 type mpegvideo alias MAIL", "beep 0"}));
}

TEST_F(MailCheckTest, HotmailAccountsGoToTheConfiguredService) {
  Enable(0, "hotmail");
  std::strcpy(AppSettings.HttpMailHost, "127.0.0.9:8080");
  RunMailCheck(nullptr);
  // A failed check counts as 0.
  EXPECT_EQ(Counts(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(transport.hosts, (Texts{"begin 20000", "http 127.0.0.9", "end"}));
}

TEST_F(MailCheckTest, HotmailWithoutAServiceHostIsNotChecked) {
  Enable(0, "hotmail");
  AppSettings.HttpMailHost[0] = '\0';
  RunMailCheck(nullptr);
  EXPECT_EQ(Counts(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(transport.connections, 0);
  EXPECT_EQ(transport.hosts, (Texts{"begin 20000", "end"})) << "nothing sent anywhere";
}

// The device stays open only while the sound plays: its end (or failure)
// closes it, and so does the teardown; notices that follow our own close
// leave the next sound's device alone.
TEST_F(MailCheckTest, SoundDeviceIsClosedWhenThePlayEnds) {
  const struct {
    std::vector<WPARAM> notices;
    bool teardown;
    Texts after;  // commands after the announcement
  } cases[] = {
      {{MCI_NOTIFY_SUCCESSFUL}, false, {"close MAIL"}},
      {{MCI_NOTIFY_FAILURE}, false, {"close MAIL"}},
      {{MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_SUCCESSFUL}, true, {"close MAIL"}},
      {{MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUPERSEDED}, false, {}},
      {{MCI_NOTIFY_ABORTED}, true, {"close MAIL"}},
      {{}, true, {"close MAIL"}},
  };
  HWND window = reinterpret_cast<HWND>(0x1234);
  for (const auto& c : cases) {
    MailCounts[0] = 0;
    Enable(0, "pop.one");
    transport.next = 0;
    transport.counts = {1};
    RunMailCheck(window);
    ASSERT_EQ(g_sounds, kSound);
    EXPECT_EQ(g_soundWindows.back(), window) << "the end is announced to the main window";
    g_sounds.clear();
    for (WPARAM notice : c.notices) OnMailSoundNotify(notice);
    if (c.teardown) CloseMailSound();
    EXPECT_EQ(g_sounds, c.after) << c.notices.size() << " " << c.teardown;
    g_sounds.clear();
    CloseMailSound();  // the device of this case is closed for good
    g_sounds.clear();
  }
}

TEST_F(MailCheckTest, NothingToCloseWithoutAnOpenDevice) {
  CloseMailSound();
  OnMailSoundNotify(MCI_NOTIFY_SUCCESSFUL);
  EXPECT_TRUE(g_sounds.empty());
  openFails = true;
  Enable(2, "pop.three");
  transport.counts = {4};
  RunMailCheck(nullptr);
  g_sounds.clear();
  CloseMailSound();
  OnMailSoundNotify(MCI_NOTIFY_SUCCESSFUL);
  EXPECT_TRUE(g_sounds.empty()) << "the open failed: nothing is open";
}

}  // namespace

namespace {

std::vector<WPARAM> g_notices;

// Hands MM_MCINOTIFY to the mail check, as the main window does.
LRESULT CALLBACK SoundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MM_MCINOTIFY) {
    g_notices.push_back(wParam);
    OnMailSoundNotify(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The chime shipped beside the program, announced through the real media
// control interface: it plays, its end comes back to the window, and its
// device is closed then (one left open crashes the program at exit).
TEST_F(MailCheckTest, ShippedChimePlaysAndItsDeviceClosesAtItsEnd) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe);
  folder.resize(folder.rfind('\\'));      // tests
  folder.resize(folder.rfind('\\') + 1);  // the build, where tovix.exe lives
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  ASSERT_NE(GetFileAttributesA("mail.mp3"), INVALID_FILE_ATTRIBUTES) << folder;

  HWND window = CreateMessageWindow("TovixMailSoundTest", SoundWindowProc);
  ASSERT_NE(window, nullptr);

  g_sideEffects = kSystemSideEffects;
  g_notices.clear();
  Enable(0, "pop.one");
  transport.counts = {1};
  RunMailCheck(window);
  char mode[64] = "";
  EXPECT_EQ(mciSendStringA("status MAIL mode", mode, sizeof mode, nullptr), 0u);
  EXPECT_STREQ(mode, "playing");
  char length[64] = "";
  mciSendStringA("status MAIL length", length, sizeof length, nullptr);
  EXPECT_GT(atoi(length), 1000);  // about 1.5 s

  // Waits for the end of the sound; the timer only keeps a broken media
  // stack from hanging the test.
  const UINT_PTR kPatience = 1;
  SetTimer(window, kPatience, 30000, nullptr);
  MSG message;
  while (g_notices.empty() && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == window && message.message == WM_TIMER) break;
    DispatchMessageA(&message);
  }
  KillTimer(window, kPatience);
  EXPECT_EQ(g_notices, std::vector<WPARAM>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(mciGetDeviceIDA("MAIL"), 0u) << "the device is closed";
  DestroyWindow(window);
  SetCurrentDirectoryA(saved);
}

}  // namespace
