// A whole HTTPMail check and a POP3 check against local servers, timed. The
// HTTPMail dialogue runs twice side by side: answers that say their length
// (the client stops as soon as each is complete) and the same answers without
// a length (the client can only wait for 5 seconds of silence per request, as
// a client that always gathers until silence does for every answer).
#include <winsock2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mail/httpmail_check.h"
#include "mail/pop3_check.h"
#include "mail/socket_client.h"
#include "tests/mail/port_mapping_transport.h"
#include "tests/mail/scripted_http_server.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Answer(const std::string& head, const std::string& body, bool withLength) {
  std::string text = head;
  if (withLength) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  return text + "\r\n" + body;
}

std::vector<ScriptedAnswer> Dialogue(const std::string& host, bool withLength) {
  std::string root =
      "<D:multistatus><D:response><D:propstat><D:prop><hm:msgfolderroot>"
      "http://" + host + "/folders/</hm:msgfolderroot></D:prop></D:propstat></D:response>"
      "</D:multistatus>";
  const char* count =
      "<D:multistatus><D:response><D:id>F000000001</D:id><D:propstat><D:prop>"
      "<hm:unreadcount>4</hm:unreadcount></D:prop></D:propstat></D:response></D:multistatus>";
  std::vector<std::string> answers = {
      Answer("HTTP/1.1 302 Found\r\nLocation: http://" + host + "/svcs/mail\r\n"
             "Set-Cookie: A=1; path=/\r\n", "", withLength),
      Answer("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"tovix\", "
             "nonce=\"0123456789abcdef\", qop=\"auth\"\r\n", "", withLength),
      Answer("HTTP/1.1 207 Multi-Status\r\nContent-Type: text/xml\r\n", root, withLength),
      Answer("HTTP/1.1 207 Multi-Status\r\nContent-Type: text/xml\r\n", count, withLength)};
  std::vector<ScriptedAnswer> script;
  for (const std::string& a : answers) {
    ScriptedAnswer s;
    s.segments = {a};
    s.keepOpen = true;  // as the service did: "Connection: Keep-Alive"
    script.push_back(s);
  }
  return script;
}

double TimeHttpMail(ScriptedHttpServer& server, bool withLength, int* result) {
  std::string host = "127.0.0.1:" + std::to_string(server.Port());
  server.Play(Dialogue(host, withLength));
  WinsockTransport transport;
  auto start = std::chrono::steady_clock::now();
  *result = CheckHttpMailAccount(transport, host.c_str(), "user", "password");
  double took = Seconds(start);
  server.Finish();
  return took;
}

}  // namespace

int main() {
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  ScriptedHttpServer server("127.0.0.1", 0);
  if (!server.Listening()) {
    std::printf("cannot listen on 127.0.0.1\n");
    return 1;
  }
  int complete = 0, silent = 0;
  double fast = TimeHttpMail(server, true, &complete);
  double slow = TimeHttpMail(server, false, &silent);
  std::printf("HTTPMail check, 4 requests, answers with their length: %6.3f s (unread %d)\n", fast,
              complete);
  std::printf("HTTPMail check, the same answers without their length on kept-open connections: "
              "%6.3f s (result %d: each request ends at its time limit)\n", slow, silent);
  std::printf("time limit / complete answers: %.0f x\n", slow / fast);

  const char* host = std::getenv("TOVIX_POP3_HOST");
  if (host && *host) {
    WinsockTransport winsock;
    const char* port = std::getenv("TOVIX_POP3_PORT");
    PortMappingTransport transport(winsock, port ? std::atoi(port) : 110);
    auto start = std::chrono::steady_clock::now();
    int count = CheckPop3Account(transport, host, std::getenv("TOVIX_POP3_USER"),
                                 std::getenv("TOVIX_POP3_PASSWORD"), "");
    std::printf("POP3 check against the local server: %6.3f s (%d messages; no gathering)\n",
                Seconds(start), count);
  } else {
    std::printf("POP3 check: no local server (TOVIX_POP3_HOST unset)\n");
  }
  WSACleanup();
  return 0;
}
