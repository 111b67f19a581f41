// The processor probe of the settings sheet's CPU page.
#pragma once

struct CpuInfo {
  char vendor[16];
  double clock;  // MHz
  int type;
  int family;
  int model;
  int stepping;
  int mmx;
  int amd3dnow;
  int sse;
  int sse2;
};

// 0: filled; 1: no identification instruction; 2: no leaf 1; 3: no time-stamp counter.
int ReadCpuInfo(CpuInfo* info);
