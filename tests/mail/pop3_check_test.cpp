// The POP3 check: against a real Dovecot server (started by the test script),
// against scripted peers for what Dovecot will not do, through a recording transport for the dialogue's every branch, and the
// reply parsing on its own.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mail/httpmail_check.h"
#include "mail/pop3_check.h"
#include "mail/pop3_reply.h"
#include "mail/socket_client.h"
#include "tests/mail/port_mapping_transport.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/test_clock.h"

namespace {

// The longest argument that fits the 512-byte command buffer with
// "USER " / "PASS ", CRLF and the terminator.
constexpr size_t kLongestArgument = 512 - 1 - 5 - 2;

// Records what the check asks of the transport and answers from a list.
class RecordingTransport : public MailTransport {
 public:
  struct Answer {
    int result;
    std::string text;
  };
  long long openResult = 7;
  std::vector<Answer> answers;
  int httpResult = kRequestTimedOut;
  std::vector<std::string> log;

  long long OpenTcpConnection(const char* host, int port) override {
    log.push_back("open " + std::string(host) + ":" + std::to_string(port));
    return openResult;
  }
  int SocketExchange(long long connection, const char* text, char* reply, int size,
                     bool gather) override {
    log.push_back("exchange " + std::to_string(connection) + (gather ? " gather " : " ") +
                  std::to_string(size) + " " + (text ? text : "-"));
    size_t next = exchanges_++;
    Answer answer = next < answers.size() ? answers[next] : Answer{kExchangeFailed, ""};
    snprintf(reply, size_t(size), "%s", answer.text.c_str());
    if (answer.result != kExchangeOk) log.push_back("closed by the failed exchange");
    return answer.result;
  }
  void CloseConnection(long long connection) override {
    log.push_back("close " + std::to_string(connection));
  }
  int HttpRequest(const char* host, int port, const char*, char* response, int size) override {
    log.push_back("http " + std::string(host) + ":" + std::to_string(port));
    if (size > 0) response[0] = '\0';
    return httpResult;
  }

