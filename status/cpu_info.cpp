#include "cpu_info.h"

#include <cstring>

// The probe comes with the status monitor.
int ReadCpuInfo(CpuInfo* info) {
  std::memset(info, 0, sizeof *info);
  return 1;
}
