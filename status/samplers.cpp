#include "status/samplers.h"

#include <windows.h>
#include <iphlpapi.h>
#include <winternl.h>

#include <vector>

#include "status/os_class.h"
#include "status/sampler_math.h"


void DetectOsClass() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return;  // keeps the previous class
#pragma GCC diagnostic pop
  OsClass = OsClassFromVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

unsigned long long ReadPhysicalMemory(bool available) {
  // The 95 family and NT 4 lack the 64-bit call; look it up so that the
  // program still starts there and falls back to the 32-bit figures.
  typedef BOOL(WINAPI * MemoryStatusExFn)(LPMEMORYSTATUSEX);
  static MemoryStatusExFn statusEx = reinterpret_cast<MemoryStatusExFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GlobalMemoryStatusEx")));
  if (statusEx) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (statusEx(&status)) return available ? status.ullAvailPhys : status.ullTotalPhys;
  }
  MEMORYSTATUS status = {};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  return available ? status.dwAvailPhys : status.dwTotalPhys;
}

// --- CPU usage on the NT family: idle time against system time ---

typedef LONG(WINAPI * NtQueryFn)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
static NtQueryFn g_ntQuery = nullptr;
static unsigned char g_processors = 0;
static NtCpuTimes g_previousTimes;

static void StartNtSampler() {
  g_ntQuery = reinterpret_cast<NtQueryFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll"), "NtQuerySystemInformation")));
  g_processors = 0;
  g_previousTimes = NtCpuTimes();  // the first reading after a start is 0
  if (!g_ntQuery) return;
  // The basic record must be passed at exactly its own size.
  SYSTEM_BASIC_INFORMATION basic = {};
  if (g_ntQuery(SystemBasicInformation, &basic, sizeof basic, nullptr) >= 0)
    g_processors = static_cast<unsigned char>(basic.NumberOfProcessors);
}

static int ReadNtSampler() {
  if (!g_ntQuery) return 0;
  // Boot and current time lie in the first 32 bytes, a size that every NT
  // version accepts; later versions refuse anything beyond their own record.
  SYSTEM_TIMEOFDAY_INFORMATION time = {};
  static_assert(sizeof time >= 32, "time-of-day record");
  if (g_ntQuery(SystemTimeOfDayInformation, &time, 32, nullptr) < 0) return 0;
  SYSTEM_PERFORMANCE_INFORMATION performance = {};
  if (g_ntQuery(SystemPerformanceInformation, &performance, sizeof performance, nullptr) < 0) return 0;
  return NtCpuReading(g_previousTimes, performance.IdleTime.QuadPart, time.CurrentTime.QuadPart,
                      g_processors);
}

static void StopNtSampler() {
  g_ntQuery = nullptr;
  g_processors = 0;
}

// --- CPU usage on the 95 family: the kernel's counter in the registry ---

static HKEY g_statData = nullptr;
static const char kCpuUsageValue[] = "KERNEL\\CPUUsage";

// Opening StartStat or StopStat and reading the counter there starts or
// stops the kernel's collection; the value read is of no use.
static void TouchStatKey(const char* name) {
  HKEY key;
  if (RegOpenKeyA(HKEY_DYN_DATA, name, &key) != ERROR_SUCCESS) return;
  DWORD value, size = sizeof value;
  RegQueryValueExA(key, kCpuUsageValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
}

static void StartRegistrySampler() {
  if (RegOpenKeyA(HKEY_DYN_DATA, "PerfStats\\StatData", &g_statData) != ERROR_SUCCESS) {
    g_statData = nullptr;
    return;
  }
  TouchStatKey("PerfStats\\StartStat");
}

static int ReadRegistrySampler() {
  if (!g_statData) return 0;
  int value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(g_statData, kCpuUsageValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS)
    return 0;
  return RegistryUsagePercent(value);
}

static void StopRegistrySampler() {
  if (!g_statData) return;
  TouchStatKey("PerfStats\\StopStat");
  RegCloseKey(g_statData);
  g_statData = nullptr;
}

void StartCpuUsage() {
  if (OsClass >= kOsNt) StartNtSampler();
  else StartRegistrySampler();
}

int ReadCpuUsage() { return OsClass >= kOsNt ? ReadNtSampler() : ReadRegistrySampler(); }

void StopCpuUsage() {
  if (OsClass >= kOsNt) StopNtSampler();
  else StopRegistrySampler();
}

int CpuProcessorCount() { return g_processors; }

int ReadBatteryPercent() {
  SYSTEM_POWER_STATUS power = {};
  GetSystemPowerStatus(&power);
  return power.BatteryLifePercent;
}

bool ReadFreeResources(int* system, int* gdi, int* user) {
  // Only the 95 family has this library; a failed load is not repeated.
  typedef int(WINAPI * FreeResourcesFn)(int);
  static bool loadTried = false;
  static HMODULE library = nullptr;
  static FreeResourcesFn freeResources = nullptr;
  if (!loadTried) {
    loadTried = true;
    library = LoadLibraryA("rsrc32.dll");
  }
  if (!library) return false;
  if (!freeResources)
    freeResources = reinterpret_cast<FreeResourcesFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "_MyGetFreeSystemResources32@4")));
  if (!freeResources) return false;
  if (system) *system = freeResources(0);
  if (gdi) *gdi = freeResources(1);
  if (user) *user = freeResources(2);
  return true;
}

unsigned ReadNetworkOctets(bool incoming) {
  ULONG size = 0;
  GetIfTable(nullptr, &size, TRUE);
  if (size == 0) return 0;
  std::vector<unsigned char> buffer(size);
  MIB_IFTABLE* table = reinterpret_cast<MIB_IFTABLE*>(buffer.data());
  // An interface that appears between the two calls makes the table
  // unreadable this time; the reading is then 0.
  if (GetIfTable(table, &size, TRUE) != NO_ERROR) return 0;
  unsigned sum = 0;
  for (DWORD i = 0; i < table->dwNumEntries; ++i)
    sum += incoming ? table->table[i].dwInOctets : table->table[i].dwOutOctets;
  return sum;
}
