#include "framework/files.h"

#include <cstring>
#include <string>

#include "framework/text.h"
#include "framework/wide_text.h"

void FolderOfPath(const char* path, char* folder, size_t size) {
  if (size == 0) return;
  size_t slash = text::LastSeparator(path);
  size_t n = slash == std::string::npos ? 0 : slash + 1;
  if (n >= size) n = 0;
  std::memmove(folder, path, n);
  folder[n] = '\0';
}

bool FolderOfModulePath(const char* path, size_t length, size_t bufferSize, char* folder, size_t size) {
  if (size) folder[0] = '\0';
  if (length == 0 || length >= bufferSize || length > MAX_PATH - 1) return false;
  char found[MAX_PATH];
  std::memcpy(found, path, length);
  found[length] = '\0';
  FolderOfPath(found, found, sizeof found);
  if (!found[0] || std::strlen(found) >= size) return false;
  std::strcpy(folder, found);
  return true;
}

bool ProgramPathInCodePage() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, &path[0], DWORD(path.size())));
  std::string narrow;
  return NarrowExact(path, CP_ACP, &narrow);
}

bool ProgramFolder(char* folder, size_t size) {
  if (!ProgramPathInCodePage()) {
    if (size) folder[0] = '\0';
    return false;
  }
  // A larger buffer than any path the program accepts shows a path that a
  // MAX_PATH buffer would have cut.
  char path[4 * MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return FolderOfModulePath(path, length, sizeof path, folder, size);
}

bool IsDevicePath(const char* path) {
  if (!path) return false;
  if ((path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/') && path[2] == '.' &&
      (path[3] == '\\' || path[3] == '/'))
    return true;
  size_t slash = text::LastSeparator(path);
  const char* name = slash == std::string::npos ? path : path + slash + 1;
  // "C:CON" names the device as well.
  if (name == path && name[0] && name[1] == ':') name += 2;
  // The base name ends at the first dot or colon ("COM1.mp3", "COM1:");
  // trailing spaces do not count ("NUL .txt").
  size_t length = std::strcspn(name, ".:");
  while (length && name[length - 1] == ' ') --length;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (text::EqualsNoCase(name, length, device, std::strlen(device))) return true;
  return length == 4 && (text::EqualsNoCase(name, 3, "COM", 3) || text::EqualsNoCase(name, 3, "LPT", 3)) &&
         name[3] >= '1' && name[3] <= '9';
}

bool FileExists(const char* path) {
  return !IsDevicePath(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool SystemPath(const std::wstring& path, std::string* narrow) {
  return path.find(L'\0') == std::wstring::npos && NarrowExact(path, CP_ACP, narrow);
}

bool IsDevicePath(const std::wstring& path) {
  // Every other character stands as one no device name has.
  std::string shape;
  for (wchar_t c : path) {
    if (c == 0) break;
    shape += c < 0x80 ? char(c) : c == 0xB9 ? '1' : c == 0xB2 ? '2' : c == 0xB3 ? '3' : '_';
  }
  return IsDevicePath(shape.c_str());
}

bool FileExists(const std::wstring& path) {
  std::string narrow;
  if (SystemPath(path, &narrow)) return FileExists(narrow.c_str());
  return !IsDevicePath(path) && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
