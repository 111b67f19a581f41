// The socket client over real Winsock sockets, against scripted peers on
// free loopback ports; its time limits on the test clock; and the
// completeness test of gathered HTTP responses.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mail/deadline.h"
#include "mail/http_response.h"
#include "mail/socket_client.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/test_clock.h"

namespace {

using Failure = WinsockTransport::Failure;

// A name whose 64-character label no DNS query can carry: the resolver
// fails without sending anything off this machine.
const std::string kUnresolvable = std::string(64, 'n') + ".invalid";
const char kLoopback[] = "127.0.0.1";
const char kRequest[] = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

bool IsOpenSocket(long long handle) {
  int type = 0, length = sizeof type;
  return getsockopt(SOCKET(handle), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type),
                    &length) == 0;
}

class SocketClient : public testing::Test {
 protected:
  void SetUp() override { StartWinsockOnce(); }
  int Http(const ScriptedPeer& peer) {
    return transport.HttpRequest(kLoopback, peer.Port(), kRequest, response, sizeof response);
  }
  WinsockTransport transport{TestClock::Read};
  char response[kHttpResponseSize];
};

TEST_F(SocketClient, UnknownOrEmptyHostFailsWithoutAConnection) {
  for (const std::string& host : {kUnresolvable, std::string()}) {
    EXPECT_EQ(transport.OpenTcpConnection(host.c_str(), 110), kHostUnknown) << host;
    EXPECT_EQ(transport.LastFailure(), Failure::kHostUnknown);
    strcpy(response, "stale");
    EXPECT_EQ(transport.HttpRequest(host.c_str(), 80, kRequest, response, sizeof response),
              kHostUnknown);
    EXPECT_STREQ(response, "");
  }
}

// Nothing listens on the port: the refusal ends the exchange at once, seen
// as a refusal rather than as the time running out. The real clock runs
// here, so a refusal that went unseen would show as kTimedOut.
TEST_F(SocketClient, RefusedConnectionEndsAtOnce) {
  WinsockTransport realClock;
  int port = FreeLoopbackPort();
  ASSERT_NE(port, 0);
  for (const char* text : {static_cast<const char*>(nullptr), "USER a\r\n"}) {
    long long connection = realClock.OpenTcpConnection(kLoopback, port);
    ASSERT_GE(connection, 0) << "the connection completes in the background";
    char reply[kPop3ReplySize] = "stale";
    EXPECT_EQ(realClock.SocketExchange(connection, text, reply, sizeof reply, false),
              kExchangeFailed);
    EXPECT_EQ(realClock.LastFailure(), Failure::kRefused) << (text ? text : "greeting");
    EXPECT_STREQ(reply, "");
    EXPECT_FALSE(IsOpenSocket(connection)) << "the failed exchange closes the socket";
  }
  EXPECT_EQ(realClock.HttpRequest(kLoopback, port, kRequest, response, sizeof response),
            kRequestTimedOut);
  EXPECT_EQ(realClock.LastFailure(), Failure::kRefused);
}

TEST_F(SocketClient, ExchangeWithoutGatheringTakesTheFirstSegmentOnly) {
  // The rest of the greeting comes only once NOOP has arrived.
  ScriptedPeer peer(kLoopback, {Send("+OK first "), ReadLine(), Send("second\r\n+OK next\r\n"),
                                ReadLine()});
  ASSERT_TRUE(peer.Listening());
  long long connection = transport.OpenTcpConnection(kLoopback, peer.Port());
  ASSERT_GE(connection, 0);
  char reply[kPop3ReplySize];
  ASSERT_EQ(transport.SocketExchange(connection, nullptr, reply, sizeof reply, false),
            kExchangeOk);
  EXPECT_STREQ(reply, "+OK first ");
  // The rest of the greeting is what the next exchange reads first.
  ASSERT_EQ(transport.SocketExchange(connection, "NOOP\r\n", reply, sizeof reply, false),
            kExchangeOk);
  EXPECT_EQ(std::string(reply).rfind("second\r\n", 0), 0u) << reply;
  ASSERT_EQ(transport.SocketExchange(connection, "QUIT\r\n", reply, sizeof reply, false),
            kExchangeOk);
  transport.CloseConnection(connection);
  EXPECT_FALSE(IsOpenSocket(connection));
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), "NOOP\r\nQUIT\r\n");
}

