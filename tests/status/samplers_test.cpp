// The status samplers: their arithmetic with chosen figures, and the real
// readers against the system's own answers.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "status/os_class.h"
#include "status/panel_text.h"
#include "status/sampler_math.h"
#include "status/samplers.h"

// --- NT usage formula ---

TEST(NtUsageFormula, TruncatesTowardZeroThenClamps) {
  EXPECT_EQ(UsagePercent(-3.2), 0);
  EXPECT_EQ(UsagePercent(101.7), 100);
  EXPECT_EQ(UsagePercent(-0.7), 0);
  EXPECT_EQ(UsagePercent(75.9), 75);
  EXPECT_EQ(UsagePercent(100.0), 100);
}

TEST(NtUsageFormula, IdleShareOverProcessorsPlusHalf) {
  EXPECT_DOUBLE_EQ(NtUsageValue(250, 1000, 1), 75.5);
  EXPECT_DOUBLE_EQ(NtUsageValue(2000, 1000, 4), 50.5);
  // Values that leave the range: idle beyond the elapsed time, idle running back.
  EXPECT_NEAR(NtUsageValue(1037, 1000, 1), -3.2, 1e-9);
  EXPECT_NEAR(NtUsageValue(-12, 1000, 1), 101.7, 1e-9);
}

TEST(NtUsageFormula, NoProcessorsOrNoElapsedTimeReadZero) {
  EXPECT_EQ(UsagePercent(NtUsageValue(250, 1000, 0)), 0);  // processor count 0
  EXPECT_EQ(UsagePercent(NtUsageValue(0, 1000, 0)), 0);
  EXPECT_EQ(UsagePercent(NtUsageValue(250, 0, 2)), 0);    // no system time between
  EXPECT_EQ(UsagePercent(NtUsageValue(0, 0, 2)), 0);
}

TEST(NtUsageFormula, TimesSplitIntoSignedHighAndUnsignedLowParts) {
  EXPECT_DOUBLE_EQ(NtTimeToDouble(0x1FFFFFFFFLL), 8589934591.0);
  EXPECT_DOUBLE_EQ(NtTimeToDouble(0x80000000LL), 2147483648.0);
  EXPECT_DOUBLE_EQ(NtTimeToDouble(-1), -4294967296.0 + 4294967295.0);
}

// --- NT readings over successive samples ---

TEST(NtCpuReadings, FirstIsZeroThenTheLoadAndTimesAreKept) {
  NtCpuTimes previous;
  EXPECT_EQ(NtCpuReading(previous, 5000000, 9000000, 2), 0);
  EXPECT_EQ(previous.idle, 5000000);
  EXPECT_EQ(previous.now, 9000000);
  // 1 s elapsed on two processors, 0.5 s idle in all: 75 % busy.
  EXPECT_EQ(NtCpuReading(previous, 5000000 + 5000000, 9000000 + 10000000, 2), 75);
  EXPECT_EQ(previous.idle, 10000000);
}

TEST(NtCpuReadings, ZeroProcessorsReadZeroEveryTime) {
  NtCpuTimes previous;
  NtCpuReading(previous, 100, 1000, 0);
  EXPECT_EQ(NtCpuReading(previous, 150, 2000, 0), 0);
  EXPECT_EQ(NtCpuReading(previous, 150, 3000, 0), 0);
}

TEST(NtCpuReadings, TimesBeyondThirtyTwoBits) {
  NtCpuTimes previous;
  long long idle = 0x300000000LL, now = 0x7FFFFFFF00000000LL;
  NtCpuReading(previous, idle, now, 1);
  EXPECT_EQ(NtCpuReading(previous, idle + 4000000, now + 10000000, 1), 60);
}

// --- Registry counter and unit conversions ---

TEST(RegistryUsage, HeldToZeroToHundred) {
  EXPECT_EQ(RegistryUsagePercent(-5), 0);
  EXPECT_EQ(RegistryUsagePercent(130), 100);
  EXPECT_EQ(RegistryUsagePercent(0), 0);
  EXPECT_EQ(RegistryUsagePercent(42), 42);
  EXPECT_EQ(RegistryUsagePercent(100), 100);
}

