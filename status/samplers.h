// Readers of the operating system's figures: system class, memory, CPU usage,
// battery, free resources and network totals.
#pragma once

// 0: 95 family, minor version 0; 1: 95 family, later; 2: NT up to 4; 3: NT 5 or later.
extern int OsClass;

// Fixes OsClass from the system's version, once at start.
void DetectOsClass();
// The CPU sampler of the system class: NT reads the idle time, the 95 family
// starts its registry performance counter.
void StartCpuUsage();
void StopCpuUsage();
