// Time limits on a wrapping millisecond clock (GetTickCount wraps after 49.7
// days; every comparison is done on differences, so a wrap in the middle of
// a check does no harm). Pure.
#pragma once

#include <cstdint>

// Milliseconds of a steady clock; any starting point, wrapping modulo 2^32.
using MailClock = uint32_t (*)();

class Deadline {
 public:
  // No limit at all.
  Deadline() = default;
  // `budgetMs` from `now` (budgets stay below 2^31 ms).
  static Deadline After(uint32_t now, uint32_t budgetMs) { return Deadline(now, budgetMs); }

  bool bounded() const { return bounded_; }
  // Milliseconds left at `now`: 0 once passed, kUnbounded without a limit.
  static constexpr uint32_t kUnbounded = UINT32_MAX;
  uint32_t Left(uint32_t now) const {
    if (!bounded_) return kUnbounded;
    uint32_t elapsed = now - start_;
    return elapsed >= budget_ ? 0 : budget_ - elapsed;
  }
  // Whichever of the two ends first, seen from `now`.
  Deadline Earlier(const Deadline& other, uint32_t now) const {
    return other.Left(now) < Left(now) ? other : *this;
  }

 private:
  Deadline(uint32_t start, uint32_t budget) : bounded_(true), start_(start), budget_(budget) {}
  bool bounded_ = false;
  uint32_t start_ = 0;
  uint32_t budget_ = 0;
};
