// The entry points of unlha32.dll: the program loads it by name and calls these
// (the W forms take UTF-16 paths and text, size in WCHARs, and UTF-8
// response files); the work is shared with the other archiver libraries.
#include <windows.h>

#include "archivers/win/library.h"

extern "C" {

__declspec(dllexport) int WINAPI Unlha(HWND window, LPCSTR command, LPSTR output, DWORD size) {
  return arc::WorkEntry(arc::RunUnlha, window, command, output, size);
}

__declspec(dllexport) int WINAPI UnlhaW(HWND window, LPCWSTR command, LPWSTR output, DWORD size) {
  return arc::WideWorkEntry(arc::RunUnlha, window, command, output, size);
}

__declspec(dllexport) BOOL WINAPI UnlhaCheckArchive(LPCSTR path, int) {
  return arc::CheckEntry(arc::Format::Lzh, path);
}

__declspec(dllexport) BOOL WINAPI UnlhaCheckArchiveW(LPCWSTR path, int) {
  return arc::WideCheckEntry(arc::Format::Lzh, path);
}

__declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
