// The HTTPMail check: the exact requests of a recorded dialogue and every
// status, limit and malformed answer through a scripted transport; the
// parsers against a guard page; the whole dialogue over real sockets with a
// scripted server; and our Digest header against Apache's own check.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mail/digest.h"
#include "mail/httpmail_check.h"
#include "mail/httpmail_parse.h"
#include "mail/httpmail_request.h"
#include "mail/md5.h"
#include "mail/socket_client.h"
#include "tests/mail/scripted_http_server.h"
#include "tests/mail/test_clock.h"

namespace {

// Answers each HttpRequest with the next canned response and records it.
class ScriptedTransport : public MailTransport {
 public:
  struct Call {
    std::string host;
    int port;
    std::string request;
  };
  explicit ScriptedTransport(std::vector<std::string> responses) : responses_(std::move(responses)) {}
  // Makes request number `index` (from 0) fail with `result`.
  void FailAt(size_t index, int result) { failIndex_ = index, failResult_ = result; }

  long long OpenTcpConnection(const char*, int) override {
    ADD_FAILURE() << "the HTTPMail check only uses HttpRequest";
    return kNoSocket;
  }
  int SocketExchange(long long, const char*, char*, int, bool) override {
    ADD_FAILURE() << "the HTTPMail check only uses HttpRequest";
    return kExchangeFailed;
  }
  void CloseConnection(long long) override { ADD_FAILURE() << "nothing to close"; }
  int HttpRequest(const char* host, int port, const char* request, char* response,
                  int size) override {
    EXPECT_EQ(size, kHttpResponseSize);
    calls.push_back({host, port, request});
    size_t i = calls.size() - 1;
    response[0] = '\0';
    if (i == failIndex_) return failResult_;
    if (i >= responses_.size()) {
      ADD_FAILURE() << "unexpected request " << i + 1 << ":\n" << request;
      return kHostUnknown;
    }
    // As the socket client does: the excess is cut, the text terminated.
    size_t n = std::min(responses_[i].size(), size_t(size - 1));
    memcpy(response, responses_[i].data(), n);
    response[n] = '\0';
    return kExchangeOk;
  }
  std::vector<Call> calls;

