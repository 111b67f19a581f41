/* A library with nothing in it but one entry and the C run-time's start-up:
   loading and releasing it is what the system's library loading costs. */
#include <windows.h>

__declspec(dllexport) int WINAPI BareEntry(void) { return 1; }
