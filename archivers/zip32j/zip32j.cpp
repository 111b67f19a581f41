// The entry points of ZIP32J.DLL: the program loads it by name and calls
// these two (and the wide form);
// the work is shared with the other archiver libraries.
#include <windows.h>

#include "archivers/win/library.h"

extern "C" {

__declspec(dllexport) int WINAPI Zip(HWND window, LPCSTR command, LPSTR output, DWORD size) {
  try {
    return arc::RunZip(window, command, output, size);
  } catch (...) {
    if (output && size) output[0] = '\0';
    return arc::kErrorWrite;
  }
}

// The same with UTF-16 paths and output text (size in WCHARs), and UTF-8
// response files.
__declspec(dllexport) int WINAPI ZipW(HWND window, LPCWSTR command, LPWSTR output, DWORD size) {
  try {
    return arc::RunWide(arc::RunZip, window, command, output, size);
  } catch (...) {
    if (output && size) output[0] = L'\0';
    return arc::kErrorWrite;
  }
}

__declspec(dllexport) WORD WINAPI ZipGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
