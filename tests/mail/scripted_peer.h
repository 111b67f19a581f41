// A scripted TCP peer on a loopback address, for what real servers will not
// do (split replies, silence, refusals at chosen steps). It accepts one
// connection, plays its steps in a thread and records every byte it got.
#pragma once
#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/mail/loopback_listener.h"

// The application initialises the socket library at start; so do the tests.
inline void StartWinsockOnce() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  ASSERT_TRUE(started);
}

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct PeerStep {
  enum Kind { kSend, kReadUntil, kPause, kWaitForClose } kind;
  std::string text;  // kSend: the bytes; kReadUntil: the marker
  int milliseconds = 0;
};
inline PeerStep Send(std::string bytes) { return {PeerStep::kSend, std::move(bytes)}; }
inline PeerStep ReadLine() { return {PeerStep::kReadUntil, "\n"}; }
inline PeerStep ReadUntil(std::string marker) { return {PeerStep::kReadUntil, std::move(marker)}; }
inline PeerStep Pause(int milliseconds) { return {PeerStep::kPause, "", milliseconds}; }
// Keeps the connection open, reading, until the client closes it.
inline PeerStep WaitForClose() { return {PeerStep::kWaitForClose, ""}; }

class ScriptedPeer {
 public:
  // After the last step the peer closes the connection.
  ScriptedPeer(const char* address, int port, std::vector<PeerStep> script)
      : script_(std::move(script)) {
    StartWinsockOnce();
    listener_ = ListenOnLoopback(address, port, 1);
    listening_ = listener_ != INVALID_SOCKET;
    if (!listening_) {
      ADD_FAILURE() << "cannot listen on " << address << ":" << port << ", error "
                    << WSAGetLastError();
    }
    if (listening_) thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedPeer() { Finish(); }

  bool Listening() const { return listening_; }
  // Waits for the script to end (at most about 10 s per step) and tells
  // whether every step was played.
  bool Finish() {
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return played_;
  }
  // Every byte received so far.
  std::string Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }

 private:
  static constexpr long kPatienceSeconds = 10;

  static bool Readable(SOCKET s) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait = {kPatienceSeconds, 0};
    return select(int(s) + 1, &set, nullptr, nullptr, &wait) == 1;
  }
  // One receive; false when the client closed or nothing came in time.
  bool Receive(SOCKET s) {
    char buffer[4096];
    int n = Readable(s) ? recv(s, buffer, sizeof buffer, 0) : 0;
    if (n <= 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    received_.append(buffer, size_t(n));
    return true;
  }
  bool Play(SOCKET s, const PeerStep& step) {
    switch (step.kind) {
      case PeerStep::kSend:
        return send(s, step.text.data(), int(step.text.size()), 0) == int(step.text.size());
      case PeerStep::kReadUntil:
        // Reads past what earlier steps consumed up to the marker.
        for (;;) {
          size_t found = Received().find(step.text, consumed_);
          if (found != std::string::npos) {
            consumed_ = found + step.text.size();
            return true;
          }
          if (!Receive(s)) return false;
        }
      case PeerStep::kPause:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.milliseconds));
        return true;
      case PeerStep::kWaitForClose:
        while (Receive(s)) {
        }
        return true;
    }
    return false;
  }
  void Run() {
    if (!Readable(listener_)) return;
    SOCKET s = accept(listener_, nullptr, nullptr);
    if (s == INVALID_SOCKET) return;
    bool all = true;
    for (const PeerStep& step : script_) {
      if (!(all = Play(s, step))) break;
    }
    played_ = all;
    shutdown(s, SD_BOTH);
    closesocket(s);
  }

  std::vector<PeerStep> script_;
  SOCKET listener_ = INVALID_SOCKET;
  bool listening_ = false;
  std::thread thread_;
  std::mutex mutex_;
  std::string received_;
  size_t consumed_ = 0;
  bool played_ = false;
};
