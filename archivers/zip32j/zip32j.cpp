// The entry points of ZIP32J.DLL: the program loads it by name and calls these
// (the W forms take UTF-16 paths and text, size in WCHARs, and UTF-8
// response files); the work is shared with the other archiver libraries.
#include <windows.h>

#include "archivers/win/library.h"

extern "C" {

__declspec(dllexport) int WINAPI Zip(HWND window, LPCSTR command, LPSTR output, DWORD size) {
  return arc::WorkEntry(arc::RunZip, window, command, output, size);
}

__declspec(dllexport) int WINAPI ZipW(HWND window, LPCWSTR command, LPWSTR output, DWORD size) {
  return arc::WideWorkEntry(arc::RunZip, window, command, output, size);
}

__declspec(dllexport) WORD WINAPI ZipGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
