// A scripted HTTP server on a loopback address for the HTTPMail dialogue over
// real sockets: it answers one connection after another from its script,
// records every request and can split, withhold or hold open its answers.
// While it holds a connection open or stays silent, the test clock flows.
#pragma once
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/mail/loopback_listener.h"
#include "tests/mail/test_clock.h"

struct ScriptedAnswer {
  // Sent one by one; the client has read each before the next leaves, so
  // every one reaches it on its own (the client's transport must read
  // ScriptedHttpServer::ClientClock).
  std::vector<std::string> segments;
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
  // The clock for the client's transport: between its reads the client reads
  // its clock, and there the server can hold it while bytes arrive.
  static uint32_t ClientClock() {
    Gate().Arrive();
    return TestClock::Read();
  }
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

  // Where the client waits while the server holds it: outside recv, so the
  // bytes waiting on its socket are exactly the bytes it has not read.
  class ClientGate {
   public:
    void Arrive() {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!holding_) return;
      parked_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return !holding_; });
      parked_ = false;
      changed_.notify_all();
    }
    // True once the client has stopped at the gate.
    bool Hold() {
      std::unique_lock<std::mutex> lock(mutex_);
      holding_ = true;
      return changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [this] { return parked_; });
    }
    // Lets the client on; returns once it has left the gate.
    void Release() {
      std::unique_lock<std::mutex> lock(mutex_);
      holding_ = false;
      changed_.notify_all();
      changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [this] { return !parked_; });
    }

   private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false;
    bool parked_ = false;
  };
  static ClientGate& Gate() {
    static ClientGate gate;
    return gate;
  }

  // The client's end of an accepted connection: the client runs in this
  // process, and its socket is the one whose addresses mirror ours.
  static SOCKET ClientEnd(SOCKET s) {
    sockaddr_in mine = {}, theirs = {};
    int length = sizeof mine;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&mine), &length) != 0) return INVALID_SOCKET;
    length = sizeof theirs;
    if (getpeername(s, reinterpret_cast<sockaddr*>(&theirs), &length) != 0) return INVALID_SOCKET;
    for (UINT_PTR h = 4; h < 0x10000; h += 4) {
      sockaddr_in a = {};
      length = sizeof a;
      if (SOCKET(h) == s || getsockname(SOCKET(h), reinterpret_cast<sockaddr*>(&a), &length) != 0 ||
          a.sin_port != theirs.sin_port || a.sin_addr.s_addr != theirs.sin_addr.s_addr)
        continue;
      length = sizeof a;
      if (getpeername(SOCKET(h), reinterpret_cast<sockaddr*>(&a), &length) == 0 &&
          a.sin_port == mine.sin_port)
        return SOCKET(h);
    }
    return INVALID_SOCKET;
  }
  // Waits until the client's socket holds this many unread bytes.
  static bool Unread(SOCKET client, u_long bytes) {
    for (int tries = 0; tries < kPatienceMs; ++tries) {
      u_long waiting = 0;
      if (ioctlsocket(client, FIONREAD, &waiting) != 0) return false;
      if (waiting == bytes) return true;
      Sleep(1);
    }
    return false;
  }
  // Holds the client at its gate once it has read everything sent so far;
  // false, with the client let go, if it never did.
  static bool HoldWhenAllRead(SOCKET client) {
    for (int round = 0; round < 1000; ++round) {
      u_long waiting = 1;
      bool held = Gate().Hold();
      if (held && ioctlsocket(client, FIONREAD, &waiting) == 0 && waiting == 0) return true;
      Gate().Release();
      if (!held) return false;
    }
    return false;
  }
  // Each segment arrives while the client is held, so its next reads take
  // all of it and nothing more; the next leaves once nothing is left unread.
  static bool SendSegments(SOCKET s, const std::vector<std::string>& segments) {
    if (segments.size() < 2) {
      for (const std::string& bytes : segments) send(s, bytes.data(), int(bytes.size()), 0);
      return true;
    }
    SOCKET client = ClientEnd(s);
    if (client == INVALID_SOCKET) return false;
    for (const std::string& bytes : segments) {
      if (!HoldWhenAllRead(client)) return false;
      send(s, bytes.data(), int(bytes.size()), 0);
      bool arrived = Unread(client, u_long(bytes.size()));
      Gate().Release();
      if (!arrived) return false;
    }
    return true;
  }

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
    bool sent = answer.silent || SendSegments(s, answer.segments);
    if (answer.silent || answer.keepOpen) {
      TestClock::Flowing flowing;
      WaitForClose(s);
    }
    shutdown(s, SD_BOTH);
    closesocket(s);
    return sent;
  }

  SOCKET listener_ = INVALID_SOCKET;
  bool listening_ = false;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
};
