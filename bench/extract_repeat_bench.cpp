// 1,000 extractions of one small ZIP in a row, as drops run them: every one
// loads the archiver libraries, extracts and releases them. The process's
// private bytes after the first 200 and after all 1,000 show whether an
// extraction leaves memory behind. Side by side, in this one run, the same
// 1,000 rounds with bare system calls separate the program's share from the
// system's library loading:
//   extraction (program)  ExtractArchive, the drop's own call;
//   bare library          LoadLibrary and FreeLibrary of a library with
//                         nothing in it (bare_library.dll): the system's part;
//   load + free only      the same with our ZIP library, nothing called;
//   load + call + free    the same with one UnZip call in between;
//   loaded once, call     the library loaded once, UnZip called 1,000 times.
// Usage: extract_repeat_bench.exe ARCHIVE [ROUNDS]
//   ARCHIVE is a ZIP of a few small files; it is extracted beside itself
//   into a folder that is removed after every round.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/side_effects.h"
#include "filetools/archive_bridge.h"
#include "filetools/archive_commands.h"

namespace {

int g_rounds = 1000;
const int kWarm = 200;

// Private bytes; Wine reports them as PagefileUsage (PrivateUsage stays 0).
SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// Bytes held in blocks of the process's heaps (the C run-time's included):
// what a library that forgets a block leaves behind, page touched or not.
SIZE_T HeapBytes() {
  HANDLE heaps[256];
  DWORD count = GetProcessHeaps(256, heaps);
  if (count > 256) count = 256;
  SIZE_T held = 0;
  for (DWORD i = 0; i < count; ++i) {
    PROCESS_HEAP_ENTRY entry = {};
    if (!HeapLock(heaps[i])) continue;
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) held += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return held;
}

double Kb(double bytes) { return bytes / 1024.0; }

// Removes a folder and what lies in it (one level of files is what the
// archive holds, but folders are followed anyway).
void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

struct Run {
  const char* what;
  SIZE_T privateWarm = 0, privateEnd = 0, heapWarm = 0, heapEnd = 0;
  bool ok = true;
  double PerRoundPrivate() const { return (double(privateEnd) - double(privateWarm)) / (g_rounds - kWarm); }
  double PerRoundHeap() const { return (double(heapEnd) - double(heapWarm)) / (g_rounds - kWarm); }
};

Run Rounds(const char* what, const std::string& extracted, const std::function<bool()>& round) {
  Run run;
  run.what = what;
  for (int n = 1; n <= g_rounds; ++n) {
    bool ok = round();
    // Every round must really have extracted (except the one that only loads).
    if (!ok) {
      printf("%s: round %d failed\n", what, n);
      run.ok = false;
      return run;
    }
    RemoveTree(extracted);
    if (n == kWarm) {
      run.privateWarm = PrivateBytes();
      run.heapWarm = HeapBytes();
    }
  }
  run.privateEnd = PrivateBytes();
  run.heapEnd = HeapBytes();
  return run;
}

void Print(const Run& run) {
  printf("%-24s private %7.0f KB -> %7.0f KB: %6.2f KB a round; heap blocks %6.2f KB a round\n", run.what,
         Kb(double(run.privateWarm)), Kb(double(run.privateEnd)), Kb(run.PerRoundPrivate()), Kb(run.PerRoundHeap()));
}

int MessageBoxFails(HWND, const char* text, const char*, UINT) {
  printf("message: %s\n", text);
  return IDOK;
}

typedef int(WINAPI* Work)(HWND, LPCSTR, LPSTR, DWORD);

bool DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: extract_repeat_bench ARCHIVE [ROUNDS]\n");
    return 2;
  }
  if (argc > 2) g_rounds = atoi(argv[2]);
  if (g_rounds <= kWarm) g_rounds = kWarm + 1;
  char full[MAX_PATH];
  GetFullPathNameA(argv[1], sizeof full, full, nullptr);
  const std::string archive = full;
  const std::string extracted = archive.substr(0, archive.rfind('.'));
  const std::string command = archive::ExtractCommand(archive::kExtractLibraries[1], archive, extracted);
  g_sideEffects.messageBox = MessageBoxFails;
  RemoveTree(extracted);

  std::vector<Run> runs;
  runs.push_back(Rounds("extraction (program)", extracted, [&] {
    return ExtractArchive(nullptr, archive.c_str()) == 1 && DirectoryExists(extracted);
  }));
  runs.push_back(Rounds("bare library load+free", extracted, [&] {
    HMODULE library = LoadLibraryA("bare_library.dll");
    return library && FreeLibrary(library);
  }));
  runs.push_back(Rounds("load + free only", extracted, [&] {
    HMODULE library = LoadLibraryA("unzip32.dll");
    return library && FreeLibrary(library);
  }));
  runs.push_back(Rounds("load + call + free", extracted, [&] {
    HMODULE library = LoadLibraryA("unzip32.dll");
    Work work = library ? reinterpret_cast<Work>(reinterpret_cast<void*>(GetProcAddress(library, "UnZip"))) : nullptr;
    std::vector<char> buffer(archive::kWorkBufferBytes, 0);
    int result = work ? work(nullptr, command.c_str(), buffer.data(), archive::kWorkBufferSize) : -1;
    if (library) FreeLibrary(library);
    return result == 0 && DirectoryExists(extracted);
  }));
  HMODULE resident = LoadLibraryA("unzip32.dll");
  Work work = resident ? reinterpret_cast<Work>(reinterpret_cast<void*>(GetProcAddress(resident, "UnZip"))) : nullptr;
  runs.push_back(Rounds("loaded once, call", extracted, [&] {
    std::vector<char> buffer(archive::kWorkBufferBytes, 0);
    return work && work(nullptr, command.c_str(), buffer.data(), archive::kWorkBufferSize) == 0 &&
           DirectoryExists(extracted);
  }));
  if (resident) FreeLibrary(resident);

  bool ok = true;
  for (const Run& run : runs) ok = ok && run.ok;
  if (!ok) return 1;
  printf("%d extractions of %s, figures from round %d to round %d\n", g_rounds, archive.c_str(), kWarm, g_rounds);
  for (const Run& run : runs) Print(run);
  const Run &program = runs[0], &bare = runs[1];
  printf("program growth over %d extractions: private %.0f KB, heap blocks %.0f KB (target: flat, < 1024 KB)\n",
         g_rounds - kWarm, Kb(double(program.privateEnd) - double(program.privateWarm)),
         Kb(double(program.heapEnd) - double(program.heapWarm)));
  printf("system's library loading (bare library): %.2f KB a round; program above it: %.2f KB a round\n",
         Kb(bare.PerRoundPrivate()), Kb(program.PerRoundPrivate() - bare.PerRoundPrivate()));
  return 0;
}
