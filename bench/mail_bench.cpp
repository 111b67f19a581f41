// A whole HTTPMail check and a POP3 check against local servers, timed. The
// HTTPMail dialogue runs twice side by side: answers that say their length
// (the client stops as soon as each is complete) and the same answers without
// a length (the client can only wait for 5 seconds of silence per request, as
// a client that always gathers until silence does for every answer).
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/settings.h"
#include "mail/httpmail_check.h"
#include "mail/mail_check.h"
#include "mail/pop3_check.h"
#include "mail/socket_client.h"
#include "tests/mail/port_mapping_transport.h"
#include "tests/mail/scripted_http_server.h"
#include "tests/support/test_window.h"

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

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The peer's test CA among the prefix's trusted roots, as the tests do it.
bool TrustTestCa() {
  std::string path = "Z:" + Env("TOVIX_TLS_CA");
  std::replace(path.begin(), path.end(), '/', '\\');
  std::ifstream in(path, std::ios::binary);
  std::stringstream pem;
  pem << in.rdbuf();
  BYTE der[8192];
  DWORD size = sizeof der;
  if (!CryptStringToBinaryA(pem.str().c_str(), 0, CRYPT_STRING_BASE64HEADER, der, &size, nullptr,
                            nullptr))
    return false;
  HCERTSTORE root = CertOpenSystemStoreA(0, "ROOT");
  bool added = root && CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der, size,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  if (root) CertCloseStore(root, 0);
  return added;
}

// The median time of `runs` POP3 checks in one mode.
double MedianCheck(const std::string& host, int security, int port, int runs, int* count) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    WinsockTransport transport;
    auto start = std::chrono::steady_clock::now();
    *count = CheckPop3Account(transport, host.c_str(), Env("TOVIX_POP3_USER").c_str(),
                              Env("TOVIX_POP3_PASSWORD").c_str(), security, port, "", nullptr);
    times.push_back(Seconds(start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

LRESULT CALLBACK RoundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MAIL_CHECK_DONE) {
    OnMailCheckDone(window, wParam);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The longest time the window took to answer while one round ran, asked
// every 5 ms from another thread; `onWindowThread` runs the round the old
// way, on the window's own thread, for comparison.
double LongestUnanswered(bool onWindowThread, double* roundSeconds) {
  HWND window = CreateMessageWindow("TovixMailBench", RoundWindowProc);
  std::atomic<bool> stop{false}, stopped{false};
  std::atomic<long long> longestUs{0};
  std::thread pinger([&] {
    while (!stop) {
      auto asked = std::chrono::steady_clock::now();
      DWORD_PTR ignored;
      SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
      long long us = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - asked).count();
      if (us > longestUs) longestUs = us;
      Sleep(5);
    }
    stopped = true;
  });
  Sleep(50);
  auto start = std::chrono::steady_clock::now();
  if (onWindowThread) {
    RunMailCheck(window);
  } else {
    StartMailCheck(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  }
  *roundSeconds = Seconds(start);
  // Answers the pinger's last question before it stops.
  stop = true;
  while (!stopped) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(1);
  }
  pinger.join();
  DestroyWindow(window);
  return double(longestUs) / 1000.0;
}

void TlsBench() {
  std::string host = Env("TOVIX_TLS_HOST");
  if (host.empty() || !TrustTestCa()) {
    std::printf("TLS: no TLS Dovecot peer (TOVIX_TLS_HOST, TOVIX_TLS_CA unset)\n");
    return;
  }
  const int kRuns = 9;
  int plainCount = 0, stlsCount = 0, tlsCount = 0;
  double plain = MedianCheck(Env("TOVIX_POP3_HOST"), kPop3Plain, std::atoi(Env("TOVIX_POP3_PORT").c_str()),
                             kRuns, &plainCount);
  double stls = MedianCheck(host, kPop3StartTls, std::atoi(Env("TOVIX_TLS_GOOD_STLS_PORT").c_str()),
                            kRuns, &stlsCount);
  double tls = MedianCheck(host, kPop3Tls, std::atoi(Env("TOVIX_TLS_GOOD_POP3S_PORT").c_str()),
                           kRuns, &tlsCount);
  std::printf("POP3 check, median of %d, plain text: %7.1f ms (%d messages)\n", kRuns, plain * 1000,
              plainCount);
  std::printf("POP3 check, median of %d, STLS:       %7.1f ms (%d messages), %.1f x plain\n", kRuns,
              stls * 1000, stlsCount, stls / plain);
  std::printf("POP3 check, median of %d, POP3S:      %7.1f ms (%d messages), %.1f x plain\n", kRuns,
              tls * 1000, tlsCount, tls / plain);

  // One round over TLS, and one at a server that accepts and never answers.
  AppSettings = Settings();
  AppSettings.Check1Enable = 1;
  std::snprintf(AppSettings.Server1, sizeof AppSettings.Server1, "%s", host.c_str());
  std::snprintf(AppSettings.Usr1, sizeof AppSettings.Usr1, "%s", Env("TOVIX_POP3_USER").c_str());
  std::snprintf(AppSettings.Pass1, sizeof AppSettings.Pass1, "%s", Env("TOVIX_POP3_PASSWORD").c_str());
  AppSettings.Security1 = kPop3Tls;
  AppSettings.Port1 = std::atoi(Env("TOVIX_TLS_GOOD_POP3S_PORT").c_str());
  SOCKET silent = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = inet_addr("127.0.0.1");
  bind(silent, reinterpret_cast<sockaddr*>(&at), sizeof at);
  listen(silent, 5);
  int length = sizeof at;
  getsockname(silent, reinterpret_cast<sockaddr*>(&at), &length);
  const struct {
    const char* what;
    int port;
  } servers[] = {{"TLS Dovecot", AppSettings.Port1}, {"silent server", ntohs(at.sin_port)}};
  for (const auto& server : servers) {
    AppSettings.Port1 = server.port;
    for (bool onWindowThread : {true, false}) {
      double round = 0;
      double longest = LongestUnanswered(onWindowThread, &round);
      std::printf("round at the %s (%s): %7.1f ms; the window's longest unanswered interval %7.1f ms\n",
                  server.what, onWindowThread ? "on the window's thread, as before" : "on its worker",
                  round * 1000, longest);
    }
  }
  closesocket(silent);
  CloseMailSound();  // the rounds announced their mail; an open device crashes the exit
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
  TlsBench();
  WSACleanup();
  return 0;
}
