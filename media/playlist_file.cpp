#include "playlist_file.h"

#include <cstring>

#include "../framework/text.h"

namespace m3u {

std::vector<std::string> ParseList(const std::string& bytes) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    size_t length = end - start;
    if (length && bytes[end - 1] == '\r') --length;
    // A zero byte would end the path early: such a line names no file.
    if (length && length <= kMaxPathBytes && !std::memchr(bytes.data() + start, '\0', length))
      entries.emplace_back(bytes, start, length);
    start = end + 1;
  }
  return entries;
}

std::string FormatList(const std::vector<std::string>& paths) {
  std::string bytes;
  for (const std::string& path : paths) {
    bytes += path;
    bytes += "\r\n";
  }
  return bytes;
}

namespace {
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool HasDrive(const std::string& path) { return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':'; }
}  // namespace

bool IsAbsolute(const std::string& path) {
  return HasDrive(path) || (!path.empty() && IsSeparator(path[0]));
}

std::string ResolveEntry(const std::string& listFolder, const std::string& entry) {
  if (HasDrive(entry)) return entry;
  if (!entry.empty() && IsSeparator(entry[0])) {
    // "\\server\share\..." stands alone; "\music\..." is on the list's drive.
    if (entry.size() >= 2 && IsSeparator(entry[1])) return entry;
    return HasDrive(listFolder) ? listFolder.substr(0, 2) + entry : entry;
  }
  return listFolder + entry;
}

std::string NameOfPath(const std::string& path) {
  size_t slash = text::LastSeparator(path.c_str());
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace m3u
