// The short media files that scripts/make-test-media.sh makes at test time,
// found through TOVIX_TEST_MEDIA (a Unix path: Wine shows the root as Z:).
#pragma once
#include <cstdlib>
#include <string>

// The folder as a Windows path, or "" when TOVIX_TEST_MEDIA is not set.
inline std::string MediaFolder() {
  const char* env = std::getenv("TOVIX_TEST_MEDIA");
  if (!env || !*env) return "";
  std::string path = env;
  if (path[0] != '/') return path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}
