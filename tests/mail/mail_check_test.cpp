// The mail-check run: counts, the sound only when the total grows, the
// announcement's commands, and no traffic without an enabled account.
#include "mail/mail_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/side_effects.h"
#include "mail/mail_transport.h"

namespace {

std::vector<std::string> g_sounds;

// Answers every POP3 dialogue with the next scripted count; records the hosts.
class CountingTransport : public MailTransport {
 public:
  std::vector<int> counts;
  std::vector<std::string> hosts;
  size_t next = 0;
  int connections = 0;
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
    saved = g_mailTransport;
    g_mailTransport = &transport;
    g_sounds.clear();
    g_sideEffects.mciCommand = [](const char* command, HWND) -> DWORD {
      g_sounds.push_back(command);
      return std::strncmp(command, "open", 4) == 0 && openFails ? 263 : 0;
    };
    g_sideEffects.messageBeep = [](UINT type) -> BOOL {
      g_sounds.push_back("beep " + std::to_string(type));
      return TRUE;
    };
    openFails = false;
  }
  void TearDown() override {
    g_mailTransport = saved;
    g_sideEffects = kSystemSideEffects;
  }
  void Enable(int account, const char* server) {
    int* flags[3] = {&AppSettings.Check1Enable, &AppSettings.Check2Enable, &AppSettings.Check3Enable};
    char* servers[3] = {AppSettings.Server1, AppSettings.Server2, AppSettings.Server3};
    *flags[account] = 1;
    std::strcpy(servers[account], server);
  }
  std::vector<int> Counts() const { return {MailCounts[0], MailCounts[1], MailCounts[2]}; }
  static bool openFails;
  CountingTransport transport;
  MailTransport* saved = nullptr;
};
bool MailCheckTest::openFails = false;

const std::vector<std::string> kSound = {"close MAIL", "open mail.mp3 type mpegvideo alias MAIL",
                                         "play MAIL"};

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
  RunMailCheck(nullptr);  // 3 -> 3, although account 2 got mail
  EXPECT_EQ(Counts(), (std::vector<int>{2, 1, 0}));
  EXPECT_TRUE(g_sounds.empty());
  ASSERT_EQ(transport.hosts.size(), 12u);
  EXPECT_EQ(transport.hosts[1], "pop.two");
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
  EXPECT_TRUE(transport.hosts.empty());
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
  ASSERT_FALSE(transport.hosts.empty());
  EXPECT_EQ(transport.hosts[0], "http 127.0.0.9");
}

}  // namespace

namespace {

// The chime shipped beside the program opens and plays through the real
// media control interface, with the very commands of the announcement.
TEST(MailSound, ShippedChimePlaysThroughTheMediaStack) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe);
  folder.resize(folder.rfind('\\'));              // tests
  folder.resize(folder.rfind('\\') + 1);          // the build, where tovix.exe lives
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  ASSERT_NE(GetFileAttributesA("mail.mp3"), INVALID_FILE_ATTRIBUTES) << folder;
  kSystemSideEffects.mciCommand("close MAIL", nullptr);
  EXPECT_EQ(kSystemSideEffects.mciCommand("open mail.mp3 type mpegvideo alias MAIL", nullptr), 0u);
  EXPECT_EQ(kSystemSideEffects.mciCommand("play MAIL", nullptr), 0u);
  char mode[64] = "";
  mciSendStringA("status MAIL mode", mode, sizeof mode, nullptr);
  EXPECT_STREQ(mode, "playing");
  char length[64] = "";
  mciSendStringA("status MAIL length", length, sizeof length, nullptr);
  EXPECT_GT(atoi(length), 1000);  // about 1.5 s
  EXPECT_EQ(kSystemSideEffects.mciCommand("close MAIL", nullptr), 0u);
  SetCurrentDirectoryA(saved);
}

}  // namespace
