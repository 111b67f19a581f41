// A scripted HTTP server on a loopback address for the HTTPMail dialogue over
// real sockets: it answers one connection after another from its script,
// records every request and can split, withhold or hold open its answers.
// While it holds a connection open or stays silent, the test clock flows.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/mail/loopback_listener.h"
#include "tests/mail/test_clock.h"

struct ScriptedAnswer {
  std::vector<std::string> segments;  // sent one by one with a pause between
  int pauseMs = 0;                    // only to make separate segments likely
  bool keepOpen = false;  // after the answer, wait for the client to close
  bool silent = false;    // read the request, answer nothing, wait for the close
};

class ScriptedHttpServer {
 public:
  // Port 0: a free port, see Port().
  ScriptedHttpServer(const char* address, int port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);  // counted; undone in the destructor
    listener_ = ListenOnLoopback(address, port, 4);
    port_ = BoundPort(listener_);
    listening_ = listener_ != INVALID_SOCKET && port_ != 0;
  }
  ~ScriptedHttpServer() {
    Finish();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    WSACleanup();
  }
  bool Listening() const { return listening_; }
  int Port() const { return port_; }

  // Answers the next connections with these answers, in order, in a thread.
  void Play(std::vector<ScriptedAnswer> script) {
    Finish();
    stop_ = false;
    requests_.clear();
    thread_ = std::thread([this, script] {
      for (const ScriptedAnswer& answer : script) {
        if (!Serve(answer)) break;
      }
    });
  }
  // Stops waiting for further connections; the requests received.
  std::vector<std::string> Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  static constexpr int kPatienceMs = 10000;  // a test never hangs longer

  // Waits in short slices so that Finish need not wait for the patience.
  bool Readable(SOCKET s, bool stoppable) {
    for (int waited = 0; waited < kPatienceMs; waited += 50) {
      if (stoppable && stop_) return false;
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      timeval slice = {0, 50000};
      if (select(int(s) + 1, &set, nullptr, nullptr, &slice) == 1) return true;
    }
    return false;
  }
  // Our requests end with the empty line, or with the XML body after it.
  static bool Complete(const std::string& r) {
    const std::string tail = "</D:propfind>\r\n\r\n";
    if (r.find("\r\n\r\n") == std::string::npos) return false;
    if (r.find("<?xml") == std::string::npos) return true;
    return r.size() >= tail.size() && r.compare(r.size() - tail.size(), tail.size(), tail) == 0;
  }
  void WaitForClose(SOCKET s) {
    char buffer[1024];
    while (Readable(s, false) && recv(s, buffer, sizeof buffer, 0) > 0) {
    }
  }
  bool Serve(const ScriptedAnswer& answer) {
    if (!Readable(listener_, true)) return false;
    SOCKET s = accept(listener_, nullptr, nullptr);
    if (s == INVALID_SOCKET) return false;
    std::string request;
    char buffer[4096];
    while (!Complete(request) && Readable(s, false)) {
      int n = recv(s, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, size_t(n));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    for (size_t i = 0; !answer.silent && i < answer.segments.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.pauseMs));
      const std::string& bytes = answer.segments[i];
      send(s, bytes.data(), int(bytes.size()), 0);
    }
    if (answer.silent || answer.keepOpen) {
      TestClock::Flowing flowing;
      WaitForClose(s);
    }
    shutdown(s, SD_BOTH);
    closesocket(s);
    return true;
  }

  SOCKET listener_ = INVALID_SOCKET;
  bool listening_ = false;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
};
