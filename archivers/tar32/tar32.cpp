// The entry points of TAR32.dll: the program loads it by name and calls these
// (the W forms take UTF-16 paths and text, size in WCHARs, and UTF-8
// response files); the work is shared with the other archiver libraries.
#include <windows.h>

#include "archivers/win/library.h"

extern "C" {

__declspec(dllexport) int WINAPI Tar(HWND window, LPCSTR command, LPSTR output, DWORD size) {
  return arc::WorkEntry(arc::RunTar, window, command, output, size);
}

__declspec(dllexport) int WINAPI TarW(HWND window, LPCWSTR command, LPWSTR output, DWORD size) {
  return arc::WideWorkEntry(arc::RunTar, window, command, output, size);
}

__declspec(dllexport) BOOL WINAPI TarCheckArchive(LPCSTR path, int) {
  return arc::CheckEntry(arc::Format::Tar, path);
}

__declspec(dllexport) BOOL WINAPI TarCheckArchiveW(LPCWSTR path, int) {
  return arc::WideCheckEntry(arc::Format::Tar, path);
}

__declspec(dllexport) WORD WINAPI TarGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
