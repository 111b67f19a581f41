// The clock of the socket client's time limits in tests. It stands still
// unless a scripted peer holds back (stays silent or trickles): then every
// reading by the client moves it on by one step. A slow machine therefore
// never makes a prompt peer look late, and a peer that holds back runs the
// client out of time after a fixed number of its readings.
#pragma once
#include <atomic>
#include <cstdint>

class TestClock {
 public:
  static constexpr uint32_t kStepMs = 500;

  // For WinsockTransport's clock.
  static uint32_t Read() {
    uint32_t step = step_.load();
    return now_.fetch_add(step) + step;
  }
  // A reading that never moves the clock.
  static uint32_t Peek() { return now_.load(); }
  static void Advance(uint32_t ms) { now_ += ms; }

  // While one lives, the client's readings move the clock.
  class Flowing {
   public:
    Flowing() { step_ = kStepMs; }
    ~Flowing() { step_ = 0; }
    Flowing(const Flowing&) = delete;
    Flowing& operator=(const Flowing&) = delete;
  };

 private:
  // Starts 16 s before the 32-bit wrap, so the time limits cross it.
  static inline std::atomic<uint32_t> now_{0xFFFFC000u};
  static inline std::atomic<uint32_t> step_{0};
};
