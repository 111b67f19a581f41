// A scripted TCP peer on a loopback address, for what real servers will not
// do (split replies, silence, trickling, refusals at chosen steps). It
// accepts one connection, plays its steps in a thread and records every byte
// it got.
#pragma once
#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/mail/loopback_listener.h"
#include "tests/mail/test_clock.h"

// The application initialises the socket library at start; so do the tests.
inline void StartWinsockOnce() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  ASSERT_TRUE(started);
}

struct PeerStep {
  enum Kind { kSend, kReadUntil, kPause, kWaitForClose, kSilence, kTrickle } kind;
  std::string text;  // kSend, kTrickle: the bytes; kReadUntil: the marker
  int milliseconds = 0;
};
inline PeerStep Send(std::string bytes) { return {PeerStep::kSend, std::move(bytes)}; }
inline PeerStep ReadLine() { return {PeerStep::kReadUntil, "\n"}; }
inline PeerStep ReadUntil(std::string marker) { return {PeerStep::kReadUntil, std::move(marker)}; }
// Only to make separate TCP segments likely; no outcome may depend on it.
inline PeerStep Pause(int milliseconds) { return {PeerStep::kPause, "", milliseconds}; }
// Keeps the connection open, reading, until the client closes it; the test
// clock stands still meanwhile.
inline PeerStep WaitForClose() { return {PeerStep::kWaitForClose, ""}; }
// The same, but holding back: the test clock flows until the client closes.
inline PeerStep Silence() { return {PeerStep::kSilence, ""}; }
// Sends the bytes one at a time with the test clock flowing, and stops as
// soon as the client closes (the step then counts as not played).
inline PeerStep Trickle(std::string bytes) { return {PeerStep::kTrickle, std::move(bytes)}; }

class ScriptedPeer {
 public:
  // Listens on a free port of `address`; after the last step the peer
  // closes the connection.
  ScriptedPeer(const char* address, std::vector<PeerStep> script) : script_(std::move(script)) {
    StartWinsockOnce();
    listener_ = ListenOnLoopback(address, 0, 1);
    port_ = BoundPort(listener_);
    if (listener_ == INVALID_SOCKET) {
      ADD_FAILURE() << "cannot listen on " << address << ", error " << WSAGetLastError();
      return;
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedPeer() { Finish(); }

  bool Listening() const { return listener_ != INVALID_SOCKET && port_ != 0; }
  int Port() const { return port_; }
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
  // Whether a connection was accepted at all.
  bool Connected() const { return connected_; }
  // Whether a trickle ended because the client closed, and how many bytes
  // had gone out by then.
  bool ClientClosedEarly() const { return closedEarly_; }
  size_t Trickled() const { return trickled_; }

 private:
  static constexpr int kPatienceMs = 10000;  // a test never hangs longer per step
  static constexpr int kSliceMs = 20;

  static bool Readable(SOCKET s, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait = {milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(int(s) + 1, &set, nullptr, nullptr, &wait) == 1;
  }
  // Takes what arrived; false when the client closed.
  bool Take(SOCKET s) {
    char buffer[4096];
    int n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    received_.append(buffer, size_t(n));
    return true;
  }
  // Reads until the client closes; false when the patience runs out first.
  bool UntilClosed(SOCKET s) {
    for (int waited = 0; waited < kPatienceMs; waited += kSliceMs) {
      if (Readable(s, kSliceMs) && !Take(s)) return true;
    }
    return false;
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
          if (!Readable(s, kPatienceMs) || !Take(s)) return false;
        }
      case PeerStep::kPause:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.milliseconds));
        return true;
      case PeerStep::kWaitForClose:
        return UntilClosed(s);
      case PeerStep::kSilence: {
        TestClock::Flowing flowing;
        return UntilClosed(s);
      }
      case PeerStep::kTrickle: {
        TestClock::Flowing flowing;
        for (char byte : step.text) {
          if (Readable(s, kSliceMs) && !Take(s)) {
            closedEarly_ = true;
            return false;
          }
          if (send(s, &byte, 1, 0) != 1) {
            closedEarly_ = true;
            return false;
          }
          ++trickled_;
        }
        return true;
      }
    }
    return false;
  }
  void Run() {
    if (!Readable(listener_, kPatienceMs)) return;
    SOCKET s = accept(listener_, nullptr, nullptr);
    if (s == INVALID_SOCKET) return;
    connected_ = true;
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
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::string received_;
  size_t consumed_ = 0;
  std::atomic<bool> played_{false}, connected_{false}, closedEarly_{false};
  std::atomic<size_t> trickled_{0};
};
