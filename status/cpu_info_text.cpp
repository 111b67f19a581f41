#include "status/cpu_info_text.h"

#include <cstdio>
#include <cstring>

void DecodeCpuSignature(unsigned eax, CpuInfo* info) {
  info->type = (eax >> 12) & 0xF;
  info->family = (eax >> 8) & 0xF;
  info->model = (eax >> 4) & 0xF;
  info->stepping = eax & 0xF;
}

static int Bit(unsigned value, int bit) { return (value >> bit) & 1; }

int IdentifyCpu(CpuidFunction cpuid, CpuInfo* info) {
  CpuidRegs leaf0 = cpuid(0);
  std::memcpy(info->vendor, &leaf0.ebx, 4);
  std::memcpy(info->vendor + 4, &leaf0.edx, 4);
  std::memcpy(info->vendor + 8, &leaf0.ecx, 4);
  info->vendor[12] = '\0';
  if (leaf0.eax < 1) return 2;

  CpuidRegs leaf1 = cpuid(1);
  DecodeCpuSignature(leaf1.eax, info);
  unsigned features = leaf1.edx;
  info->mmx = Bit(features, 23);
  info->sse = Bit(features, 25);
  info->sse2 = Bit(features, 26);
  if (std::strcmp(info->vendor, "AuthenticAMD") == 0) {
    features = cpuid(0x80000001).edx;
    info->amd3dnow = Bit(features, 31);
  }
  return Bit(features, 4) ? 0 : 3;
}

double ClockFromCounter(unsigned start, unsigned end) {
  unsigned cycles = end - start;
  return cycles / 1000000u;
}

static const char* OkNg(int flag) { return flag == 1 ? "OK" : "NG"; }

void FormatCpuLabels(const CpuInfo& info, CpuLabel labels[kCpuLabelCount]) {
  std::snprintf(labels[0], kCpuLabelSize, " VenderID : %s", info.vendor);
  std::snprintf(labels[1], kCpuLabelSize, " Type : %d", info.type);
  std::snprintf(labels[2], kCpuLabelSize, " Family : %d", info.family);
  std::snprintf(labels[3], kCpuLabelSize, " Model : %d", info.model);
  std::snprintf(labels[4], kCpuLabelSize, " Stepping : %d", info.stepping);
  std::snprintf(labels[5], kCpuLabelSize, " MMX : %s", OkNg(info.mmx));
  std::snprintf(labels[6], kCpuLabelSize, " SSE : %s", OkNg(info.sse));
  std::snprintf(labels[7], kCpuLabelSize, " SSE2 : %s", OkNg(info.sse2));
  std::snprintf(labels[8], kCpuLabelSize, " 3DNow! : %s", OkNg(info.amd3dnow));
  std::snprintf(labels[9], kCpuLabelSize, " ｸﾛｯｸ周波数 : %d MHz", static_cast<int>(info.clock));
}

bool ApplyCpuLabels(int result, const CpuInfo& info, CpuLabel labels[kCpuLabelCount]) {
  if (result != 0) return false;
  FormatCpuLabels(info, labels);
  return true;
}
