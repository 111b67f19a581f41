// Arithmetic of the status samplers (pure: no system calls).
#pragma once

// An NT time in 100-ns units as a double: high part × 2^32 + unsigned low part.
inline double NtTimeToDouble(long long t) {
  return static_cast<int>(t >> 32) * 4294967296.0 + static_cast<unsigned>(t);
}

// CPU usage before truncation: 100 minus the idle share of the elapsed time,
// spread over the processors, plus 0.5. A count of 0 or no time between the
// samples yields an infinity or not-a-number here; UsagePercent reads it as 0.
inline double NtUsageValue(double idleDelta, double timeDelta, unsigned processors) {
  return 100.0 - idleDelta / timeDelta * 100.0 / processors + 0.5;
}

// Truncated toward zero, then held to 0..100. Compared as a double first,
// since converting an infinity or not-a-number to int is undefined.
inline int UsagePercent(double value) {
  if (!(value > 0.0)) return 0;  // negatives truncate to 0 or below; NaN fails too
  if (value >= 100.0) return 100;
  return static_cast<int>(value);
}

// The previous idle and system times of the NT sampler; idle 0 means that
// no sample has been taken yet.
struct NtCpuTimes {
  long long idle = 0;
  long long now = 0;
};

// One NT reading from the current idle and system times. The first reading
// is 0; the times become the previous ones in every case.
inline int NtCpuReading(NtCpuTimes& previous, long long idle, long long now, unsigned processors) {
  int usage = 0;
  if (previous.idle != 0) {
    double idleDelta = NtTimeToDouble(idle) - NtTimeToDouble(previous.idle);
    double timeDelta = NtTimeToDouble(now) - NtTimeToDouble(previous.now);
    usage = UsagePercent(NtUsageValue(idleDelta, timeDelta, processors));
  }
  previous.idle = idle;
  previous.now = now;
  return usage;
}

// The 95 family's counter is a signed 32-bit value; it may stray outside 0..100.
inline int RegistryUsagePercent(int value) {
  return value < 0 ? 0 : value > 100 ? 100 : value;
}

// Memory in hundredths of a megabyte (1 MB = 1,000,000 bytes): the whole
// megabytes are h / 100 and the hundredths h % 100.
inline unsigned long long HundredthsOfMegabyte(unsigned long long bytes) {
  return bytes / 10000;
}
