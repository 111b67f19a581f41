// Calls one archiver library's work entry once, as the program does, and
// prints the time the call took and the process's peak memory, so that
// bench/archive_bench.sh can set them beside the real tools' figures.
// Usage: archive_bench.exe LIBRARY ENTRY COMMAND
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: archive_bench LIBRARY ENTRY COMMAND\n");
    return 2;
  }
  HMODULE library = LoadLibraryA(argv[1]);
  typedef int(WINAPI * Work)(HWND, LPCSTR, LPSTR, DWORD);
  Work work = library ? reinterpret_cast<Work>(reinterpret_cast<void*>(GetProcAddress(library, argv[2]))) : nullptr;
  if (!work) {
    fprintf(stderr, "archive_bench: %s!%s not found\n", argv[1], argv[2]);
    return 2;
  }
  std::vector<char> buffer(32768, 0);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int result = work(nullptr, argv[3], buffer.data(), 32767);
  QueryPerformanceCounter(&end);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  printf("seconds=%.3f result=0x%X peak_mb=%.1f\n",
         static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart, result,
         memory.PeakPagefileUsage / 1048576.0);
  if (result) fprintf(stderr, "%s\n", buffer.data());
  FreeLibrary(library);
  return result ? 1 : 0;
}