TEST_F(SocketClient, ReplyLongerThanTheBufferIsCutAndTerminated) {
  std::string line(600, 'x');
  ScriptedPeer peer(kLoopback, {Send(line), WaitForClose()});
  ASSERT_TRUE(peer.Listening());
  long long connection = transport.OpenTcpConnection(kLoopback, peer.Port());
  ASSERT_GE(connection, 0);
  char reply[kPop3ReplySize + 1];
  reply[kPop3ReplySize] = '#';
  ASSERT_EQ(transport.SocketExchange(connection, nullptr, reply, kPop3ReplySize, false),
            kExchangeOk);
  EXPECT_EQ(std::string(reply), line.substr(0, kPop3ReplySize - 1));
  EXPECT_EQ(reply[kPop3ReplySize], '#') << "nothing written past the buffer";
  transport.CloseConnection(connection);
  EXPECT_TRUE(peer.Finish());
}

TEST_F(SocketClient, SilentPeerRunsTheExchangeOutOfTime) {
  ScriptedPeer peer(kLoopback, {Silence()});
  ASSERT_TRUE(peer.Listening());
  long long connection = transport.OpenTcpConnection(kLoopback, peer.Port());
  ASSERT_GE(connection, 0);
  char reply[kPop3ReplySize];
  EXPECT_EQ(transport.SocketExchange(connection, nullptr, reply, sizeof reply, false),
            kExchangeFailed);
  EXPECT_EQ(transport.LastFailure(), Failure::kTimedOut);
  EXPECT_FALSE(IsOpenSocket(connection));
  EXPECT_TRUE(peer.Finish()) << "the peer saw the client close";
}

// How HTTP responses end. Peers that hold the connection open let the test
// clock flow: a client that waited for time instead of seeing the end of
// the response would fail.
TEST_F(SocketClient, HttpResponsesEndAtTheirEndNotAtTheDeadline) {
  const std::string withLength = "HTTP/1.1 207 Multi-Status\r\ncontent-length: 5\r\n\r\nhello";
  const std::string closed = "HTTP/1.0 200 OK\r\nServer: scripted\r\n\r\nno length, then close";
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::string body1 = "5\r\nhello\r\n", body2 = "6\r\n world\r\n0\r\n\r\n";
  const struct {
    std::vector<PeerStep> answer;
    std::string response;
  } cases[] = {
      {{Send(withLength), Silence()}, withLength},
      {{Send(closed)}, closed},
      {{Send(head), Pause(100), Send(body1), Pause(100), Send(body2), Silence()},
       head + body1 + body2},
  };
  for (const auto& c : cases) {
    std::vector<PeerStep> script = {ReadUntil("\r\n\r\n")};
    script.insert(script.end(), c.answer.begin(), c.answer.end());
    ScriptedPeer peer(kLoopback, script);
    ASSERT_TRUE(peer.Listening());
    ASSERT_EQ(Http(peer), kExchangeOk) << c.response;
    EXPECT_EQ(response, c.response);
    EXPECT_TRUE(peer.Finish()) << "the client closed the connection";
    EXPECT_EQ(peer.Received(), kRequest);
  }
}

TEST_F(SocketClient, HttpResponseWithoutALengthOnAnOpenConnectionFails) {
  const std::string answer = "HTTP/1.1 200 OK\r\nServer: scripted\r\n\r\nbody of unknown length";
  ScriptedPeer peer(kLoopback, {ReadUntil("\r\n\r\n"), Send(answer), Silence()});
  ASSERT_TRUE(peer.Listening());
  EXPECT_EQ(Http(peer), kRequestTimedOut);
  EXPECT_EQ(transport.LastFailure(), Failure::kIncomplete);
  EXPECT_STREQ(response, "");
  EXPECT_TRUE(peer.Finish());
}

// A server that sends one byte at a time is cut off when the request's time
// is up: a failure, not a reply, and the server still had bytes to send.
TEST_F(SocketClient, TricklingServerIsCutOffAtTheRequestDeadline) {
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n";
  const std::string body(3000, 'x');
  // The whole answer trickled, or its head at once and then the body.
  for (const bool headAtOnce : {false, true}) {
    const std::string trickled = headAtOnce ? body : head + body;
    ScriptedPeer peer(kLoopback, {ReadUntil("\r\n\r\n"), Send(headAtOnce ? head : ""),
                                  Trickle(trickled)});
    ASSERT_TRUE(peer.Listening());
    EXPECT_EQ(Http(peer), kRequestTimedOut) << headAtOnce;
    EXPECT_EQ(transport.LastFailure(), Failure::kIncomplete);
    EXPECT_STREQ(response, "");
    EXPECT_FALSE(peer.Finish());
    EXPECT_TRUE(peer.ClientClosedEarly());
    EXPECT_LT(peer.Trickled(), trickled.size());
  }
}

