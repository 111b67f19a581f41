#include "samplers.h"

#include <windows.h>

#include "os_class.h"

int OsClass = 0;

void DetectOsClass() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return;  // keeps the previous class
#pragma GCC diagnostic pop
  OsClass = OsClassFromVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

// The readers come with the status monitor's samplers.
unsigned long long ReadPhysicalMemory(bool) { return 0; }
void StartCpuUsage() {}
int ReadCpuUsage() { return 0; }
void StopCpuUsage() {}
int ReadBatteryPercent() { return 255; }
bool ReadFreeResources(int*, int*, int*) { return false; }
unsigned ReadNetworkOctets(bool) { return 0; }
unsigned ReadNetworkTotal(bool incoming) { return ReadNetworkOctets(incoming) / 1000; }
