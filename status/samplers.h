// Readers of the operating system's figures: system class, memory, CPU usage,
// battery, free resources and network totals. 1 MB is 1,000,000 bytes and
// 1 K is 1,000 bytes throughout.
#pragma once

#include "core/run_state.h"  // OsClass

// Fixes OsClass from the system's version, once at start.
void DetectOsClass();

// Physical memory in bytes: available when `available`, else total. 64 bits
// wide, so that memory beyond what 32-bit counts hold shows its true size.
unsigned long long ReadPhysicalMemory(bool available);

// The CPU sampler of the system class: NT reads the idle time, the 95 family
// the registry's performance counter.
void StartCpuUsage();
// Usage in percent since the previous reading, 0..100 (0 at the first).
int ReadCpuUsage();
void StopCpuUsage();
// Processors the NT sampler divides by, read at its start; 0 when it is
// stopped or the system did not say.
int CpuProcessorCount();

// Battery charge as the system reports it: 0..100, or 255 when unknown.
int ReadBatteryPercent();

// Free system, GDI and user resources in percent (95 family only); false
// when they cannot be read. Each out-pointer may be null.
bool ReadFreeResources(int* system, int* gdi, int* user);

// Octets received (incoming) or sent, summed over every interface, in
// unsigned 32-bit arithmetic (so the sum wraps like the counters do).
unsigned ReadNetworkOctets(bool incoming);
