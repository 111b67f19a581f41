// The entry points of unzip32.dll: the program loads it by name and calls
// these three; the work is shared with the other archiver libraries.
#include <windows.h>

#include "archivers/win/library.h"

extern "C" {

__declspec(dllexport) int WINAPI UnZip(HWND window, LPCSTR command, LPSTR output, DWORD size) {
  try {
    return arc::RunUnzip(window, command, output, size);
  } catch (...) {
    if (output && size) output[0] = '\0';
    return arc::kErrorWrite;
  }
}

__declspec(dllexport) BOOL WINAPI UnZipCheckArchive(LPCSTR path, int mode) {
  (void)mode;  // every mode checks the content
  try {
    return arc::CheckArchive(arc::Format::Zip, path) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

__declspec(dllexport) WORD WINAPI UnZipGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
