#include "framework/file_io.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "framework/files.h"
#include "framework/text.h"

namespace {

// The whole of an opened file (closed here), as ReadWholeFile reads it.
ReadResult ReadOpened(HANDLE file, std::string* bytes, uint64_t maxBytes) {
  if (file == INVALID_HANDLE_VALUE) return ReadResult::kUnreadable;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  ReadResult result = ReadResult::kRead;
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    result = ReadResult::kUnreadable;
  } else if (high || size > maxBytes) {
    result = ReadResult::kTooLarge;
  } else if (size) {
    bytes->resize(size);
    DWORD read = 0;
    if (!ReadFile(file, &(*bytes)[0], size, &read, nullptr) || read != size) {
      bytes->clear();
      result = ReadResult::kUnreadable;
    }
  }
  CloseHandle(file);
  return result;
}

// Writes `bytes` to an opened temporary file, flushes and closes it; false
// when any of that failed.
bool WriteAndClose(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  bool ok = (bytes.empty() || (WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                               written == bytes.size())) &&
            FlushFileBuffers(file);
  CloseHandle(file);
  return ok;
}

// A target the user asked to stay as it is (read-only), or a folder.
bool KeptAsItIs(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace

ReadResult ReadWholeFile(const char* path, std::string* bytes, uint64_t maxBytes) {
  bytes->clear();
  if (IsDevicePath(path)) return ReadResult::kUnreadable;
  return ReadOpened(
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr), bytes,
      maxBytes);
}

namespace {

// The temporary file beside `path`, opened for writing. Its name is the
// target's with the process id: "<name>.<pid>.tmp", as another copy of the
// program running at once names its own differently. Where that does not fit
// the platform's limits, a name no longer than the target's own, which fits
// wherever the target does: "~", a number, the process id, ".tmp", cut to
// that length; an existing file of such a name is never touched, the next
// number is tried.
HANDLE CreateTemporaryBeside(const char* path, char* temporary, size_t size) {
  size_t slash = text::LastSeparator(path);
  size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  size_t nameLength = std::strlen(path + nameAt);
  if (nameLength == 0 || nameAt + nameLength >= size) return INVALID_HANDLE_VALUE;
  unsigned long pid = static_cast<unsigned long>(GetCurrentProcessId());
  int n = std::snprintf(temporary, size, "%s.%lu.tmp", path, pid);
  if (n > 0 && size_t(n) < size && size_t(n) < MAX_PATH && size_t(n) - nameAt <= 255)
    return CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "~%x%lx.tmp", attempt, pid);
    if (std::strlen(name) > nameLength) name[nameLength] = '\0';
    std::memcpy(temporary, path, nameAt);
    std::strcpy(temporary + nameAt, name);
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool ReplaceFileSafely(const char* path, const std::string& bytes) {
  if (IsDevicePath(path) || KeptAsItIs(GetFileAttributesA(path))) return false;
  char temporary[MAX_PATH + 32];
  HANDLE file = CreateTemporaryBeside(path, temporary, sizeof temporary);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAndClose(file, bytes);
  if (ok && MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  // The 95 family has no MoveFileEx: the old file goes only once the new one is whole.
  if (ok && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
    DeleteFileA(path);
    if (MoveFileA(temporary, path)) return true;
  }
  DeleteFileA(temporary);
  return false;
}

ReadResult ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t maxBytes) {
  std::string narrow;
  if (SystemPath(path, &narrow)) return ReadWholeFile(narrow.c_str(), bytes, maxBytes);
  bytes->clear();
  if (IsDevicePath(path)) return ReadResult::kUnreadable;
  return ReadOpened(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr),
                    bytes, maxBytes);
}

bool ReplaceFileSafely(const std::wstring& path, const std::string& bytes) {
  std::string narrow;
  if (SystemPath(path, &narrow)) return ReplaceFileSafely(narrow.c_str(), bytes);
  if (IsDevicePath(path) || KeptAsItIs(GetFileAttributesW(path.c_str()))) return false;
  // Beside it, named for this process, as the 8-bit form names its own.
  std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  if (temporary.size() >= MAX_PATH) return false;
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (WriteAndClose(file, bytes) &&
      MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}
