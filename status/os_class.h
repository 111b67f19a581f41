// Operating-system class from the version figures (pure).
#pragma once

// Platform 1 (95 family): 1 when the minor version is not 0, else 0.
// Platform 2 (NT family): 3 from version 5 on, else 2. Anything else: 0.
inline int OsClassFromVersion(unsigned long platform, unsigned long major, unsigned long minor) {
  if (platform == 1) return minor != 0 ? 1 : 0;
  if (platform == 2) return major > 4 ? 3 : 2;
  return 0;
}