 private:
  std::vector<std::string> responses_;
  size_t failIndex_ = size_t(-1);
  int failResult_ = kExchangeOk;
};

// The requests as the dialogue must send them, spelt out piece by piece.
const std::string kStandard =
    "Depth: 0\r\nBrief: t\r\nContent-Type: text/xml\r\nAccept-Charset: UTF-16\r\n"
    "User-Agent: Outlook-Express/6\r\n";
const std::string kConnection = "Connection: Keep-Alive\r\nCache-Control: no-cache\r\n";
const std::string kFolderRootQuery =
    "<?xml version=\"1.0\"?><D:propfind xmlns:D=\"DAV:\" xmlns:hm=\"urn:schemas:httpmail:\">"
    "<D:prop><hm:msgfolderroot/></D:prop></D:propfind>\r\n\r\n";
const std::string kUnreadQuery =
    "<?xml version=\"1.0\"?><D:propfind xmlns:D=\"DAV:\" xmlns:hm=\"urn:schemas:httpmail:\">"
    "<D:prop><hm:unreadcount/></D:prop></D:propfind>\r\n\r\n";

std::string StartRequest(const std::string& host) {
  return "PROPFIND /svcs/hotmail/httpmail.asp HTTP/1.1\r\n" + kStandard + "Host: " + host +
         "\r\n" + kConnection + "\r\n";
}
std::string FollowUp(const std::string& target, const std::string& host,
                     const std::string& cookies, const std::string& body,
                     const std::string& authorization = "") {
  return "PROPFIND " + target + " HTTP/1.1\r\n" + kStandard + authorization + "Host: " + host +
         "\r\n" + kConnection + cookies + "\r\n" + body;
}

// A dialogue as the service spoke it: 302, 401, 207, then the folders.
struct RecordedDialogue {
  std::vector<std::string> responses;
  std::vector<std::string> requests;
};
RecordedDialogue Recorded(const std::string& service, const std::string& login,
                          const std::string& folders) {
  RecordedDialogue d;
  d.responses = {
      "HTTP/1.1 302 Moved Temporarily\r\nServer: scripted\r\n"
      "Location: http://" + login + "/cgi-bin/hmdata?svc=mail&lang=ja\r\n"
      "Set-Cookie: MC1=V=3&GUID=ab; domain=127.0.0.4; path=/\r\n"
      "Set-Cookie: MSPRequ=lt=1&co=1; path=/\r\nContent-Length: 0\r\n\r\n",
      "HTTP/1.1 401 Unauthorized\r\n"
      "WWW-Authenticate: Digest realm=\"hotmail.test\", nonce=\"3d1f0e8a7c\", qop=\"auth\"\r\n"
      "Set-Cookie: HMSC=s1; path=/\r\nContent-Length: 0\r\n\r\n",
      "HTTP/1.1 207 Multi-Status\r\nSet-Cookie: HMSP=p2; path=/\r\n"
      "Content-Type: text/xml\r\n\r\n"
      "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"
      "<D:multistatus xmlns:D=\"DAV:\" xmlns:hm=\"urn:schemas:httpmail:\"><D:response>"
      "<D:propstat><D:prop><hm:msgfolderroot>http://" + folders + "/cgi-bin/folders/"
      "</hm:msgfolderroot></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
      "</D:response></D:multistatus>",
      "HTTP/1.1 207 Multi-Status\r\nContent-Type: text/xml\r\n\r\n"
      "<?xml version=\"1.0\"?>\r\n<D:multistatus xmlns:D=\"DAV:\" "
      "xmlns:hm=\"urn:schemas:httpmail:\"><D:response><D:id>F000000002</D:id><D:propstat>"
      "<D:prop><hm:unreadcount>9</hm:unreadcount></D:prop></D:propstat></D:response>"
      "<D:response><D:id>F000000001</D:id><D:propstat><D:prop>"
      "<hm:unreadcount>3</hm:unreadcount></D:prop></D:propstat></D:response>"
      "</D:multistatus>",
  };
  // cnonce = MD5("2"); response = MD5(HA1:nonce:00000001:cnonce:auth:HA2) with
  // HA1 = MD5("taro:hotmail.test:himitsu"), HA2 = MD5("PROPFIND:/cgi-bin/hmdata"),
  // computed with Python's hashlib.
  const std::string authorization =
      "Authorization: Digest username=\"taro\", realm=\"hotmail.test\", qop=\"auth\", "
      "algorithm=\"MD5\", uri=\"/cgi-bin/hmdata\", nonce=\"3d1f0e8a7c\", nc=00000001, "
      "cnonce=\"c81e728d9d4c2f636f067f89cc14862c\", "
      "response=\"8073131e3ee86457e5a193f57b7a1932\"\r\n";
  d.requests = {
      StartRequest(service),
      FollowUp("/cgi-bin/hmdata?svc=mail&lang=ja", login,
               "Cookie: ; MC1=V=3&GUID=ab; MSPRequ=lt=1&co=1\r\n", kFolderRootQuery),
      FollowUp("/cgi-bin/hmdata?svc=mail&lang=ja", login, "Cookie: ; HMSC=s1\r\n",
               kFolderRootQuery, authorization),
      FollowUp("/cgi-bin/folders/", folders, "Cookie: ; HMSP=p2\r\n", kUnreadQuery),
  };
  return d;
}

const char kRedirect[] =
    "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4/next\r\nContent-Length: 0\r\n\r\n";
const char kFolderRoot[] =
    "HTTP/1.1 207 Multi-Status\r\n\r\n<hm:msgfolderroot>http://127.0.0.5/folders/"
    "</hm:msgfolderroot>";
const char kUnread5[] =
    "HTTP/1.1 207 Multi-Status\r\n\r\n<D:id>F000000001</D:id><hm:unreadcount>5</hm:unreadcount>";

TEST(HttpMailCheck, RecordedDialogueSendsTheFourRequestsByteForByte) {
  RecordedDialogue d = Recorded("127.0.0.3:8080", "127.0.0.4", "127.0.0.5:8081");
  ScriptedTransport transport(d.responses);
  EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3:8080", "taro", "himitsu"), 3);
  ASSERT_EQ(transport.calls.size(), 4u);
  const char* hosts[] = {"127.0.0.3", "127.0.0.4", "127.0.0.4", "127.0.0.5"};
  const int ports[] = {8080, 80, 80, 8081};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(transport.calls[i].request, d.requests[i]) << "request " << i + 1;
    EXPECT_EQ(transport.calls[i].host, hosts[i]) << "request " << i + 1;
    EXPECT_EQ(transport.calls[i].port, ports[i]) << "request " << i + 1;
  }
}

TEST(HttpMailCheck, EveryPrefixOfTheRecordedAnswersEndsCleanly) {
  RecordedDialogue d = Recorded("127.0.0.3", "127.0.0.4", "127.0.0.5");
  for (size_t step = 0; step < d.responses.size(); ++step) {
    for (size_t cut = 0; cut < d.responses[step].size(); ++cut) {
      std::vector<std::string> responses = d.responses;
      responses[step].resize(cut);
      ScriptedTransport transport(responses);
      int result = CheckHttpMailAccount(transport, "127.0.0.3", "taro", "himitsu");
      // A cut in a value may still leave a usable one; never another count.
      EXPECT_TRUE(result == 0 || result == 3) << step << " " << cut;
      EXPECT_LE(transport.calls.size(), 4u);
      if (cut < 12) {  // no status code: the check ends here
        EXPECT_EQ(result, 0);
        EXPECT_EQ(transport.calls.size(), step + 1);
      }
    }
  }
}

