// Decisions and texts of the processor probe (pure: the identification
// instruction comes in through a function, so tests can give any registers).
#pragma once

#include "status/cpu_info.h"

// The registers one identification leaf returns.
struct CpuidRegs {
  unsigned eax, ebx, ecx, edx;
};
// Runs one identification leaf.
typedef CpuidRegs (*CpuidFunction)(unsigned leaf);

// Leaf 1 EAX: type in bits 12-15, family 8-11, model 4-7, stepping 0-3.
// The extended family and model bits are left out.
void DecodeCpuSignature(unsigned eax, CpuInfo* info);

// Fills a cleared record from leaf 0, leaf 1 and, for "AuthenticAMD" only,
// leaf 0x80000001, whose EDX then also gives the time-stamp counter flag.
// 0: ready for the clock measurement; 2: no leaf 1; 3: no time-stamp counter.
int IdentifyCpu(CpuidFunction cpuid, CpuInfo* info);

// MHz from the low 32 bits of the counter taken one second apart; the
// difference wraps like the counter does.
double ClockFromCounter(unsigned start, unsigned end);

// The CPU page's ten labels in this order: vendor, type, family, model,
// stepping, MMX, SSE, SSE2, 3DNow!, clock.
enum { kCpuLabelCount = 10, kCpuLabelSize = 64 };
typedef char CpuLabel[kCpuLabelSize];

void FormatCpuLabels(const CpuInfo& info, CpuLabel labels[kCpuLabelCount]);

// After a probe with the given result: 0 writes the labels; any other
// result leaves the template texts standing. True when written.
bool ApplyCpuLabels(int result, const CpuInfo& info, CpuLabel labels[kCpuLabelCount]);
