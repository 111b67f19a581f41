#include "status/cpu_info.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "status/cpu_info_text.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>

// The identification instruction exists when bit 21 (ID) of the flags
// register can be flipped. The original flags are restored afterwards.
static bool CanIdentify() {
  uintptr_t before, after;  // as wide as the flags pushed on the stack
#if defined(__x86_64__)
  asm volatile(
      "pushfq\n\t"
      "pushfq\n\t"
      "popq %0\n\t"
      "movq %0, %1\n\t"
      "xorq $0x200000, %1\n\t"
      "pushq %1\n\t"
      "popfq\n\t"
      "pushfq\n\t"
      "popq %1\n\t"
      "popfq"
      : "=&r"(before), "=&r"(after)
      :
      : "cc");
#else
  asm volatile(
      "pushfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "movl %0, %1\n\t"
      "xorl $0x200000, %1\n\t"
      "pushl %1\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %1\n\t"
      "popfl"
      : "=&r"(before), "=&r"(after)
      :
      : "cc");
#endif
  return ((before ^ after) & 0x200000) != 0;
}

static CpuidRegs RunCpuid(unsigned leaf) {
  CpuidRegs r;
  __cpuid(leaf, r.eax, r.ebx, r.ecx, r.edx);
  return r;
}

// Counts the time-stamp counter's cycles over one second of the system
// clock, busy-waiting so the thread is not rescheduled away.
static double MeasureClock() {
  unsigned start = static_cast<unsigned>(__rdtsc());
  DWORD s = timeGetTime();
  while (timeGetTime() - s < 1000) {
  }
  return ClockFromCounter(start, static_cast<unsigned>(__rdtsc()));
}

int ReadCpuInfo(CpuInfo* info) {
  std::memset(info, 0, sizeof *info);
  if (!CanIdentify()) return 1;
  int result = IdentifyCpu(RunCpuid, info);
  if (result != 0) return result;
  info->clock = MeasureClock();
  return 0;
}

#else
// Other processor families have neither instruction.
int ReadCpuInfo(CpuInfo* info) {
  std::memset(info, 0, sizeof *info);
  return 1;
}
#endif