TEST(HttpMailCheck, StartAnsweredBy207ReadsTheFolderRootAtOnce) {
  ScriptedTransport transport({kFolderRoot, kUnread5});
  EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "taro", "himitsu"), 5);
  ASSERT_EQ(transport.calls.size(), 2u);
  EXPECT_EQ(transport.calls[0].request, StartRequest("127.0.0.3"));
  EXPECT_EQ(transport.calls[1].request, FollowUp("/folders/", "127.0.0.5", "", kUnreadQuery));
  EXPECT_EQ(transport.calls[1].host, "127.0.0.5");
  EXPECT_EQ(transport.calls[1].port, 80);
}

TEST(HttpMailCheck, ChallengeBeforeAnyRedirectUsesTheServiceHostAndStartPath) {
  ScriptedTransport transport(
      {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest qop=\"auth\", "
       "nonce=\"3d1f0e8a7c\", realm=\"hotmail.test\"\r\n\r\n",
       kFolderRoot, kUnread5});
  EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "taro", "himitsu"), 5);
  ASSERT_EQ(transport.calls.size(), 3u);
  // The realm stands after the nonce: found all the same. cnonce = MD5("1").
  EXPECT_EQ(transport.calls[1].request,
            FollowUp("/svcs/hotmail/httpmail.asp", "127.0.0.3", "", kFolderRootQuery,
                     "Authorization: Digest username=\"taro\", realm=\"hotmail.test\", "
                     "qop=\"auth\", algorithm=\"MD5\", uri=\"/svcs/hotmail/httpmail.asp\", "
                     "nonce=\"3d1f0e8a7c\", nc=00000001, "
                     "cnonce=\"c4ca4238a0b923820dcc509a6f75849b\", "
                     "response=\"826ca915e1e905be9142ac054f7bf8d8\"\r\n"));
  EXPECT_EQ(transport.calls[1].host, "127.0.0.3");
}

TEST(HttpMailCheck, OtherRedirectsAndRefusalsEndWithZeroAndNoFurtherRequest) {
  const std::string challenge =
      "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n\r\n";
  const struct {
    std::vector<std::string> responses;
  } cases[] = {
      {{"HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.4/x\r\n\r\n"}},
      {{"HTTP/1.1 403 Forbidden\r\n\r\n"}},
      {{kRedirect, "HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.4/x\r\n\r\n"}},
      {{kRedirect, challenge, "HTTP/1.1 403 Forbidden\r\n\r\n"}},
      {{"HTTP/1.1 304 Not Modified\r\n\r\n"}},
      {{"HTTP/1.1 200 OK\r\n\r\n<hm:msgfolderroot>http://127.0.0.5/f/</hm:msgfolderroot>"}},
      {{kRedirect, "HTTP/1.1 500 Internal Server Error\r\n\r\n"}},
      {{""}},
      {{"HTTP/1.1 30"}},
      {{"HTTP/1.1 4"}},
  };
  for (const auto& c : cases) {
    ScriptedTransport transport(c.responses);
    EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "taro", "himitsu"), 0)
        << c.responses.back();
    EXPECT_EQ(transport.calls.size(), c.responses.size()) << c.responses.back();
  }
}

TEST(HttpMailCheck, FifteenRedirectsEndAfterTheFourteenthFollowUp) {
  ScriptedTransport refused(std::vector<std::string>(15, kRedirect));
  EXPECT_EQ(CheckHttpMailAccount(refused, "127.0.0.3", "taro", "himitsu"), 0);
  EXPECT_EQ(refused.calls.size(), 15u);
  // Fourteen redirects are still followed to the end.
  std::vector<std::string> responses(14, kRedirect);
  responses.push_back(kFolderRoot);
  responses.push_back(kUnread5);
  ScriptedTransport accepted(responses);
  EXPECT_EQ(CheckHttpMailAccount(accepted, "127.0.0.3", "taro", "himitsu"), 5);
  EXPECT_EQ(accepted.calls.size(), 16u);
}

TEST(HttpMailCheck, RepeatedChallengesCountTheirCnonceAndStopAtFourteen) {
  ScriptedTransport transport(std::vector<std::string>(
      15, "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n\r\n"));
  EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "taro", "wrong"), 0);
  ASSERT_EQ(transport.calls.size(), 15u);
  // MD5 of "1", "2" and "3" (hashlib): the cnonce follows the counter.
  const char* cnonces[] = {"c4ca4238a0b923820dcc509a6f75849b", "c81e728d9d4c2f636f067f89cc14862c",
                           "eccbc87e4b5ce2fe28308fd9f2a7baf3"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(transport.calls[i + 1].request.find(std::string("cnonce=\"") + cnonces[i] + "\""),
              std::string::npos)
        << transport.calls[i + 1].request;
  }
}

