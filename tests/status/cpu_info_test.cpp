// The processor probe: its decisions with chosen registers, the page's
// texts, and the real probe on this machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <vector>

#include "status/cpu_info.h"
#include "status/cpu_info_text.h"

namespace {

// A processor made of a table of leaves; records which leaves were asked for.
std::map<unsigned, CpuidRegs> g_leaves;
std::vector<unsigned> g_asked;

CpuidRegs TableCpuid(unsigned leaf) {
  g_asked.push_back(leaf);
  auto found = g_leaves.find(leaf);
  return found == g_leaves.end() ? CpuidRegs{0, 0, 0, 0} : found->second;
}

unsigned Chars(const char* four) {
  unsigned value;
  std::memcpy(&value, four, 4);
  return value;
}

// Leaf 0 with the given vendor (EBX, EDX, ECX) and highest leaf.
void SetVendor(const char* vendor, unsigned highest) {
  g_leaves.clear();
  g_asked.clear();
  g_leaves[0] = {highest, Chars(vendor), Chars(vendor + 8), Chars(vendor + 4)};
}

const unsigned kTsc = 1u << 4, kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26, k3dNow = 1u << 31;

const char* const kTemplates[kCpuLabelCount] = {
    " VenderID : ", " Type : ", " Family : ", " Model : ", " Stepping : ",
    " MMX : ", " SSE : ", " SSE2 : ", " 3DNow! : ", " ｸﾛｯｸ周波数 : "};

void FillTemplates(CpuLabel labels[kCpuLabelCount]) {
  for (int i = 0; i < kCpuLabelCount; ++i) std::strcpy(labels[i], kTemplates[i]);
}

}  // namespace

// --- Leaf 1 signature ---

TEST(CpuSignature, DecodesTypeFamilyModelStepping) {
  CpuInfo info = {};
  DecodeCpuSignature(0xF29, &info);
  EXPECT_EQ(info.type, 0);
  EXPECT_EQ(info.family, 15);
  EXPECT_EQ(info.model, 2);
  EXPECT_EQ(info.stepping, 9);
}

TEST(CpuSignature, ExtendedFamilyAndModelBitsLeftOut) {
  CpuInfo info = {};
  DecodeCpuSignature(0x0FFF35C7, &info);  // extended model F, extended family FF, type 3
  EXPECT_EQ(info.type, 3);
  EXPECT_EQ(info.family, 5);
  EXPECT_EQ(info.model, 12);
  EXPECT_EQ(info.stepping, 7);
}

// --- Identification steps ---

TEST(CpuIdentification, IntelFeaturesFromLeafOne) {
  SetVendor("GenuineIntel", 2);
  g_leaves[1] = {0x6F6, 0, 0, kTsc | kMmx | kSse2};
  g_leaves[0x80000001] = {0, 0, 0, k3dNow | kTsc};
  CpuInfo info = {};
  EXPECT_EQ(IdentifyCpu(TableCpuid, &info), 0);
  EXPECT_STREQ(info.vendor, "GenuineIntel");
  EXPECT_EQ(info.family, 6);
  EXPECT_EQ(info.model, 15);
  EXPECT_EQ(info.stepping, 6);
  EXPECT_EQ(info.mmx, 1);
  EXPECT_EQ(info.sse, 0);
  EXPECT_EQ(info.sse2, 1);
  EXPECT_EQ(info.amd3dnow, 0);  // another vendor's extended bit is never read
  EXPECT_EQ(g_asked, (std::vector<unsigned>{0, 1}));
}

TEST(CpuIdentification, AmdReadsThreeDNowAndCounterFlagFromExtendedLeaf) {
  SetVendor("AuthenticAMD", 1);
  g_leaves[1] = {0x681, 0, 0, kMmx | kSse};  // no counter flag in leaf 1
  g_leaves[0x80000001] = {0, 0, 0, k3dNow | kTsc};
  CpuInfo info = {};
  EXPECT_EQ(IdentifyCpu(TableCpuid, &info), 0);
  EXPECT_EQ(info.amd3dnow, 1);
  EXPECT_EQ(info.mmx, 1);
  EXPECT_EQ(info.sse, 1);
  EXPECT_EQ(g_asked, (std::vector<unsigned>{0, 1, 0x80000001}));

  SetVendor("AuthenticAMD", 1);
  g_leaves[1] = {0x681, 0, 0, kMmx | kTsc};  // counter flag only in leaf 1
  g_leaves[0x80000001] = {0, 0, 0, 0};
  info = {};
  EXPECT_EQ(IdentifyCpu(TableCpuid, &info), 3);
  EXPECT_EQ(info.amd3dnow, 0);
}

TEST(CpuIdentification, NoLeafOneGivesTwoWithVendorRead) {
  SetVendor("CyrixInstead", 0);
  CpuInfo info = {};
  EXPECT_EQ(IdentifyCpu(TableCpuid, &info), 2);
  EXPECT_STREQ(info.vendor, "CyrixInstead");
  EXPECT_EQ(g_asked, (std::vector<unsigned>{0}));
}

TEST(CpuIdentification, NoTimeStampCounterGivesThree) {
  SetVendor("GenuineIntel", 1);
  g_leaves[1] = {0x543, 0, 0, kMmx};
  CpuInfo info = {};
  EXPECT_EQ(IdentifyCpu(TableCpuid, &info), 3);
  EXPECT_STREQ(info.vendor, "GenuineIntel");
}

