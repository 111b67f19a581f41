#include "media/list_io.h"

#include <windows.h>

#include "framework/files.h"
#include "framework/wide_text.h"

namespace {

// The path in the system code page, when it holds it exactly.
bool SystemPath(const std::wstring& path, std::string* narrow) {
  return path.find(L'\0') == std::wstring::npos && NarrowExact(path, CP_ACP, narrow);
}

}  // namespace

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

ReadResult ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t maxBytes) {
  std::string narrow;
  if (SystemPath(path, &narrow)) return ReadWholeFile(narrow.c_str(), bytes, maxBytes);
  bytes->clear();
  if (IsDevicePath(path)) return ReadResult::kUnreadable;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ReadResult::kUnreadable;
  LARGE_INTEGER size = {};
  ReadResult result = ReadResult::kRead;
  if (!GetFileSizeEx(file, &size)) {
    result = ReadResult::kUnreadable;
  } else if (uint64_t(size.QuadPart) > maxBytes || size.HighPart) {
    result = ReadResult::kTooLarge;
  } else if (size.LowPart) {
    bytes->resize(size.LowPart);
    DWORD read = 0;
    if (!ReadFile(file, &(*bytes)[0], size.LowPart, &read, nullptr) || read != size.LowPart) {
      bytes->clear();
      result = ReadResult::kUnreadable;
    }
  }
  CloseHandle(file);
  return result;
}

bool ReplaceFileSafely(const std::wstring& path, const std::string& bytes) {
  std::string narrow;
  if (SystemPath(path, &narrow)) return ReplaceFileSafely(narrow.c_str(), bytes);
  if (IsDevicePath(path)) return false;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;  // the user asked for this file to stay as it is
  // Beside it, named for this process, as the 8-bit form names its own.
  std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  if (temporary.size() >= MAX_PATH) return false;
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = (bytes.empty() || (WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                               written == bytes.size())) &&
            FlushFileBuffers(file);
  CloseHandle(file);
  if (ok && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}
