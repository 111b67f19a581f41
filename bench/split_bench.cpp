// Splits a file and joins it again through the real split and join dialogs,
// as the program runs them (timer slices, progress bar, message boxes
// recorded instead of shown), and prints the time each took, so that
// bench/split_bench.sh can set them beside cp of the same file.
// Usage: split_bench.exe FILE PIECE_BYTES JOINED
//   FILE is split into FILE.001...; the pieces are renamed JOINED.001... and
//   joined into JOINED; the pieces are deleted afterwards.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_clock.h"
#include "core/side_effects.h"
#include "filetools/join_dialog.h"
#include "filetools/split_dialog.h"
#include "filetools/split_plan.h"
#include "framework/app.h"
#include "resources/resource.h"

namespace {

CWinApp g_app;
const char* g_pieceBytes = nullptr;
double g_started = 0;  // the moment 分割 was pressed
double g_finished = 0;
std::string g_message;

int RecordBox(HWND, const char* text, const char*, UINT) {
  g_finished = Now();
  g_message = text;
  return IDOK;
}

HWND FindDialog(const char* caption) {
  HWND found = nullptr;
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", caption); w; w = FindWindowExA(nullptr, w, "#32770", caption))
    if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() && IsWindowVisible(w)) found = w;
  return found;
}

// Inside the split dialog's modal loop: the piece size, then 分割.
void CALLBACK DriveSplit(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindDialog(splitjoin::kSplitCaption);
  if (!dialog) return;
  KillTimer(nullptr, timer);
  SetDlgItemTextA(dialog, IDC_SPLIT_PIECE_SIZE, g_pieceBytes);
  g_started = Now();
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SPLIT_START, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SPLIT_START)));
}

long long SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (long long)(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: split_bench FILE PIECE_BYTES JOINED\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  g_app.m_hInstance = GetModuleHandleA(nullptr);
  g_sideEffects.messageBox = RecordBox;
  const std::string file = argv[1], joined = argv[3];
  g_pieceBytes = argv[2];
  const long long size = SizeOf(file);

  UINT_PTR timer = SetTimer(nullptr, 0, 1, DriveSplit);
  StartSplit(nullptr, file.c_str());
  KillTimer(nullptr, timer);
  double split = g_finished - g_started;
  if (g_message != splitjoin::kSplitDoneText) {
    fprintf(stderr, "split_bench: the split did not finish\n");
    return 1;
  }

  uint64_t pieces = 0;
  for (uint64_t n = 1; SizeOf(splitjoin::PieceName(file, n)) >= 0; ++n, ++pieces)
    MoveFileExA(splitjoin::PieceName(file, n).c_str(), splitjoin::PieceName(joined, n).c_str(),
                MOVEFILE_REPLACE_EXISTING);
  g_message.clear();
  double started = Now();
  StartJoin(nullptr, (joined + ".001").c_str());
  double join = g_finished - started;
  for (uint64_t n = 1; n <= pieces; ++n) DeleteFileA(splitjoin::PieceName(joined, n).c_str());
  if (g_message != splitjoin::kJoinDoneText || SizeOf(joined) != size) {
    fprintf(stderr, "split_bench: the join did not finish\n");
    return 1;
  }
  // The join dialog waits 200 ms before it starts, so it shows first.
  printf("bytes=%lld pieces=%llu split_seconds=%.3f join_seconds=%.3f join_work_seconds=%.3f\n", size,
         (unsigned long long)pieces, split, join, join - 0.2);
  return 0;
}
