// The socket client over real Winsock sockets, against scripted peers on
// loopback addresses; and the completeness test of gathered HTTP responses.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "mail/http_response.h"
#include "mail/socket_client.h"
#include "tests/mail/scripted_peer.h"

namespace {

using Clock = std::chrono::steady_clock;

// A name whose 64-character label no DNS query can carry: the resolver
// fails without sending anything off this machine.
const std::string kUnresolvable = std::string(64, 'n') + ".invalid";
// Scripted HTTP peers listen on port 80 of an address of their own.
const char kHttpPeer[] = "127.0.0.7";
const char kRequest[] = "GET / HTTP/1.1\r\nHost: 127.0.0.7\r\n\r\n";

bool IsOpenSocket(long long handle) {
  int type = 0, length = sizeof type;
  return getsockopt(SOCKET(handle), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type),
                    &length) == 0;
}

class SocketClient : public testing::Test {
 protected:
  void SetUp() override { StartWinsockOnce(); }
  WinsockTransport transport;
  char response[kHttpResponseSize];
};

TEST_F(SocketClient, UnresolvableHostFailsAtOnce) {
  auto start = Clock::now();
  EXPECT_EQ(transport.OpenTcpConnection(kUnresolvable.c_str(), 110), kHostUnknown);
  strcpy(response, "stale");
  EXPECT_EQ(transport.HttpRequest(kUnresolvable.c_str(), 80, kRequest, response,
                                  sizeof response),
            kHostUnknown);
  EXPECT_STREQ(response, "");
  EXPECT_LT(SecondsSince(start), 1.0);
}