TEST(MemoryUnits, HundredthsOfMegabyte) {
  EXPECT_EQ(HundredthsOfMegabyte(536330240ULL), 53633ULL);     // 536.33
  EXPECT_EQ(HundredthsOfMegabyte(1073217536ULL), 107321ULL);   // 1073.21
  EXPECT_EQ(HundredthsOfMegabyte(6000000000ULL), 600000ULL);   // 6000.00, beyond 32 bits
  EXPECT_EQ(HundredthsOfMegabyte(9999ULL), 0ULL);
}

TEST(NetworkUnits, TotalsDividedBeforeTheDifference) {
  // 1,999 bytes between two totals read as 1 K or 2 K by where they fall.
  EXPECT_EQ(NetworkDeltaK(1000, 1000 + 1999), 1);
  EXPECT_EQ(NetworkDeltaK(999, 999 + 1999), 2);
}

// --- The real readers ---

TEST(RealSamplers, PhysicalMemoryMatchesTheSystem) {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  unsigned long long total = ReadPhysicalMemory(false);
  unsigned long long available = ReadPhysicalMemory(true);
  EXPECT_EQ(total, status.ullTotalPhys);  // the full figure, even beyond 4 GB
  EXPECT_GT(available, 0ULL);
  EXPECT_LE(available, total);
  unsigned long long difference =
      available > status.ullAvailPhys ? available - status.ullAvailPhys : status.ullAvailPhys - available;
  EXPECT_LT(difference, total / 10);
}

TEST(RealSamplers, BatteryAsTheSystemReportsIt) {
  SYSTEM_POWER_STATUS power = {};
  ASSERT_TRUE(GetSystemPowerStatus(&power));
  EXPECT_EQ(ReadBatteryPercent(), power.BatteryLifePercent);
}

TEST(RealSamplers, OsClassFromTheSystemsVersion) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExA(&info));
#pragma GCC diagnostic pop
  OsClass = OsClassValue(-1);
  DetectOsClass();
  EXPECT_EQ(OsClass, OsClassFromVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion));
}

TEST(OsClassRule, PlatformAndVersion) {
  EXPECT_EQ(OsClassFromVersion(1, 4, 0), 0);
  EXPECT_EQ(OsClassFromVersion(1, 4, 10), 1);
  EXPECT_EQ(OsClassFromVersion(2, 4, 0), 2);
  EXPECT_EQ(OsClassFromVersion(2, 5, 1), 3);
  EXPECT_EQ(OsClassFromVersion(2, 10, 0), 3);
  EXPECT_EQ(OsClassFromVersion(0, 3, 1), 0);
  EXPECT_EQ(OsClassFromVersion(3, 6, 0), 0);
}

TEST(RealSamplers, NoFreeResourcesWithoutTheirLibrary) {
  // The figures come only from the 95 family's library; where it is missing
  // (every NT system) nothing is read and nothing is written.
  HMODULE library = LoadLibraryA("rsrc32.dll");
  ASSERT_EQ(library, nullptr);
  int system = -1, gdi = -1, user = -1;
  EXPECT_FALSE(ReadFreeResources(&system, &gdi, &user));
  EXPECT_FALSE(ReadFreeResources(&system, nullptr, nullptr));
  EXPECT_EQ(system, -1);
  EXPECT_EQ(gdi, -1);
  EXPECT_EQ(user, -1);
}

