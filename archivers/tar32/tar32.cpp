// The entry points of TAR32.dll: the program loads it by name and calls
// these three; the work is shared with the other archiver libraries.
#include <windows.h>

#include "archivers/win/library.h"

extern "C" {

__declspec(dllexport) int WINAPI Tar(HWND window, LPCSTR command, LPSTR output, DWORD size) {
  try {
    return arc::RunTar(window, command, output, size);
  } catch (...) {
    if (output && size) output[0] = '\0';
    return arc::kErrorWrite;
  }
}

__declspec(dllexport) BOOL WINAPI TarCheckArchive(LPCSTR path, int mode) {
  (void)mode;  // every mode checks the content
  try {
    return arc::CheckArchive(arc::Format::Tar, path) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

__declspec(dllexport) WORD WINAPI TarGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