TEST_F(SocketClient, RefusedConnectionShowsAsTheWaitRunningOut) {
  // Nothing listens on this address.
  long long connection = transport.OpenTcpConnection("127.0.0.8", 110);
  ASSERT_GE(connection, 0);
  EXPECT_TRUE(IsOpenSocket(connection));
  char reply[kPop3ReplySize];
  auto start = Clock::now();
  EXPECT_EQ(transport.SocketExchange(connection, nullptr, reply, sizeof reply, false),
            kExchangeFailed);
  double seconds = SecondsSince(start);
  EXPECT_GT(seconds, 4.8);
  EXPECT_LT(seconds, 7.0);
  EXPECT_STREQ(reply, "");
  EXPECT_FALSE(IsOpenSocket(connection)) << "the failed exchange closes the socket";
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(SocketClient, ExchangeWithoutGatheringTakesTheFirstSegmentOnly) {
  ScriptedPeer peer("127.0.0.4", 2110,
                    {Send("+OK first "), Pause(300), Send("second\r\n"), ReadLine(),
                     Send("+OK next\r\n"), ReadLine()});
  ASSERT_TRUE(peer.Listening());
  long long connection = transport.OpenTcpConnection("127.0.0.4", 2110);
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
  ScriptedPeer peer("127.0.0.4", 2110, {Send(line), WaitForClose()});
  ASSERT_TRUE(peer.Listening());
  long long connection = transport.OpenTcpConnection("127.0.0.4", 2110);
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

TEST_F(SocketClient, HttpPeerThatClosesEndsTheGatheringAtOnce) {
  const std::string answer = "HTTP/1.0 200 OK\r\nServer: scripted\r\n\r\nno length, then close";
  ScriptedPeer peer(kHttpPeer, 80, {ReadUntil("\r\n\r\n"), Send(answer)});
  ASSERT_TRUE(peer.Listening());
  auto start = Clock::now();
  ASSERT_EQ(transport.HttpRequest(kHttpPeer, 80, kRequest, response, sizeof response),
            kExchangeOk);
  EXPECT_LT(SecondsSince(start), 1.0);
  EXPECT_EQ(response, answer);
  EXPECT_TRUE(peer.Finish());
  EXPECT_EQ(peer.Received(), kRequest);
}

TEST_F(SocketClient, HttpPeerKeepingTheConnectionWithALengthReturnsAtOnce) {
  const std::string answer = "HTTP/1.1 207 Multi-Status\r\ncontent-length: 5\r\n\r\nhello";
  ScriptedPeer peer(kHttpPeer, 80, {ReadUntil("\r\n\r\n"), Send(answer), WaitForClose()});
  ASSERT_TRUE(peer.Listening());
  auto start = Clock::now();
  ASSERT_EQ(transport.HttpRequest(kHttpPeer, 80, kRequest, response, sizeof response),
            kExchangeOk);
  EXPECT_LT(SecondsSince(start), 1.0);
  EXPECT_EQ(response, answer);
  EXPECT_TRUE(peer.Finish()) << "the client closed the connection";
}

TEST_F(SocketClient, HttpResponseSplitAcrossSegmentsIsGathered) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::string body1 = "5\r\nhello\r\n", body2 = "6\r\n world\r\n0\r\n\r\n";
  ScriptedPeer peer(kHttpPeer, 80,
                    {ReadUntil("\r\n\r\n"), Send(head), Pause(200), Send(body1), Pause(200),
                     Send(body2), WaitForClose()});
  ASSERT_TRUE(peer.Listening());
  auto start = Clock::now();
  ASSERT_EQ(transport.HttpRequest(kHttpPeer, 80, kRequest, response, sizeof response),
            kExchangeOk);
  double seconds = SecondsSince(start);
  EXPECT_GT(seconds, 0.35);
  EXPECT_LT(seconds, 1.5);
  EXPECT_EQ(response, head + body1 + body2);
  EXPECT_TRUE(peer.Finish());
}

TEST_F(SocketClient, HttpPeerKeepingTheConnectionWithoutALengthEndsAfterTheWait) {
  const std::string answer = "HTTP/1.1 200 OK\r\nServer: scripted\r\n\r\nbody of unknown length";
  ScriptedPeer peer(kHttpPeer, 80, {ReadUntil("\r\n\r\n"), Send(answer), WaitForClose()});
  ASSERT_TRUE(peer.Listening());
  auto start = Clock::now();
  ASSERT_EQ(transport.HttpRequest(kHttpPeer, 80, kRequest, response, sizeof response),
            kExchangeOk);
  double seconds = SecondsSince(start);
  EXPECT_GT(seconds, 4.8);
  EXPECT_LT(seconds, 7.0);
  EXPECT_EQ(response, answer);
  EXPECT_TRUE(peer.Finish());
}

TEST_F(SocketClient, HttpResponseLongerThanTheBufferIsCutAndTerminated) {
  std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 30000\r\n\r\n";
  for (int i = 0; answer.size() < 30000; ++i) answer += std::to_string(i) + ",";
  ScriptedPeer peer(kHttpPeer, 80,
                    {ReadUntil("\r\n\r\n"), Send(answer.substr(0, 7000)), Pause(100),
                     Send(answer.substr(7000)), WaitForClose()});
  ASSERT_TRUE(peer.Listening());
  std::string buffer(kHttpResponseSize + 16, '#');
  auto start = Clock::now();
  ASSERT_EQ(transport.HttpRequest(kHttpPeer, 80, kRequest, &buffer[0], kHttpResponseSize),
            kExchangeOk);
  EXPECT_LT(SecondsSince(start), 1.0) << "a full buffer ends the gathering";
  EXPECT_EQ(std::string(buffer.c_str()), answer.substr(0, kHttpResponseSize - 1));
  EXPECT_EQ(buffer.substr(kHttpResponseSize), std::string(16, '#'));
  EXPECT_TRUE(peer.Finish());
}

TEST_F(SocketClient, HttpRequestIntoASmallBufferIsCut) {
  const std::string answer = "HTTP/1.0 200 OK\r\n\r\n0123456789";
  ScriptedPeer peer(kHttpPeer, 80, {ReadUntil("\r\n\r\n"), Send(answer)});
  ASSERT_TRUE(peer.Listening());
  char small[8];
  ASSERT_EQ(transport.HttpRequest(kHttpPeer, 80, kRequest, small, sizeof small), kExchangeOk);
  EXPECT_STREQ(small, "HTTP/1.");
  EXPECT_TRUE(peer.Finish());
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