// --- Clock ---

TEST(CpuClock, WholeMegahertzFromThirtyTwoBitCounter) {
  EXPECT_DOUBLE_EQ(ClockFromCounter(1000, 1000 + 2400123456u), 2400.0);
  EXPECT_DOUBLE_EQ(ClockFromCounter(0xF0000000u, 0xF0000000u + 2400123456u), 2400.0);  // wraps
  EXPECT_DOUBLE_EQ(ClockFromCounter(5, 5 + 999999), 0.0);
}

// --- Page texts ---

TEST(CpuPageTexts, AllTenLabels) {
  CpuInfo info = {};
  std::strcpy(info.vendor, "GenuineIntel");
  info.type = 0;
  info.family = 15;
  info.model = 2;
  info.stepping = 9;
  info.mmx = 1;
  info.sse = 1;
  info.sse2 = 0;
  info.amd3dnow = 0;
  info.clock = ClockFromCounter(0, 2400123456u);
  CpuLabel labels[kCpuLabelCount];
  FormatCpuLabels(info, labels);
  EXPECT_STREQ(labels[0], " VenderID : GenuineIntel");
  EXPECT_STREQ(labels[1], " Type : 0");
  EXPECT_STREQ(labels[2], " Family : 15");
  EXPECT_STREQ(labels[3], " Model : 2");
  EXPECT_STREQ(labels[4], " Stepping : 9");
  EXPECT_STREQ(labels[5], " MMX : OK");
  EXPECT_STREQ(labels[6], " SSE : OK");
  EXPECT_STREQ(labels[7], " SSE2 : NG");
  EXPECT_STREQ(labels[8], " 3DNow! : NG");
  EXPECT_STREQ(labels[9], " ｸﾛｯｸ周波数 : 2400 MHz");
}

TEST(CpuPageTexts, OtherVendorShowsNoThreeDNowEvenWithTheBitSet) {
  SetVendor("GenuineIntel", 1);
  g_leaves[1] = {0xF29, 0, 0, kTsc};
  g_leaves[0x80000001] = {0, 0, 0, k3dNow | kTsc};
  CpuInfo info = {};
  ASSERT_EQ(IdentifyCpu(TableCpuid, &info), 0);
  CpuLabel labels[kCpuLabelCount];
  FormatCpuLabels(info, labels);
  EXPECT_STREQ(labels[8], " 3DNow! : NG");

  SetVendor("AuthenticAMD", 1);
  g_leaves[1] = {0xF29, 0, 0, 0};
  g_leaves[0x80000001] = {0, 0, 0, k3dNow | kTsc};
  info = {};
  ASSERT_EQ(IdentifyCpu(TableCpuid, &info), 0);
  FormatCpuLabels(info, labels);
  EXPECT_STREQ(labels[8], " 3DNow! : OK");
}

TEST(CpuPageTexts, OnlyResultZeroReplacesTheTemplates) {
  CpuInfo info = {};
  std::strcpy(info.vendor, "GenuineIntel");  // read before the probe gave up
  info.clock = 1800;
  CpuLabel labels[kCpuLabelCount];
  for (int result = 1; result <= 3; ++result) {
    FillTemplates(labels);
    EXPECT_FALSE(ApplyCpuLabels(result, info, labels));
    for (int i = 0; i < kCpuLabelCount; ++i) EXPECT_STREQ(labels[i], kTemplates[i]) << result;
  }
  FillTemplates(labels);
  EXPECT_TRUE(ApplyCpuLabels(0, info, labels));
  EXPECT_STREQ(labels[0], " VenderID : GenuineIntel");
  EXPECT_STREQ(labels[9], " ｸﾛｯｸ周波数 : 1800 MHz");
}

// --- The real probe ---

TEST(RealCpuProbe, ThisMachineIdentifiesAndMeasuresItsClock) {
  CpuInfo info;
  std::memset(&info, 0x5A, sizeof info);  // the probe clears what it does not fill
  ASSERT_EQ(ReadCpuInfo(&info), 0);
  ASSERT_EQ(std::strlen(info.vendor), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_TRUE(std::isprint(static_cast<unsigned char>(info.vendor[i])));
  // Every 64-bit x86 processor has MMX, SSE and SSE2 and a time-stamp counter.
  EXPECT_EQ(info.mmx, 1);
  EXPECT_EQ(info.sse, 1);
  EXPECT_EQ(info.sse2, 1);
  if (std::strcmp(info.vendor, "AuthenticAMD") != 0) {
    EXPECT_EQ(info.amd3dnow, 0);
  }
  // The system's own reading of the signature: level is the family below 15,
  // revision the model (with its extended bits) and the stepping.
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  if (info.family != 15) {
    EXPECT_EQ(system.wProcessorLevel, info.family);
  }
  EXPECT_EQ((system.wProcessorRevision >> 8) & 0xF, info.model);
  EXPECT_EQ(system.wProcessorRevision & 0xFF, info.stepping);
  // A whole number of megahertz, and the counter moved during the measurement.
  EXPECT_EQ(info.clock, static_cast<double>(static_cast<int>(info.clock)));
  EXPECT_GT(info.clock, 0.0);
}