 private:
  size_t exchanges_ = 0;
};

using Log = std::vector<std::string>;
const RecordingTransport::Answer kOk = {kExchangeOk, "+OK\r\n"};
const RecordingTransport::Answer kTimeOut = {kExchangeFailed, ""};

Log Dialogue(const std::vector<std::string>& commands, bool closed = true) {
  Log log = {"open pop.example:110"};
  for (const std::string& command : commands) log.push_back("exchange 7 512 " + command);
  if (closed) log.push_back("close 7");
  return log;
}

TEST(Pop3Dialogue, AsksStatAndQuits) {
  RecordingTransport transport;
  transport.answers = {{kExchangeOk, "+OK ready\r\n"}, kOk, kOk, {kExchangeOk, "+OK 3 1200\r\n"},
                       {kExchangeOk, "+OK bye\r\n"}};
  EXPECT_EQ(CheckPop3Account(transport, "pop.example", "alice", "secret", "http.example"), 3);
  EXPECT_EQ(transport.log,
            Dialogue({"-", "USER alice\r\n", "PASS secret\r\n", "STAT\r\n", "QUIT\r\n"}));
}

TEST(Pop3Dialogue, RefusalAtAnyStepEndsWithQuit) {
  const char* refusals[] = {"-ERR no\r\n", "-err no\r\n", "-Err", "-ERRATIC"};
  std::vector<std::string> commands = {"-", "USER alice\r\n", "PASS secret\r\n", "STAT\r\n"};
  for (size_t step = 0; step < commands.size(); ++step) {
    RecordingTransport transport;
    transport.answers.assign(step, kOk);
    transport.answers.push_back({kExchangeOk, refusals[step]});
    transport.answers.push_back(kOk);
    EXPECT_EQ(CheckPop3Account(transport, "pop.example", "alice", "secret", ""), 0) << step;
    std::vector<std::string> sent(commands.begin(), commands.begin() + long(step) + 1);
    sent.push_back("QUIT\r\n");
    EXPECT_EQ(transport.log, Dialogue(sent)) << step;
  }
}

TEST(Pop3Dialogue, AnythingButErrAccepts) {
  const char* replies[] = {"", " -ERR", "-ER", "+ok", "OK", "-EAR"};
  for (const char* reply : replies) {
    RecordingTransport transport;
    transport.answers = {{kExchangeOk, reply}, kOk, kOk, {kExchangeOk, "+OK 2 10"}, kOk};
    EXPECT_EQ(CheckPop3Account(transport, "pop.example", "a", "b", ""), 2) << reply;
  }
}

TEST(Pop3Dialogue, WaitRunningOutAtAnyStepGivesMinusFour) {
  std::vector<std::string> commands = {"-", "USER alice\r\n", "PASS secret\r\n", "STAT\r\n",
                                       "QUIT\r\n"};
  for (size_t step = 0; step < commands.size(); ++step) {
    RecordingTransport transport;
    transport.answers.assign(step, kOk);
    if (step == 4) transport.answers[3] = {kExchangeOk, "+OK 3 1200"};
    transport.answers.push_back(kTimeOut);
    EXPECT_EQ(CheckPop3Account(transport, "pop.example", "alice", "secret", ""),
              kRequestTimedOut)
        << step;
    Log expected = Dialogue({commands.begin(), commands.begin() + long(step) + 1}, false);
    expected.push_back("closed by the failed exchange");
    EXPECT_EQ(transport.log, expected) << "no second close: " << step;
  }
}

TEST(Pop3Dialogue, UnansweredQuitAfterARefusalGivesMinusFour) {
  RecordingTransport transport;
  transport.answers = {{kExchangeOk, "-ERR go away\r\n"}, kTimeOut};
  EXPECT_EQ(CheckPop3Account(transport, "pop.example", "alice", "secret", ""), kRequestTimedOut);
  Log expected = Dialogue({"-", "QUIT\r\n"}, false);
  expected.push_back("closed by the failed exchange");
  EXPECT_EQ(transport.log, expected);
}

TEST(Pop3Dialogue, ConnectionFailuresArePassedOn) {
  for (long long failure : {kHostUnknown, kNoSocket}) {
    RecordingTransport transport;
    transport.openResult = failure;
    EXPECT_EQ(CheckPop3Account(transport, "pop.example", "alice", "secret", ""), failure);
    EXPECT_EQ(transport.log, Log{"open pop.example:110"});
  }
}

TEST(Pop3Dialogue, StatRepliesAndTheirCounts) {
  const std::pair<const char*, int> cases[] = {
      {"+OK 3 1200\r\n", 3}, {"+ok 3 1200\r\n", 3}, {"+OK\r\n", 0},  {"+OK many\r\n", 0},
      {"+OK 0 0\r\n", 0},    {"+OK 150 9\r\n", 150}, {"+OK -4 0\r\n", 0}, {"", 0}};
  for (const auto& [stat, count] : cases) {
    RecordingTransport transport;
    transport.answers = {kOk, kOk, kOk, {kExchangeOk, stat}, kOk};
    EXPECT_EQ(CheckPop3Account(transport, "pop.example", "alice", "secret", ""), count) << stat;
    EXPECT_EQ(transport.log.back(), "close 7") << "QUIT, then closed: " << stat;
  }
}

TEST(Pop3Dialogue, EmptyAccountNameAndPasswordAreStillSent) {
  RecordingTransport transport;
  transport.answers = {kOk, kOk, kOk, {kExchangeOk, "+OK 1 5"}, kOk};
  EXPECT_EQ(CheckPop3Account(transport, "pop.example", "", "", ""), 1);
  EXPECT_EQ(transport.log, Dialogue({"-", "USER \r\n", "PASS \r\n", "STAT\r\n", "QUIT\r\n"}));
}

TEST(Pop3Dialogue, OverlongAccountNameAndPasswordAreCut) {
  std::string user(kLongestArgument, 'u'), password(kLongestArgument, 'p');
  RecordingTransport transport;
  transport.answers = {kOk, kOk, kOk, {kExchangeOk, "+OK 1 5"}, kOk};
  EXPECT_EQ(CheckPop3Account(transport, "pop.example", (user + "TOO MUCH").c_str(),
                             (password + "X").c_str(), ""),
            1);
  EXPECT_EQ(transport.log, Dialogue({"-", "USER " + user + "\r\n", "PASS " + password + "\r\n",
                                     "STAT\r\n", "QUIT\r\n"}));
}

TEST(Pop3Dialogue, HotmailRunsTheHttpMailCheck) {
  for (int httpResult : {kRequestTimedOut, kHostUnknown, kNoSocket, kExchangeOk}) {
    RecordingTransport viaPop3, direct;
    viaPop3.httpResult = direct.httpResult = httpResult;
    int expected = CheckHttpMailAccount(direct, "127.0.0.5", "alice", "secret");
    EXPECT_EQ(CheckPop3Account(viaPop3, "hotmail", "alice", "secret", "127.0.0.5"), expected);
    EXPECT_EQ(viaPop3.log, direct.log) << "the same requests, and no POP3 connection";
    for (const std::string& entry : viaPop3.log) EXPECT_EQ(entry.rfind("http ", 0), 0u) << entry;
  }
}

TEST(Pop3Dialogue, OtherServerNamesArePop3Hosts) {
  for (const char* server : {"Hotmail", "HOTMAIL", "myhotmail.example", "hotmail ", "hotmail.example"}) {
    RecordingTransport transport;
    transport.openResult = kHostUnknown;
    EXPECT_EQ(CheckPop3Account(transport, server, "alice", "secret", "127.0.0.5"), kHostUnknown);
    EXPECT_EQ(transport.log, Log{"open " + std::string(server) + ":110"}) << server;
  }
}

TEST(Pop3Dialogue, HotmailWithoutAServiceHostSendsNothing) {
  for (const char* service : {"", static_cast<const char*>(nullptr)}) {
    RecordingTransport transport;
    transport.httpResult = kExchangeOk;
    EXPECT_EQ(CheckPop3Account(transport, "hotmail", "alice", "secret", service), kHostUnknown);
    EXPECT_TRUE(transport.log.empty()) << "no connection, no request";
  }
}

TEST(Pop3Dialogue, EmptyServerNameOpensNoConnection) {
  RecordingTransport transport;
  EXPECT_EQ(CheckPop3Account(transport, "", "alice", "secret", "127.0.0.5"), kHostUnknown);
  EXPECT_TRUE(transport.log.empty());
}

// The reply parsing.

TEST(Pop3Reply, RefusalIsErrInAnyCase) {
  EXPECT_TRUE(Pop3Refused("-ERR"));
  EXPECT_TRUE(Pop3Refused("-eRr [AUTH] Authentication failed.\r\n"));
  EXPECT_FALSE(Pop3Refused("+OK"));
  EXPECT_FALSE(Pop3Refused("-ER"));
  EXPECT_FALSE(Pop3Refused(""));
  EXPECT_FALSE(Pop3Refused(" -ERR"));
  EXPECT_FALSE(Pop3Refused(nullptr));
}

TEST(Pop3Reply, StatReadsWordCountAndSize) {
  Pop3Stat stat = ParsePop3Stat("+OK 3 1200\r\n");
  EXPECT_STREQ(stat.word, "+OK");
  EXPECT_TRUE(stat.hasCount);
  EXPECT_EQ(stat.count, 3);
  EXPECT_TRUE(stat.hasSize);
  EXPECT_EQ(stat.size, 1200);

  stat = ParsePop3Stat(" \t+OK\r\n\t7");
  EXPECT_STREQ(stat.word, "+OK");
  EXPECT_EQ(stat.count, 7);
  EXPECT_FALSE(stat.hasSize);

  stat = ParsePop3Stat("+OK\r\n");
  EXPECT_FALSE(stat.hasCount);
  EXPECT_EQ(Pop3StatCount("+OK\r\n"), 0);
  EXPECT_EQ(Pop3StatCount("+OK three 12"), 0);
  EXPECT_EQ(Pop3StatCount(""), 0);
  EXPECT_EQ(Pop3StatCount(nullptr), 0);
  EXPECT_EQ(Pop3StatCount("+OK +12 5"), 12);
  EXPECT_EQ(Pop3StatCount("+OK -12 5"), 0);
  EXPECT_EQ(Pop3StatCount("+OK 12abc"), 12);
}

TEST(Pop3Reply, LongWordIsCutAndLargeCountsClamped) {
  std::string word(300, 'W');
  Pop3Stat stat = ParsePop3Stat((word + " 4 10").c_str());
  EXPECT_EQ(std::string(stat.word), word.substr(0, 127));
  EXPECT_EQ(stat.count, 4);
  // A word runs up to white space, however long: the digits stuck to it
  // are part of it.
  EXPECT_EQ(Pop3StatCount((word + "9 1").c_str()), 1);
  EXPECT_EQ(Pop3StatCount("+OK 99999999999999999999 1"), 2147483647);
  stat = ParsePop3Stat("+OK 1 -99999999999999999999");
  EXPECT_EQ(stat.size, -2147483647 - 1);
}

// Scripted peers on free loopback ports, for what Dovecot will not do; the
// check's port 110 is sent to the peer's port.

std::vector<PeerStep> Pop3Script(const char* greeting, const char* user, const char* pass,
                                 const char* stat, const char* quit) {
  return {Send(greeting), ReadLine(), Send(user), ReadLine(), Send(pass),
          ReadLine(),     Send(stat), ReadLine(), Send(quit)};
}

class Pop3Scripted : public testing::Test {
 protected:
  void SetUp() override { StartWinsockOnce(); }
  int Check(const ScriptedPeer& peer, const char* user = "alice",
            const char* password = "secret") {
    EXPECT_TRUE(peer.Listening());
    PortMappingTransport mapped(transport, peer.Port());
    return CheckPop3Account(mapped, "127.0.0.1", user, password, "");
  }
  WinsockTransport transport{TestClock::Read};
};

TEST_F(Pop3Scripted, LowerCaseIndicatorIsAccepted) {
  ScriptedPeer peer("127.0.0.1",
                    Pop3Script("+ok hi\r\n", "+ok\r\n", "+ok\r\n", "+ok 3 1200\r\n", "+ok\r\n"));
  EXPECT_EQ(Check(peer), 3);
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Scripted, GreetingInTwoSegmentsIsSeenInPart) {
  // The rest of the greeting comes only once USER has arrived: the check
  // went on with the first segment alone, and reads the rest with the
  // answer to USER.
  ScriptedPeer peer("127.0.0.1",
                    {Send("+OK Tovix "), ReadLine(), Send("test ready\r\n+OK\r\n"), ReadLine(),
                     Send("+OK\r\n"), ReadLine(), Send("+OK 2 320\r\n"), ReadLine(),
                     Send("+OK\r\n")});
  EXPECT_EQ(Check(peer), 2);
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Scripted, RefusedGreetingIsEndedWithQuit) {
  ScriptedPeer peer("127.0.0.1", {Send("-ERR too busy\r\n"), ReadLine(), Send("+OK\r\n")});
  EXPECT_EQ(Check(peer), 0);
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), "QUIT\r\n");
}