TEST(HttpMailCheck, QueryStaysInTheRequestLineButNotInTheDigestUri) {
  ScriptedTransport transport(
      {"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4/a/b.dll?x=1?y=2\r\n\r\n",
       "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n\r\n",
       kFolderRoot, kUnread5});
  EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "u", "p"), 5);
  ASSERT_EQ(transport.calls.size(), 4u);
  const std::string& challenged = transport.calls[2].request;
  EXPECT_EQ(challenged.rfind("PROPFIND /a/b.dll?x=1?y=2 HTTP/1.1\r\n", 0), 0u) << challenged;
  EXPECT_NE(challenged.find("uri=\"/a/b.dll\", "), std::string::npos) << challenged;
  // HA2 = MD5("PROPFIND:/a/b.dll"), cnonce = MD5("2"), from hashlib.
  EXPECT_NE(challenged.find("response=\"3304a9310ff9ae512fa04536eace33a3\""), std::string::npos)
      << challenged;
}

TEST(HttpMailCheck, MissingInboxEntryGivesZero) {
  ScriptedTransport transport(
      {kFolderRoot, "HTTP/1.1 207 Multi-Status\r\n\r\n<D:id>F000000002</D:id>"
                    "<hm:unreadcount>4</hm:unreadcount>"});
  EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "u", "p"), 0);
  EXPECT_EQ(transport.calls.size(), 2u);
}

TEST(HttpMailCheck, AnswersLackingWhatAStepLooksForEndTheCheck) {
  const std::string ok401 = "HTTP/1.1 401 X\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n\r\n";
  const struct {
    std::vector<std::string> responses;
    const char* what;
  } cases[] = {
      {{"HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n"}, "no Location"},
      {{"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4\r\n\r\n"}, "no slash"},
      {{"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4\r\n\r\n/x"}, "slash after the CR"},
      {{"HTTP/1.1 302 Found\r\nLocation: http:/"}, "Location at the end"},
      {{"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4/x\r\nSet-Cookie: a=1\r\n\r\n"},
       "no semicolon after a cookie"},
      {{"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4/x\r\nSet-Cookie: a=1"},
       "cookie at the end"},
      {{"HTTP/1.1 401 X\r\nWWW-Authenticate: Digest realm=\"r\"\r\n\r\n"}, "no nonce"},
      {{"HTTP/1.1 401 X\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n"}, "nonce unquoted"},
      {{"HTTP/1.1 401 X\r\nWWW-Authenticate: Digest nonce=\"n\"\r\n\r\n"}, "no realm"},
      {{"HTTP/1.1 401 X\r\nWWW-Authenticate: Digest nonce=\"n\", realm=\"r"}, "realm unquoted"},
      {{"HTTP/1.1 401 X\r\nWWW-Authenticate: Digest nonce=\"n\", realm="}, "realm at the end"},
      {{"HTTP/1.1 207 Multi-Status\r\n\r\n<hm:unreadcount>1</hm:unreadcount>"}, "no folder root"},
      {{"HTTP/1.1 207 Multi-Status\r\n\r\n<hm:msgfolderroot>http://127.0.0.5/f/"}, "root without <"},
      {{"HTTP/1.1 207 Multi-Status\r\n\r\n<hm:msgfolderroot>http://127.0.0.5</hm:msgfolderroot>"},
       "root without slash"},
      {{"HTTP/1.1 207 Multi-Status\r\n\r\n<hm:msgfolderroot>http"}, "root at the end"},
      {{ok401, kFolderRoot,
        "HTTP/1.1 207 Multi-Status\r\n\r\n<D:id>F000000001</D:id><hm:unreadcount>5"},
       "no < after the count"},
      {{kFolderRoot, "HTTP/1.1 207 Multi-Status\r\n\r\n<hm:unreadcount>5</hm:unreadcount>"
                     "<D:id>F000000001</D:id>"},
       "count only before the inbox"},
  };
  for (const auto& c : cases) {
    ScriptedTransport transport(c.responses);
    EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "u", "p"), 0) << c.what;
    EXPECT_EQ(transport.calls.size(), c.responses.size()) << c.what;
  }
}

TEST(HttpMailCheck, SocketFailureOfAnyRequestGivesMinusOne) {
  RecordedDialogue d = Recorded("127.0.0.3", "127.0.0.4", "127.0.0.5");
  for (int result : {kHostUnknown, kNoSocket, kRequestTimedOut}) {
    for (size_t step = 0; step < 4; ++step) {
      ScriptedTransport transport(d.responses);
      transport.FailAt(step, result);
      EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "taro", "himitsu"), -1)
          << step << " " << result;
      EXPECT_EQ(transport.calls.size(), step + 1);
    }
  }
}

