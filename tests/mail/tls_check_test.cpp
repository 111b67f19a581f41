// POP3 with STLS and over TLS: against our own Dovecot instances with
// ssl = required (a trusted certificate for localhost, an untrusted one, one
// for another name), against scripted peers for STLS refused and for a
// handshake that never comes; and the round on its worker thread.
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings.h"
#include "mail/mail_check.h"
#include "mail/mail_failure.h"
#include "mail/pop3_check.h"
#include "mail/socket_client.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/test_clock.h"
#include "tests/test_files.h"
#include "framework/app.h"
#include "tests/support/test_window.h"

namespace {

std::string Env(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

// A file of the Linux side, through Wine's drive Z:.
std::string ReadUnixFile(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows) if (c == '/') c = '\\';
  std::ifstream in(windows, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Pop3Security, StandardPortsAndChosenPorts) {
  const struct { int security, port, expected; } cases[] = {
      {kPop3Plain, 0, 110}, {kPop3StartTls, 0, 110}, {kPop3Tls, 0, 995},
      {kPop3Tls, 1, 1},     {kPop3Plain, 65535, 65535}, {kPop3Tls, 65536, 995}, {kPop3StartTls, -5, 110},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Pop3Port(c.security, c.port), c.expected) << c.security << " " << c.port;
}

// Security1..3 and Port1..3: anything outside 0..2 and 0..65535 reads as 0,
// and a round takes them with their accounts.
TEST(MailSecurityKeys, ReadWithTheirRangesIntoTheRound) {
  TempFolder folder;
  std::string profile = folder.File("tovix.ini");
  TempFolder::Write(profile,
                    "[MAILCHECK]\r\nSecurity1=2\r\nPort1=995\r\nSecurity2=3\r\nPort2=70000\r\n"
                    "Security3=-1\r\nPort3=-2\r\n");
  AfxGetApp()->SetProfileName(profile.c_str());
  LoadSettings(nullptr);
  MailRoundInput round = TakeMailRound();
  std::vector<int> read;
  for (const MailRoundAccount& a : round.accounts) {
    read.push_back(a.security);
    read.push_back(a.port);
  }
  EXPECT_EQ(read, (std::vector<int>{2, 995, 0, 0, 0, 0}));
  AppSettings.Port2 = 1234;
  AppSettings.Security2 = 1;
  SaveSettings();
  std::string file = TempFolder::Read(profile);
  EXPECT_NE(file.find("Security2=1\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Port2=1234\r\n"), std::string::npos) << file;
}

TEST(MailFailureTip, OneLinePerFailedAccountWithinTheTraysRoom) {
  MailFailure why[3] = {MailFailure::kCertUntrusted, MailFailure::kNone, MailFailure::kStlsRefused};
  char tip[128];
  FormatMailTip(tip, sizeof tip, "Tovix Ver.1.6.2", why);
  EXPECT_STREQ(tip, "Tovix Ver.1.6.2\nアカウント１: 証明書が信頼できません\nアカウント３: STARTTLSが使えません");
  MailFailure all[3] = {MailFailure::kCertName, MailFailure::kCertExpired, MailFailure::kNoAnswer};
  FormatMailTip(tip, 40, "Tovix Ver.1.6.2", all);
  // Cut at a whole character of code page 932.
  EXPECT_STREQ(tip, "Tovix Ver.1.6.2\nアカウント１: 証明書の");
  MailFailure none[3] = {};
  FormatMailTip(tip, sizeof tip, "Tovix Ver.1.6.2", none);
  EXPECT_STREQ(tip, "Tovix Ver.1.6.2");
}

// STLS chosen, but the server does not offer it or refuses it: the check
// ends politely, and neither USER nor PASS ever leaves in clear.
TEST(Pop3StartTls, MissingOrRefusedStlsSendsNoLogin) {
  StartWinsockOnce();
  const struct {
    const char* name;
    std::vector<PeerStep> script;
    std::string received;
  } cases[] = {
      {"not in CAPA",
       {Send("+OK hi\r\n"), ReadLine(), Send("+OK\r\nUSER\r\nUIDL\r\n.\r\n"), ReadLine(), Send("+OK\r\n")},
       "CAPA\r\nQUIT\r\n"},
      {"CAPA refused",
       {Send("+OK hi\r\n"), ReadLine(), Send("-ERR what\r\n"), ReadLine(), Send("+OK\r\n")},
       "CAPA\r\nQUIT\r\n"},
      {"STLS refused",
       {Send("+OK hi\r\n"), ReadLine(), Send("+OK\r\nstls\r\n.\r\n"), ReadLine(), Send("-ERR no\r\n"),
        ReadLine(), Send("+OK\r\n")},
       "CAPA\r\nSTLS\r\nQUIT\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer("127.0.0.1", c.script);
    WinsockTransport transport(TestClock::Read);
    MailFailure why = MailFailure::kNone;
    EXPECT_EQ(CheckPop3Account(transport, "127.0.0.1", "alice", "secret", kPop3StartTls, peer.Port(),
                               "", &why),
              0);
    EXPECT_EQ(why, MailFailure::kStlsRefused);
    EXPECT_TRUE(peer.Finish());
    EXPECT_EQ(peer.Received(), c.received);
  }
}

// A server that accepts and never answers the handshake: the handshake is
// one request, and ends with the request's time.
TEST(Pop3Tls, SilentHandshakeEndsAtTheRequestLimit) {
  StartWinsockOnce();
  ScriptedPeer peer("127.0.0.1", {Silence()});
  WinsockTransport transport(TestClock::Read);
  MailFailure why = MailFailure::kNone;
  uint32_t before = TestClock::Peek();
  EXPECT_EQ(CheckPop3Account(transport, "localhost", "alice", "secret", kPop3Tls, peer.Port(), "", &why),
            kRequestTimedOut);
  EXPECT_EQ(why, MailFailure::kNoAnswer);
  EXPECT_EQ(transport.LastFailure(), WinsockTransport::Failure::kTimedOut);
  uint32_t spent = TestClock::Peek() - before;
  EXPECT_GE(spent, kRequestBudgetMs);
  EXPECT_LT(spent, kRequestBudgetMs + 2 * TestClock::kStepMs) << "no wait beyond the request's limit";
  EXPECT_TRUE(peer.Finish()) << "the client closed the connection";
  EXPECT_EQ(peer.Received().find("alice"), std::string::npos);
}

// Our Dovecot instances with ssl = required; the test CA joins the prefix's
// trusted roots once.
class Pop3DovecotTls : public testing::Test {
 protected:
  void SetUp() override {
    StartWinsockOnce();
    if (Env("TOVIX_TLS_CA").empty()) {
      if (Env("TOVIX_NO_PEERS") == "1") GTEST_SKIP() << "TOVIX_NO_PEERS=1";
      FAIL() << "TOVIX_TLS_CA is not set: start the Dovecot peer (scripts/peers/dovecot.sh)";
    }
    static bool trusted = TrustTestCa(ReadUnixFile(Env("TOVIX_TLS_CA")));
    ASSERT_TRUE(trusted) << "the test CA could not join the trusted roots";
    host_ = Env("TOVIX_TLS_HOST");
    user_ = Env("TOVIX_POP3_USER");
    password_ = Env("TOVIX_POP3_PASSWORD");
    messages_ = atoi(Env("TOVIX_POP3_MESSAGES").c_str());
  }
  static bool TrustTestCa(const std::string& pem) {
    BYTE der[8192];
    DWORD size = sizeof der;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der, &size, nullptr, nullptr))
      return false;
    HCERTSTORE root = CertOpenSystemStoreA(0, "ROOT");
    if (!root) return false;
    BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der, size,
                                                  CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
    return added;
  }
  int Check(const char* instance, int security, MailFailure* why) {
    std::string port = Env((std::string("TOVIX_TLS_") + instance +
                            (security == kPop3Tls ? "_POP3S_PORT" : "_STLS_PORT")).c_str());
    EXPECT_FALSE(port.empty()) << instance;
    WinsockTransport transport;
    return CheckPop3Account(transport, host_.c_str(), user_.c_str(), password_.c_str(), security,
                            atoi(port.c_str()), "", why);
  }
  std::string host_, user_, password_;
  int messages_ = 0;
};

TEST_F(Pop3DovecotTls, BothModesCountTheMessages) {
  for (int security : {kPop3StartTls, kPop3Tls}) {
    MailFailure why = MailFailure::kCertExpired;
    EXPECT_EQ(Check("GOOD", security, &why), messages_) << security;
    EXPECT_EQ(why, MailFailure::kNone);
  }
}

// A certificate that fails: the connection ends after the handshake, and
// the server's log shows no login of any kind (no PASS reached it).
TEST_F(Pop3DovecotTls, FailingCertificatesGetNoPassword) {
  const struct {
    const char* instance;
    int security;
    MailFailure expected;
  } cases[] = {
      {"UNTRUSTED", kPop3Tls, MailFailure::kCertUntrusted},
      {"WRONGNAME", kPop3Tls, MailFailure::kCertName},
      {"UNTRUSTED", kPop3StartTls, MailFailure::kCertUntrusted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.instance) + " " + std::to_string(c.security));
    std::string log = Env((std::string("TOVIX_TLS_") + c.instance + "_LOG").c_str());
    auto disconnects = [&] {
      std::string text = ReadUnixFile(log);
      size_t n = 0;
      for (size_t at = text.find("Disconnected"); at != std::string::npos;
           at = text.find("Disconnected", at + 1))
        ++n;
      return n;
    };
    size_t before = disconnects();
    MailFailure why = MailFailure::kNone;
    EXPECT_EQ(Check(c.instance, c.security, &why), kRequestTimedOut);
    EXPECT_EQ(why, c.expected);
    // Dovecot notes the end of our connection; then its log is complete.
    for (int i = 0; i < 500 && disconnects() == before; ++i) Sleep(20);
    std::string text = ReadUnixFile(log);
    EXPECT_GT(disconnects(), before) << text;
    EXPECT_EQ(text.find("Login:"), std::string::npos) << text;
    EXPECT_EQ(text.find("auth failed"), std::string::npos) << text;
  }
}

