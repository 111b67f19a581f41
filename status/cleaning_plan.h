// How much memory a cleaning run claims (pure).
#pragma once

struct CleaningPlan {
  bool run;                     // false: more than 80 % is free already
  unsigned long long amount;    // bytes to claim
  unsigned long long blockSize; // amount / 10
};

constexpr unsigned long long kFixedAmountCap = 512000000ull;
// Large machines would otherwise have many gigabytes zero-filled (and much
// of everything else paged out) while the window is blocked.
constexpr unsigned long long kComputedAmountCap = 2000000000ull;

// A quarter of the way from the free amount to 80 % of the total, capped at
// 2 GB, or the fixed amount in megabytes (+1 byte), capped at the target
// and at 512 MB.
inline CleaningPlan PlanCleaning(unsigned long long total, unsigned long long available,
                                 bool fixedSize, int cleanSizeMegabytes) {
  CleaningPlan plan = {false, 0, 0};
  long long target = static_cast<long long>(double(total) * 0.8);
  long long gap = target - static_cast<long long>(available);
  if (gap < 0) return plan;
  plan.run = true;
  long long amount = static_cast<long long>(available) + gap / 4;
  if (amount > static_cast<long long>(kComputedAmountCap)) amount = kComputedAmountCap;
  if (fixedSize) {
    long long megabytes = cleanSizeMegabytes < 0 ? 0 : cleanSizeMegabytes;
    amount = megabytes * 1000000 + 1;
    if (amount > target) amount = target;
    if (amount > static_cast<long long>(kFixedAmountCap)) amount = kFixedAmountCap;
  }
  plan.amount = static_cast<unsigned long long>(amount);
  plan.blockSize = plan.amount / 10;
  return plan;
}
