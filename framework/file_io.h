// Whole small files: read at once, and replaced so that the old version
// stays whole until the new one is complete. Used by the profile and the
// playlist files.
#pragma once
#include <cstdint>
#include <string>

enum class ReadResult { kRead, kUnreadable, kTooLarge };

// The whole file into *bytes. A file larger than `maxBytes` is refused before
// anything is allocated; a device name or a file that cannot be opened is
// unreadable.
ReadResult ReadWholeFile(const char* path, std::string* bytes, uint64_t maxBytes);

// Writes `bytes` to a temporary file of this process's own beside `path`,
// flushes it and moves it over `path` in one step; on any failure the old
// file is left exactly as it was and the temporary file removed. A read-only
// target (or a folder, or a device) is left alone and gives false.
bool ReplaceFileSafely(const char* path, const std::string& bytes);

// The same for a wide path: one the system code page spells goes through the
// 8-bit form; any other through the wide calls.
ReadResult ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t maxBytes);
bool ReplaceFileSafely(const std::wstring& path, const std::string& bytes);