TEST(HttpMailCheck, CookiesComeFromTheWholeHeaderBlockOfTheLatestAnswerOnly) {
  ScriptedTransport transport(
      {"HTTP/1.1 302 Found\r\nSet-Cookie: a=1; path=/\r\nLocation: http://127.0.0.4/x\r\n"
       "Set-Cookie: b=2;\r\n\r\nSet-Cookie: body=no;",
       "HTTP/1.1 401 X\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n"
       "Set-Cookie: c=3; secure\r\n\r\n",
       "HTTP/1.1 207 Multi-Status\r\n\r\n<hm:msgfolderroot>http://127.0.0.5/f/"
       "</hm:msgfolderroot>Set-Cookie: body=no;",
       kUnread5});
  EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "u", "p"), 5);
  ASSERT_EQ(transport.calls.size(), 4u);
  EXPECT_EQ(transport.calls[0].request.find("Cookie"), std::string::npos);
  EXPECT_NE(transport.calls[1].request.find("Cache-Control: no-cache\r\nCookie: ; a=1; b=2\r\n\r\n"),
            std::string::npos)
      << transport.calls[1].request;
  EXPECT_NE(transport.calls[2].request.find("Cache-Control: no-cache\r\nCookie: ; c=3\r\n\r\n"),
            std::string::npos)
      << transport.calls[2].request;
  // The answer to the challenged request set no cookie: none is sent.
  EXPECT_EQ(transport.calls[3].request.find("Cookie"), std::string::npos)
      << transport.calls[3].request;
}

TEST(HttpMailCheck, TextsLongerThanTheirBuffersEndTheCheckWithoutOverflow) {
  auto redirectTo = [](const std::string& path) {
    return "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4" + path + "\r\n\r\n";
  };
  auto challenge = [](const std::string& realm, const std::string& nonce) {
    return "HTTP/1.1 401 X\r\nWWW-Authenticate: Digest realm=\"" + realm + "\", nonce=\"" +
           nonce + "\"\r\n\r\n";
  };
  auto cookie = [](size_t length, int count) {
    std::string headers;
    for (int i = 0; i < count; ++i) headers += "Set-Cookie: " + std::string(length, 'c') + ";\r\n";
    return "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4/x\r\n" + headers + "\r\n";
  };
  const std::string path511 = "/" + std::string(510, 'p');
  const struct {
    std::string response;
    size_t requests;  // 2: the long text was taken; 1: the check ended
  } cases[] = {
      {redirectTo(path511), 2},
      {redirectTo(path511 + "p"), 1},
      {challenge(std::string(127, 'r'), "n"), 2},
      {challenge(std::string(128, 'r'), "n"), 1},
      {challenge("r", std::string(511, 'n')), 2},
      {challenge("r", std::string(512, 'n')), 1},
      {cookie(1023, 1), 2},
      {cookie(1024, 1), 1},
      {cookie(1000, 9), 2},   // the request stays under 10 240 bytes
      {cookie(1000, 10), 1},  // it would not
  };
  for (const auto& c : cases) {
    ScriptedTransport transport({c.response, "HTTP/1.1 403 Forbidden\r\n\r\n"});
    EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "u", "p"), 0);
    EXPECT_EQ(transport.calls.size(), c.requests) << c.response.substr(0, 120);
  }
  ScriptedTransport none({});
  EXPECT_EQ(CheckHttpMailAccount(none, std::string(512, 'h').c_str(), "u", "p"), 0);
  EXPECT_TRUE(none.calls.empty());
}

TEST(HttpMailCheck, UnreadCountIsReadAsAtoiDoes) {
  const struct {
    const char* value;
    int count;
  } cases[] = {{"12", 12}, {" 7abc", 7}, {"+4", 4}, {"", 0}, {"x", 0}, {"-3", 0},
               {"2147483647", INT_MAX}, {"99999999999999999999", INT_MAX}};
  for (const auto& c : cases) {
    ScriptedTransport transport(
        {kFolderRoot, std::string("HTTP/1.1 207 Multi-Status\r\n\r\n<D:id>F000000001</D:id>"
                                  "<hm:unreadcount>") + c.value + "</hm:unreadcount>"});
    EXPECT_EQ(CheckHttpMailAccount(transport, "127.0.0.3", "u", "p"), c.count) << c.value;
  }
}