// Inside a check, a request gets what is left of the check when that is
// less than its own time; once the check's time is up, nothing connects.
TEST_F(SocketClient, CheckDeadlineCutsRequestsShort) {
  ScriptedPeer peer(kLoopback, {ReadUntil("\r\n\r\n"), Silence()});
  ASSERT_TRUE(peer.Listening());
  transport.BeginCheck(kMailCheckBudgetMs);
  uint32_t start = TestClock::Peek();
  TestClock::Advance(kMailCheckBudgetMs - 1000);
  EXPECT_EQ(Http(peer), kRequestTimedOut);
  EXPECT_EQ(transport.LastFailure(), Failure::kTimedOut);
  uint32_t used = TestClock::Peek() - start;
  EXPECT_GE(used, kMailCheckBudgetMs);
  EXPECT_LE(used, kMailCheckBudgetMs + TestClock::kStepMs) << "not the request's own 5 s";
  EXPECT_TRUE(peer.Finish());

  int port = FreeLoopbackPort();
  EXPECT_EQ(transport.OpenTcpConnection(kLoopback, port), kRequestTimedOut);
  EXPECT_EQ(transport.LastFailure(), Failure::kTimedOut) << "not refused: never connected";
  EXPECT_EQ(transport.HttpRequest(kLoopback, port, kRequest, response, sizeof response),
            kRequestTimedOut);
  // After the check, requests have their own time again.
  transport.EndCheck();
  EXPECT_EQ(transport.HttpRequest(kLoopback, port, kRequest, response, sizeof response),
            kRequestTimedOut);
  EXPECT_EQ(transport.LastFailure(), Failure::kRefused);
}

TEST_F(SocketClient, HttpResponseLongerThanTheBufferIsCutAndTerminated) {
  std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 30000\r\n\r\n";
  for (int i = 0; answer.size() < 30000; ++i) answer += std::to_string(i) + ",";
  // Holding the rest back: only the full buffer can end the gathering.
  ScriptedPeer peer(kLoopback, {ReadUntil("\r\n\r\n"), Send(answer.substr(0, 7000)), Pause(50),
                                Send(answer.substr(7000)), Silence()});
  ASSERT_TRUE(peer.Listening());
  std::string buffer(kHttpResponseSize + 16, '#');
  ASSERT_EQ(transport.HttpRequest(kLoopback, peer.Port(), kRequest, &buffer[0],
                                  kHttpResponseSize),
            kExchangeOk);
  EXPECT_EQ(std::string(buffer.c_str()), answer.substr(0, kHttpResponseSize - 1));
  EXPECT_EQ(buffer.substr(kHttpResponseSize), std::string(16, '#'));
  EXPECT_TRUE(peer.Finish());
}

TEST_F(SocketClient, HttpRequestIntoASmallBufferIsCut) {
  const std::string answer = "HTTP/1.0 200 OK\r\n\r\n0123456789";
  ScriptedPeer peer(kLoopback, {ReadUntil("\r\n\r\n"), Send(answer)});
  ASSERT_TRUE(peer.Listening());
  char small[8];
  ASSERT_EQ(transport.HttpRequest(kLoopback, peer.Port(), kRequest, small, sizeof small),
            kExchangeOk);
  EXPECT_STREQ(small, "HTTP/1.");
  EXPECT_TRUE(peer.Finish());
}

// The time limits on their own, across the clock's wrap.

TEST(Deadline, LeftAndEarlierOnAWrappingClock) {
  const struct {
    uint32_t start, budget, now, left;
  } cases[] = {
      {1000, 5000, 1000, 5000},        {1000, 5000, 5999, 1},
      {1000, 5000, 6000, 0},           {1000, 5000, 900000, 0},
      {0xFFFFF000u, 5000, 0xFFFFFFFFu, 905}, {0xFFFFF000u, 5000, 903, 1},
      {0xFFFFF000u, 5000, 904, 0},     {0xFFFFF000u, 5000, 2000, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Deadline::After(c.start, c.budget).Left(c.now), c.left)
        << c.start << " " << c.budget << " " << c.now;
  }
  EXPECT_EQ(Deadline().Left(12345), Deadline::kUnbounded);
  EXPECT_FALSE(Deadline().bounded());
  Deadline request = Deadline::After(0xFFFFFF00u, 5000);
  Deadline check = Deadline::After(0xFFFFFF00u - 18000, 20000);  // 2000 left
  EXPECT_EQ(request.Earlier(check, 0xFFFFFF00u).Left(0xFFFFFF00u), 2000u);
  EXPECT_EQ(check.Earlier(request, 0xFFFFFF00u).Left(0xFFFFFF00u), 2000u);
  EXPECT_EQ(request.Earlier(Deadline(), 0xFFFFFF00u).Left(0xFFFFFF00u), 5000u);
}

