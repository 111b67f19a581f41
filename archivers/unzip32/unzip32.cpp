// The entry points of unzip32.dll: the program loads it by name and calls these
// (the W forms take UTF-16 paths and text, size in WCHARs, and UTF-8
// response files); the work is shared with the other archiver libraries.
#include <windows.h>

#include "archivers/win/library.h"

extern "C" {

__declspec(dllexport) int WINAPI UnZip(HWND window, LPCSTR command, LPSTR output, DWORD size) {
  return arc::WorkEntry(arc::RunUnzip, window, command, output, size);
}

__declspec(dllexport) int WINAPI UnZipW(HWND window, LPCWSTR command, LPWSTR output, DWORD size) {
  return arc::WideWorkEntry(arc::RunUnzip, window, command, output, size);
}

__declspec(dllexport) BOOL WINAPI UnZipCheckArchive(LPCSTR path, int) {
  return arc::CheckEntry(arc::Format::Zip, path);
}

__declspec(dllexport) BOOL WINAPI UnZipCheckArchiveW(LPCWSTR path, int) {
  return arc::WideCheckEntry(arc::Format::Zip, path);
}

__declspec(dllexport) WORD WINAPI UnZipGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