// Text placed right before a page that may not be read: a parser reading one
// byte past its length crashes the test program.
class GuardedText {
 public:
  GuardedText() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    page_ = info.dwPageSize;
    base_ = static_cast<char*>(VirtualAlloc(nullptr, 4 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(base_ + 3 * page_, page_, PAGE_NOACCESS, &old);
  }
  ~GuardedText() { VirtualFree(base_, 0, MEM_RELEASE); }
  bool ok() const { return base_ != nullptr; }
  const char* Place(const std::string& text) {
    char* at = base_ + 3 * page_ - text.size();
    memcpy(at, text.data(), text.size());
    return at;
  }

 private:
  size_t page_;
  char* base_;
};

TEST(HttpMailParse, ParsersNeverReadPastTheirText) {
  GuardedText guard;
  ASSERT_TRUE(guard.ok());
  RecordedDialogue d = Recorded("127.0.0.3", "127.0.0.4", "127.0.0.5");
  std::vector<std::string> samples = d.responses;
  samples.push_back("HTTP/1.1 401 X\r\nWWW-Authenticate: Digest nonce=\"n\", realm=\"r\"");
  samples.push_back("HTTP/1.1 302 Found\r\nLocation: http://h/p\r\nSet-Cookie: a=1;");
  int found = 0;
  for (const std::string& sample : samples) {
    for (size_t cut = 0; cut <= sample.size(); ++cut) {
      const char* text = guard.Place(sample.substr(0, cut));
      char a[512], b[512], cookies[2048];
      ClassifyHttpMailStatus(text, cut);
      found += ParseRedirect(text, cut, a, sizeof a, b, sizeof b);
      found += ParseChallenge(text, cut, a, sizeof a, b, 128);
      found += ParseFolderRoot(text, cut, a, sizeof a, b, sizeof b);
      found += ParseUnreadCount(text, cut) >= 0;
      found += CollectCookies(text, cut, cookies, sizeof cookies) && cookies[0] != '\0';
      found += SearchText(text, cut, cut, "x") != kTextNotFound;
    }
  }
  EXPECT_GT(found, 0);  // the full samples do parse
}

TEST(HttpMailParse, ValuesAreTakenAtTheirFixedOffsets) {
  char a[512], b[512];
  const std::string redirect = "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.4:81/p?q=1\r\n";
  ASSERT_TRUE(ParseRedirect(redirect.data(), redirect.size(), a, sizeof a, b, sizeof b));
  EXPECT_STREQ(a, "127.0.0.4:81");
  EXPECT_STREQ(b, "/p?q=1");
  // Without a CR the value runs to the end of the text.
  const std::string bare = "Location: https://h/x";
  ASSERT_TRUE(ParseRedirect(bare.data(), bare.size(), a, sizeof a, b, sizeof b));
  EXPECT_STREQ(a, "");  // 17 characters skipped: "https:/" is one too many
  EXPECT_STREQ(b, "/h/x");
  const std::string challenge = "Digest nonce=\"a b\", realm=\"\"";
  ASSERT_TRUE(ParseChallenge(challenge.data(), challenge.size(), a, sizeof a, b, 128));
  EXPECT_STREQ(a, "a b");
  EXPECT_STREQ(b, "");
  const std::string root = "<hm:msgfolderroot>http://h:8/f/g</hm:msgfolderroot>";
  ASSERT_TRUE(ParseFolderRoot(root.data(), root.size(), a, sizeof a, b, sizeof b));
  EXPECT_STREQ(a, "h:8");
  EXPECT_STREQ(b, "/f/g");
  char cookies[64];
  const std::string none = "HTTP/1.1 207 OK\r\n\r\n";
  ASSERT_TRUE(CollectCookies(none.data(), none.size(), cookies, sizeof cookies));
  EXPECT_STREQ(cookies, "");
  const std::string two = "Set-Cookie: a=1;Set-Cookie: b=2; x\r\n";
  ASSERT_TRUE(CollectCookies(two.data(), two.size(), cookies, sizeof cookies));
  EXPECT_STREQ(cookies, "Cookie: ; a=1; b=2\r\n");
}

TEST(HttpMailParse, SplitHostPort) {
  const struct {
    const char* text;
    const char* name;
    int port;
  } cases[] = {{"127.0.0.3", "127.0.0.3", 80},       {"127.0.0.3:8080", "127.0.0.3", 8080},
               {"mail.example:1", "mail.example", 1}, {"h:65535", "h", 65535},
               {"h:65536", "h:65536", 80},           {"h:0", "h:0", 80},
               {"h:", "h:", 80},                     {"h:8x", "h:8x", 80},
               {"h:123456", "h:123456", 80},         {"", "", 80}};
  for (const auto& c : cases) {
    char name[512];
    int port = -1;
    EXPECT_TRUE(SplitHostPort(c.text, name, sizeof name, &port)) << c.text;
    EXPECT_STREQ(name, c.name);
    EXPECT_EQ(port, c.port) << c.text;
  }
  char small[4] = "zzz";
  int port;
  EXPECT_FALSE(SplitHostPort("abcd:80", small, sizeof small, &port));
  EXPECT_STREQ(small, "");
}

TEST(Digest, Rfc2617ExampleThroughTheHeaderBuilder) {
  DigestParams p = {"GET", "Mufasa", "testrealm@host.com", "Circle Of Life", "/dir/index.html",
                    "dcd98b7102dd2f0e8b11d0f600bfb0c093", "0a4f113b"};
  char line[1024];
  ASSERT_TRUE(BuildDigestAuthorization(p, line, sizeof line));
  EXPECT_STREQ(line,
               "Authorization: Digest username=\"Mufasa\", realm=\"testrealm@host.com\", "
               "qop=\"auth\", algorithm=\"MD5\", uri=\"/dir/index.html\", "
               "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", nc=00000001, cnonce=\"0a4f113b\", "
               "response=\"6629fae49393a05397450978507c4ef1\"\r\n");
}

TEST(Digest, HeaderThatDoesNotFitIsRefusedWithinItsBuffer) {
  DigestParams p = {"PROPFIND", "u", "r", "p", "/", "n", "c"};
  char full[512];
  ASSERT_TRUE(BuildDigestAuthorization(p, full, sizeof full));
  size_t need = strlen(full) + 1;
  std::vector<char> buffer(need + 8, '#');
  EXPECT_FALSE(BuildDigestAuthorization(p, buffer.data(), need - 1));
  EXPECT_LT(strlen(buffer.data()), need - 1);
  for (size_t i = need - 1; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '#') << i;
  EXPECT_TRUE(BuildDigestAuthorization(p, buffer.data(), need));
  EXPECT_STREQ(buffer.data(), full);
}

// The dialogue over real sockets: the socket client against our scripted
// server on a free loopback port, named in every address as host:port.
class HttpMailSocket : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Listening()) << "cannot listen on 127.0.0.1";
    host = "127.0.0.1:" + std::to_string(server.Port());
  }
  static ScriptedAnswer Answer(const std::string& text, bool keepOpen = false) {
    ScriptedAnswer a;
    a.segments = {text};
    a.keepOpen = keepOpen;
    return a;
  }
  int Check() { return CheckHttpMailAccount(transport, host.c_str(), "u", "p"); }
  ScriptedHttpServer server{"127.0.0.1", 0};
  WinsockTransport transport{ScriptedHttpServer::ClientClock};
  std::string host;
};