// The round on its worker thread, with the results at a window.
class MailRoundTest : public testing::Test {
 protected:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MAIL_CHECK_DONE) {
      events().push_back(OnMailCheckDone(window, wParam) ? "done" : "stale");
      return 0;
    }
    if (message == WM_APP + 1) {
      events().push_back("answered");
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  static std::vector<std::string>& events() {
    static std::vector<std::string> list;
    return list;
  }
  void SetUp() override {
    StartWinsockOnce();
    AppSettings = Settings();
    MailCounts[0] = 7;
    MailCounts[1] = MailCounts[2] = 0;
    events().clear();
    window_ = CreateMessageWindow("TovixMailRoundTest", Proc);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    StopMailCheck();
    DestroyWindow(window_);
  }
  // Every account at a silent server over TLS.
  void AllAccountsAt(int port) {
    Settings& s = AppSettings;
    for (char* server : {s.Server1, s.Server2, s.Server3}) strcpy(server, "localhost");
    s.Check1Enable = s.Check2Enable = s.Check3Enable = 1;
    s.Security1 = s.Security2 = s.Security3 = kPop3Tls;
    s.Port1 = s.Port2 = s.Port3 = port;
  }
  HWND window_ = nullptr;
};

// The window answers while a check waits for a silent server; the round
// ends at its limit, and its result arrives once.
TEST_F(MailRoundTest, WindowAnswersWhileTheRoundWaits) {
  SOCKET listener = ListenOnLoopback("127.0.0.1", 0, 5);  // accepts, never answers
  ASSERT_NE(listener, INVALID_SOCKET);
  AllAccountsAt(BoundPort(listener));
  AppSettings.Check2Enable = AppSettings.Check3Enable = 0;
  ASSERT_TRUE(StartMailCheck(window_));
  EXPECT_TRUE(MailCheckRunning());
  EXPECT_FALSE(StartMailCheck(window_)) << "one round at a time";
  PostMessageA(window_, WM_APP + 1, 0, 0);
  MSG message;
  while (events().size() < 2 && GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  EXPECT_EQ(events(), (std::vector<std::string>{"answered", "done"}));
  EXPECT_FALSE(MailCheckRunning());
  EXPECT_EQ(MailCounts[0], 0) << "a failed check counts 0";
  EXPECT_EQ(MailFailures[0], MailFailure::kNoAnswer);
  closesocket(listener);
}

// Quitting during a round: the worker stops at once (the later accounts are
// never tried), and its result is never taken.
TEST_F(MailRoundTest, StoppingEndsTheRoundAtOnce) {
  SOCKET listener = ListenOnLoopback("127.0.0.1", 0, 5);
  ASSERT_NE(listener, INVALID_SOCKET);
  AllAccountsAt(BoundPort(listener));
  ASSERT_TRUE(StartMailCheck(window_));
  // The first account's connection has come.
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(listener, &ready);
  timeval patience = {10, 0};
  ASSERT_EQ(select(0, &ready, nullptr, nullptr, &patience), 1);
  EXPECT_TRUE(StopMailCheck()) << "the worker ended within the round's limit";
  EXPECT_FALSE(MailCheckRunning());
  int connections = 0;
  for (;;) {
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval none = {0, 0};
    if (select(0, &ready, nullptr, nullptr, &none) != 1) break;
    SOCKET s = accept(listener, nullptr, nullptr);
    if (s == INVALID_SOCKET) break;
    ++connections;
    closesocket(s);
  }
  EXPECT_EQ(connections, 1) << "accounts 2 and 3 were never tried";
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, window_, WM_MAIL_CHECK_DONE, WM_MAIL_CHECK_DONE, PM_REMOVE));
  EXPECT_EQ(MailCounts[0], 7) << "the stopped round's result is not taken";
  closesocket(listener);
}

}  // namespace
