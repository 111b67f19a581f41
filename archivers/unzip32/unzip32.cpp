// The entry points of unzip32.dll: the program loads it by name and calls
// these three (and their wide forms);
// the work is shared with the other archiver libraries.
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

// The same with UTF-16 paths and output text (size in WCHARs), and UTF-8
// response files.
__declspec(dllexport) int WINAPI UnZipW(HWND window, LPCWSTR command, LPWSTR output, DWORD size) {
  try {
    return arc::RunWide(arc::RunUnzip, window, command, output, size);
  } catch (...) {
    if (output && size) output[0] = L'\0';
    return arc::kErrorWrite;
  }
}

__declspec(dllexport) BOOL WINAPI UnZipCheckArchiveW(LPCWSTR path, int mode) {
  (void)mode;
  try {
    return path && arc::CheckArchive(arc::Format::Zip, std::wstring(path)) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

__declspec(dllexport) WORD WINAPI UnZipGetVersion() { return arc::kLibraryVersion; }

}  // extern "C"