// Keeps every processor busy until told to stop, so the idle time falls behind.
class BusyEverywhere {
 public:
  BusyEverywhere() {
    unsigned count = std::thread::hardware_concurrency();
    if (count == 0) count = 1;
    for (unsigned i = 0; i < count; ++i)
      threads_.emplace_back([this] {
        ++running_;
        volatile unsigned spin = 0;
        while (!stop_) ++spin;
      });
    while (running_ < count) std::this_thread::yield();
  }
  ~BusyEverywhere() {
    stop_ = true;
    for (auto& t : threads_) t.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<unsigned> running_{0};
  std::vector<std::thread> threads_;
};

// The system time the NT sampler divides by, in 100-ns units.
static long long SystemTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

TEST(RealSamplers, NtCpuUsageFirstZeroThenTheLoad) {
  OsClassValue saved = OsClass;
  OsClass = kOsNt5;  // the NT sampler, whatever the detection said
  StartCpuUsage();
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  EXPECT_EQ(CpuProcessorCount(), static_cast<int>(system.dwNumberOfProcessors & 0xFF));
  EXPECT_EQ(ReadCpuUsage(), 0);
  int usage = 0;
  {
    BusyEverywhere busy;
    // Each reading after the system clock has moved on; with every processor
    // busy the readings show the load, once the kernel's idle count has
    // ticked between two of them.
    ReadCpuUsage();  // from here on the processors are busy
    for (int reading = 0; reading < 1000 && usage == 0; ++reading) {
      long long before = SystemTimeNow();
      while (SystemTimeNow() == before) std::this_thread::yield();
      usage = ReadCpuUsage();
    }
  }
  EXPECT_GT(usage, 0);
  StopCpuUsage();
  EXPECT_EQ(CpuProcessorCount(), 0);
  EXPECT_EQ(ReadCpuUsage(), 0);  // stopped: no entry point left
  OsClass = saved;
}

TEST(RealSamplers, RegistrySamplerWithoutTheCounterReadsZero) {
  // This system keeps no 95-family CPU counter: the statistics key is
  // missing or holds no usage value.
  HKEY key;
  if (RegOpenKeyA(HKEY_DYN_DATA, "PerfStats\\StatData", &key) == ERROR_SUCCESS) {
    int value;
    DWORD size = sizeof value;
    BYTE* bytes = reinterpret_cast<BYTE*>(&value);
    EXPECT_NE(RegQueryValueExA(key, "KERNEL\\CPUUsage", nullptr, nullptr, bytes, &size), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  OsClassValue saved = OsClass;
  OsClass = kOs95Later;
  StartCpuUsage();
  EXPECT_EQ(ReadCpuUsage(), 0);
  EXPECT_EQ(ReadCpuUsage(), 0);
  StopCpuUsage();
  EXPECT_EQ(ReadCpuUsage(), 0);
  OsClass = saved;
}

// Sends `bytes` from one loopback socket to another and reads them back.
static void LoopbackTraffic(int bytes) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(listener, INVALID_SOCKET);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  int length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  ASSERT_EQ(listen(listener, 1), 0);
  SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  SOCKET server = accept(listener, nullptr, nullptr);
  ASSERT_NE(server, INVALID_SOCKET);
  std::vector<char> chunk(8192, 'x');
  int received = 0;
  for (int sent = 0; sent < bytes; sent += static_cast<int>(chunk.size())) {
    ASSERT_EQ(send(client, chunk.data(), static_cast<int>(chunk.size()), 0), static_cast<int>(chunk.size()));
    int want = sent + static_cast<int>(chunk.size());
    while (received < want) {
      int got = recv(server, chunk.data(), static_cast<int>(chunk.size()), 0);
      ASSERT_GT(got, 0);
      received += got;
    }
  }
  closesocket(server);
  closesocket(client);
  closesocket(listener);
}

TEST(RealSamplers, LoopbackTrafficRaisesBothNetworkTotals) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  unsigned inBefore = ReadNetworkOctets(true), outBefore = ReadNetworkOctets(false);
  const int bytes = 400000;
  LoopbackTraffic(bytes);
  // Wait until the counters have caught up with what was sent.
  for (int poll = 0; poll < 2000; ++poll) {
    if (ReadNetworkOctets(true) - inBefore >= unsigned(bytes) &&
        ReadNetworkOctets(false) - outBefore >= unsigned(bytes))
      break;
    Sleep(1);
  }
  // Unsigned differences stay right across a wrap of the 32-bit sums.
  EXPECT_GE(ReadNetworkOctets(true) - inBefore, static_cast<unsigned>(bytes));
  EXPECT_GE(ReadNetworkOctets(false) - outBefore, static_cast<unsigned>(bytes));
  EXPECT_GE(NetworkDeltaK(inBefore, ReadNetworkOctets(true)), bytes / 1000 - 1);
  EXPECT_GE(NetworkDeltaK(outBefore, ReadNetworkOctets(false)), bytes / 1000 - 1);
  WSACleanup();
}