// The completeness test, on its own.

bool Complete(const std::string& data) { return HttpResponseComplete(data.data(), data.size()); }
// A literal with the zero bytes inside it.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}
TEST(HttpResponseComplete, NeedsTheWholeHeaderBlock) {
  EXPECT_FALSE(Complete(""));
  EXPECT_FALSE(Complete("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n"));
  EXPECT_FALSE(Complete("HTTP/1.1 200 OK\r\nContent-Len"));
  EXPECT_TRUE(Complete("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
  EXPECT_FALSE(HttpResponseComplete(nullptr, 0));
}

TEST(HttpResponseComplete, CountsTheContentLength) {
  const std::string head = "HTTP/1.1 207 Multi-Status\r\nContent-Type: text/xml\r\nCONTENT-length:  4 \r\n\r\n";
  EXPECT_FALSE(Complete(head));
  EXPECT_FALSE(Complete(head + "abc"));
  EXPECT_TRUE(Complete(head + "abcd"));
  EXPECT_TRUE(Complete(head + "abcde"));
  EXPECT_TRUE(Complete("HTTP/1.1 200 OK\ncontent-length:2\n\nok")) << "bare line feeds";
}

TEST(HttpResponseComplete, DoubtfulLengthsWaitForTheClose) {
  EXPECT_FALSE(Complete("HTTP/1.1 200 OK\r\nContent-Length: 2x\r\n\r\nok"));
  EXPECT_FALSE(Complete("HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\nok"));
  EXPECT_FALSE(Complete("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nok"));
  EXPECT_FALSE(Complete("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nok"));
  EXPECT_TRUE(Complete("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nok"));
}

TEST(HttpResponseComplete, WithoutALengthNeedsTheClose) {
  EXPECT_FALSE(Complete("HTTP/1.1 200 OK\r\nServer: x\r\n\r\nsome body"));
  EXPECT_FALSE(Complete("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.7/x\r\n\r\n"));
}

TEST(HttpResponseComplete, FollowsAChunkedBodyToItsEnd) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\nContent-Length: 1\r\n\r\n";
  const std::string body = "5;name=value\r\nhello\r\nA\r\n0123456789\r\n0\r\n";
  for (size_t n = 0; n < body.size(); ++n) {
    EXPECT_FALSE(Complete(head + body.substr(0, n))) << n;
  }
  EXPECT_FALSE(Complete(head + body)) << "the trailer section is not ended yet";
  EXPECT_TRUE(Complete(head + body + "\r\n"));
  EXPECT_FALSE(Complete(head + body + "Trailer: x\r\n"));
  EXPECT_TRUE(Complete(head + body + "Trailer: x\r\n\r\n"));
  EXPECT_FALSE(Complete(head + "5\r\nhelloXX0\r\n\r\n")) << "chunk data without its CRLF";
  EXPECT_FALSE(Complete(head + "zz\r\n\r\n"));
  EXPECT_FALSE(Complete(head + "fffffffffffffffff\r\nx\r\n0\r\n\r\n"));
}

TEST(HttpResponseComplete, StatusesWithoutABody) {
  EXPECT_TRUE(Complete("HTTP/1.1 204 No Content\r\n\r\n"));
  EXPECT_TRUE(Complete("HTTP/1.1 304 Not Modified\r\nContent-Length: 100\r\n\r\n"));
  // An interim response: the final one follows.
  EXPECT_FALSE(Complete("HTTP/1.1 100 Continue\r\n\r\n"));
  EXPECT_FALSE(Complete("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n"));
  EXPECT_TRUE(Complete("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
}

TEST(HttpResponseComplete, GarbageIsNeverComplete) {
  EXPECT_FALSE(Complete("\r\n\r\n"));
  EXPECT_FALSE(Complete("+OK POP3 ready\r\n\r\n"));
  EXPECT_FALSE(Complete("HTTP/1.1 2x0 OK\r\nContent-Length: 0\r\n\r\n"));
  EXPECT_FALSE(Complete("HTTP/1.1\r\nContent-Length: 0\r\n\r\n"));
  EXPECT_FALSE(Complete(Bytes("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\0\r\n")));
  EXPECT_TRUE(Complete(Bytes("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\na\0b")))
      << "bytes, not text";
}

}  // namespace
