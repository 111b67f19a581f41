// Files named by wide paths, for the playlist's list files: the name may be
// one the system code page cannot hold ("Café.m3u8"). A path it holds goes
// through the 8-bit calls (framework/file_io.h, framework/files.h) as
// before, which the 95 family also has.
#pragma once
#include <cstdint>
#include <string>

#include "framework/file_io.h"

// The path names a device rather than a file (see IsDevicePath): device
// names are ASCII, and COM and LPT also take the digits ¹ ² ³.
bool IsDevicePath(const std::wstring& path);
// A file or folder of that name exists; a device is neither.
bool FileExists(const std::wstring& path);
// As ReadWholeFile and ReplaceFileSafely.
ReadResult ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t maxBytes);
bool ReplaceFileSafely(const std::wstring& path, const std::string& bytes);
