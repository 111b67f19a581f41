// Operating-system class from the version figures (pure).
#pragma once
#include "core/run_state.h"

// Platform 1 (95 family): kOs95Later when the minor version is not 0, else
// kOs95. Platform 2 (NT family): kOsNt5 from version 5 on, else kOsNt.
// Anything else: kOs95.
inline OsClassValue OsClassFromVersion(unsigned long platform, unsigned long major, unsigned long minor) {
  if (platform == 1) return minor != 0 ? kOs95Later : kOs95;
  if (platform == 2) return major > 4 ? kOsNt5 : kOsNt;
  return kOs95;
}