TEST_F(HttpMailSocket, WholeDialogueWithAnswersSplitAcrossSegments) {
  RecordedDialogue d = Recorded(host, host, host);
  std::vector<ScriptedAnswer> script;
  for (const std::string& response : d.responses) {
    // Cut inside the status line, the Location or nonce and the body.
    ScriptedAnswer a;
    size_t third = response.size() / 3;
    a.segments = {response.substr(0, 11), response.substr(11, third),
                  response.substr(11 + third)};
    script.push_back(a);
  }
  server.Play(script);
  EXPECT_EQ(CheckHttpMailAccount(transport, host.c_str(), "taro", "himitsu"), 3);
  std::vector<std::string> requests = server.Finish();
  ASSERT_EQ(requests.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(requests[i], d.requests[i]) << "request " << i + 1;
}

// The server holds each connection open and lets the test clock flow: only
// a response seen to be complete ends each request in time.
TEST_F(HttpMailSocket, PeerKeepingTheConnectionOpenAfterCompleteAnswers) {
  auto withLength = [](const std::string& head, const std::string& body) {
    return head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  };
  server.Play(
      {Answer(withLength("HTTP/1.1 302 Found\r\nLocation: http://" + host + "/next\r\n", ""), true),
       Answer(withLength("HTTP/1.1 207 Multi-Status\r\n",
                         "<hm:msgfolderroot>http://" + host + "/f/</hm:msgfolderroot>"),
              true),
       Answer(withLength("HTTP/1.1 207 Multi-Status\r\n",
                         "<D:id>F000000001</D:id><hm:unreadcount>11</hm:unreadcount>"),
              true)});
  EXPECT_EQ(Check(), 11);
  EXPECT_EQ(server.Finish().size(), 3u);
}

TEST_F(HttpMailSocket, AnswersLongerThanTheBufferAreCut) {
  const std::string padding(12000, ' ');
  const std::string root = "<hm:msgfolderroot>http://" + host + "/f/</hm:msgfolderroot>";
  server.Play({Answer("HTTP/1.1 207 Multi-Status\r\n\r\n" + root + padding + padding),
               Answer("HTTP/1.1 207 Multi-Status\r\n\r\n" + padding +
                      "<D:id>F000000001</D:id><hm:unreadcount>6</hm:unreadcount>"),
               Answer("HTTP/1.1 207 Multi-Status\r\n\r\n" + root),
               Answer("HTTP/1.1 207 Multi-Status\r\n\r\n<D:id>F000000001</D:id><hm:unreadcount>6"
                      "</hm:unreadcount>" + padding + padding)});
  // The inbox past the first 10 239 bytes is not seen; within them it is.
  EXPECT_EQ(Check(), 0);
  EXPECT_EQ(Check(), 6);
  EXPECT_EQ(server.Finish().size(), 4u);
}

TEST_F(HttpMailSocket, SilentPeerTimesOutWithMinusOne) {
  ScriptedAnswer silent;
  silent.silent = true;
  server.Play({Answer("HTTP/1.1 302 Found\r\nLocation: http://" + host + "/next\r\n"
                      "Content-Length: 0\r\n\r\n"),
               silent});
  EXPECT_EQ(Check(), -1);
  EXPECT_EQ(transport.LastFailure(), WinsockTransport::Failure::kTimedOut);
  EXPECT_EQ(server.Finish().size(), 2u);
}

// Redirects without end, each answered at once on a connection held open:
// the check-wide limit ends the dialogue, not the count of follow-ups.
TEST_F(HttpMailSocket, EndlessRedirectsStopAtTheCheckDeadline) {
  ScriptedAnswer slow;
  slow.silent = true;  // holds back: the clock flows until the client gives up
  std::vector<ScriptedAnswer> script(
      3, Answer("HTTP/1.1 302 Found\r\nLocation: http://" + host + "/again\r\n"
                "Content-Length: 0\r\n\r\n"));
  script.push_back(slow);
  script.push_back(slow);
  server.Play(script);
  transport.BeginCheck(kMailCheckBudgetMs);
  uint32_t start = TestClock::Peek();
  TestClock::Advance(kMailCheckBudgetMs - 2000);
  EXPECT_EQ(Check(), -1);
  EXPECT_EQ(TestClock::Peek() - start, kMailCheckBudgetMs) << "cut at the check's end";
  transport.EndCheck();
  EXPECT_EQ(server.Finish().size(), 4u) << "three redirects followed, the fourth cut short";
}

// Our PROPFIND and Authorization line against Apache's own Digest check.
class DigestApache : public testing::Test {
 protected:
  void TearDown() override { WSACleanup(); }
  void SetUp() override {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);  // as the program does at start
    const char* host = getenv("TOVIX_DIGEST_HOST");
    if (!host || !*host) {
      const char* noPeers = getenv("TOVIX_NO_PEERS");
      if (noPeers && strcmp(noPeers, "1") == 0) GTEST_SKIP() << "TOVIX_NO_PEERS=1";
      FAIL() << "TOVIX_DIGEST_HOST is not set: start the Apache peer (scripts/peers/apache.sh) "
                "or set TOVIX_NO_PEERS=1";
    }
    host_ = host;
    for (const char* name : {"TOVIX_DIGEST_PATH", "TOVIX_DIGEST_USER", "TOVIX_DIGEST_PASSWORD",
                             "TOVIX_DIGEST_REALM"}) {
      ASSERT_NE(getenv(name), nullptr) << name;
    }
    path_ = getenv("TOVIX_DIGEST_PATH");
    user_ = getenv("TOVIX_DIGEST_USER");
    password_ = getenv("TOVIX_DIGEST_PASSWORD");
    realm_ = getenv("TOVIX_DIGEST_REALM");
    ASSERT_TRUE(SplitHostPort(host_.c_str(), name_, sizeof name_, &port_));
  }
  // Sends a request built by the check's own code; the status line's code.
  std::string Send(const char* authorization, HttpMailBody body) {
    HttpMailRequest r = {path_.c_str(), host_.c_str(), authorization, nullptr, body};
    EXPECT_TRUE(BuildHttpMailRequest(r, request_, sizeof request_));
    EXPECT_EQ(transport_.HttpRequest(name_, port_, request_, response_, sizeof response_),
              kExchangeOk);
    return std::string(response_).substr(0, 12);
  }
  // Request 1's kind draws the challenge; request 3's kind answers it.
  std::string AnswerChallenge(const std::string& password) {
    EXPECT_EQ(Send(nullptr, HttpMailBody::kNone), "HTTP/1.1 401") << response_;
    char nonce[512], realm[128], cnonce[33], authorization[2048];
    EXPECT_TRUE(ParseChallenge(response_, strlen(response_), nonce, sizeof nonce, realm, sizeof realm));
    EXPECT_EQ(realm_, realm);
    Md5Hex("1", cnonce);
    DigestParams p = {"PROPFIND", user_.c_str(), realm, password.c_str(), path_.c_str(), nonce, cnonce};
    EXPECT_TRUE(BuildDigestAuthorization(p, authorization, sizeof authorization));
    return Send(authorization, HttpMailBody::kFolderRoot);
  }

  std::string host_, path_, user_, password_, realm_;
  char name_[512];
  int port_ = 80;
  WinsockTransport transport_;
  char request_[kHttpResponseSize];
  char response_[kHttpResponseSize];
};

TEST_F(DigestApache, AcceptsOurAuthorization) {
  EXPECT_EQ(AnswerChallenge(password_), "HTTP/1.1 207") << response_;
  EXPECT_NE(strstr(response_, ("<D:href>" + path_ + "</D:href>").c_str()), nullptr) << response_;
}

TEST_F(DigestApache, RefusesAWrongPassword) {
  EXPECT_EQ(AnswerChallenge(password_ + "x"), "HTTP/1.1 401") << response_;
}

}  // namespace
