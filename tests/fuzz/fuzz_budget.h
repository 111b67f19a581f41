// An output budget for the archive targets: a few bytes of compressed input
// may legally declare gigabytes (LZH has no ratio limit), and producing them
// would crowd out every other input. Past the budget the sink refuses, which
// stops the decoder at its next block.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archivers/core/io.h"

namespace fuzz {

constexpr uint64_t kEntryBudget = 2u << 20;

class BudgetSink : public arc::Sink {
 public:
  explicit BudgetSink(uint64_t budget = kEntryBudget) : budget_(budget) {}
  bool Write(const void*, size_t n) override {
    written += n;
    return written <= budget_;
  }
  bool Exhausted() const { return written > budget_; }
  uint64_t written = 0;

 private:
  uint64_t budget_;
};

}  // namespace fuzz
