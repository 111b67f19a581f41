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

// The samplers come with the status monitor; until then nothing is started.
void StartCpuUsage() {}
void StopCpuUsage() {}