TEST_F(Pop3Scripted, WrongPasswordIsEndedWithQuit) {
  ScriptedPeer peer("127.0.0.1",
                    {Send("+OK\r\n"), ReadLine(), Send("+OK\r\n"), ReadLine(),
                     Send("-ERR [AUTH] Authentication failed.\r\n"), ReadLine(),
                     Send("+OK Logging out\r\n")});
  EXPECT_EQ(Check(peer, "alice", "wrong"), 0);
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), "USER alice\r\nPASS wrong\r\nQUIT\r\n");
}

TEST_F(Pop3Scripted, StatWithoutACountGivesZero) {
  ScriptedPeer peer("127.0.0.1",
                    Pop3Script("+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK\r\n"));
  EXPECT_EQ(Check(peer), 0);
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Scripted, OverlongAccountNameAndPasswordAreCut) {
  std::string user(kLongestArgument, 'u'), password(kLongestArgument, 'p');
  ScriptedPeer peer("127.0.0.1",
                    Pop3Script("+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK\r\n"));
  EXPECT_EQ(Check(peer, (user + std::string(1000, 'U')).c_str(), (password + "P").c_str()), 1);
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), "USER " + user + "\r\nPASS " + password + "\r\nSTAT\r\nQUIT\r\n");
}

TEST_F(Pop3Scripted, SilenceAfterQuitLosesTheCount) {
  ScriptedPeer peer("127.0.0.1",
                    {Send("+OK\r\n"), ReadLine(), Send("+OK\r\n"), ReadLine(), Send("+OK\r\n"),
                     ReadLine(), Send("+OK 3 1200\r\n"), ReadLine(), Silence()});
  EXPECT_EQ(Check(peer), kRequestTimedOut);
  EXPECT_EQ(transport.LastFailure(), WinsockTransport::Failure::kTimedOut);
  EXPECT_TRUE(peer.Finish()) << "the client closed the connection";
  EXPECT_EQ(peer.Received(), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
}

// Nothing listens: the check ends on the refusal, not on the time running
// out (the real clock runs here).
TEST_F(Pop3Scripted, RefusedConnectionEndsTheCheckAtOnce) {
  StartWinsockOnce();
  WinsockTransport realClock;
  int port = FreeLoopbackPort();
  ASSERT_NE(port, 0);
  PortMappingTransport mapped(realClock, port);
  EXPECT_EQ(CheckPop3Account(mapped, "127.0.0.1", "alice", "secret", ""), kRequestTimedOut);
  EXPECT_EQ(realClock.LastFailure(), WinsockTransport::Failure::kRefused);
}

TEST_F(Pop3Scripted, UnresolvableServerGivesMinusOne) {
  // A 64-character label: no DNS query can carry it, so nothing leaves the machine.
  EXPECT_EQ(CheckPop3Account(transport, (std::string(64, 'p') + ".invalid").c_str(), "alice",
                             "secret", ""),
            kHostUnknown);
  EXPECT_EQ(transport.LastFailure(), WinsockTransport::Failure::kHostUnknown);
}

// The real server: our own Dovecot on TOVIX_POP3_HOST:TOVIX_POP3_PORT with a
// test mailbox; the check's port 110 is sent there.

class Pop3Dovecot : public testing::Test {
 protected:
  void SetUp() override {
    StartWinsockOnce();
    const char* host = getenv("TOVIX_POP3_HOST");
    if (!host || !*host) {
      const char* noPeers = getenv("TOVIX_NO_PEERS");
      if (noPeers && strcmp(noPeers, "1") == 0) GTEST_SKIP() << "TOVIX_NO_PEERS=1";
      FAIL() << "TOVIX_POP3_HOST is not set: start the Dovecot peer (scripts/peers/dovecot.sh, "
                "run by scripts/test.sh), or set TOVIX_NO_PEERS=1 to skip";
    }
    host_ = host;
    const char* port = getenv("TOVIX_POP3_PORT");
    port_ = port && *port ? atoi(port) : 110;
    ASSERT_GT(port_, 0) << "TOVIX_POP3_PORT=" << port;
    const char* user = getenv("TOVIX_POP3_USER");
    const char* password = getenv("TOVIX_POP3_PASSWORD");
    const char* messages = getenv("TOVIX_POP3_MESSAGES");
    ASSERT_TRUE(user && password && messages) << "the Dovecot peer exports its account";
    user_ = user;
    password_ = password;
    messages_ = atoi(messages);
    ASSERT_GT(messages_, 0);
    ASSERT_NO_FATAL_FAILURE(CheckItIsOurServer());
  }
  // Another server holding the port would make every result meaningless.
  void CheckItIsOurServer() {
    const char* greeting = getenv("TOVIX_POP3_GREETING");
    if (!greeting || !*greeting) return;
    std::string where = host_ + ":" + std::to_string(port_);
    long long connection = transport.OpenTcpConnection(host_.c_str(), port_);
    ASSERT_GE(connection, 0) << "no connection to the Dovecot peer at " << where;
    char reply[kPop3ReplySize] = "";
    ASSERT_EQ(transport.SocketExchange(connection, nullptr, reply, sizeof reply, false),
              kExchangeOk)
        << "no greeting from " << where;
    std::string seen = reply;
    if (transport.SocketExchange(connection, "QUIT\r\n", reply, sizeof reply, false) ==
        kExchangeOk) {
      transport.CloseConnection(connection);
    }
    ASSERT_NE(seen.find(greeting), std::string::npos)
        << where << " is taken by another server: it greeted \"" << seen
        << "\", our Dovecot peer greets with \"" << greeting << "\"";
  }
  int Check(const std::string& user, const std::string& password) {
    PortMappingTransport mapped(transport, port_);
    return CheckPop3Account(mapped, host_.c_str(), user.c_str(), password.c_str(), "");
  }
  WinsockTransport transport;
  std::string host_, user_, password_;
  int port_ = 110;
  int messages_ = 0;
};

TEST_F(Pop3Dovecot, CountsTheMessages) {
  EXPECT_EQ(Check(user_, password_), messages_);
  // The check changed nothing: a second one counts the same.
  EXPECT_EQ(Check(user_, password_), messages_);
}

TEST_F(Pop3Dovecot, WrongPasswordIsRefused) { EXPECT_EQ(Check(user_, password_ + "x"), 0); }

TEST_F(Pop3Dovecot, UnknownAccountIsRefused) { EXPECT_EQ(Check("nobody-here", password_), 0); }

TEST_F(Pop3Dovecot, GreetingIsOneReceive) {
  long long connection = transport.OpenTcpConnection(host_.c_str(), port_);
  ASSERT_GE(connection, 0);
  char reply[kPop3ReplySize];
  ASSERT_EQ(transport.SocketExchange(connection, nullptr, reply, sizeof reply, false),
            kExchangeOk);
  EXPECT_EQ(std::string(reply).rfind("+OK", 0), 0u) << reply;
  const std::string text = reply;
  EXPECT_EQ(text.find("\r\n"), text.size() - 2) << "the whole greeting line: " << text;
  ASSERT_EQ(transport.SocketExchange(connection, "QUIT\r\n", reply, sizeof reply, false),
            kExchangeOk);
  EXPECT_EQ(std::string(reply).rfind("+OK", 0), 0u) << reply;
  transport.CloseConnection(connection);
}

}  // namespace
