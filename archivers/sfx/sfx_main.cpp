// The self-extracting program: the libraries put an archive (LZH or ZIP)
// after a copy of this program. Started, it extracts that archive into a
// folder beside itself named after it. With /s (or -s) it asks nothing and
// shows nothing; its exit code is then 0 or the libraries' error code.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "archivers/lzh/lzh.h"
#include "archivers/sfx/sfx_resource.h"
#include "archivers/win/output_text.h"
#include "archivers/win/win_files.h"
#include "archivers/zip/zip.h"

namespace {

struct Job {
  std::wstring self;
  std::wstring folder;
  bool zip = false;
  uint64_t start = 0;  // where the LZH archive begins
  bool running = false;
  bool cancel = false;
  HWND dialog = nullptr;
};

bool FindArchive(Job& job) {
  arc::FileSource source(job.self);
  if (!source.IsOpen()) return false;
  job.start = arc::ProgramImageEnd(source);
  if (job.start && arc::IsLzhArchive(source, job.start)) return true;
  job.zip = arc::IsZipArchive(source);
  return job.zip;
}

// Only the readers this program needs are linked in: it stays small.
arc::Status ExtractSelf(const Job& job, arc::ExtractReport& report,
                        const std::function<bool(uint64_t, uint64_t)>& progress) {
  arc::FileSource source(job.self);
  if (!source.IsOpen()) return arc::kErrorArchiveOpen;
  arc::Status error = arc::kOk;
  std::unique_ptr<arc::ArchiveReader> reader = job.zip ? arc::OpenZip(source, &error) : arc::OpenLzh(source, job.start);
  if (!reader) return error != arc::kOk ? error : arc::kErrorDamaged;
  if (!arc::MakeFolders(job.folder)) return arc::kErrorWrite;
  arc::FolderTarget target(job.folder);
  uint64_t total = source.Size();
  if (progress) target.onProgress = [&](uint64_t done) { return progress(done, total); };
  return arc::ExtractAll(*reader, &target, report);
}

bool Silent() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  bool silent = false;
  for (int i = 1; args && i < count; ++i)
    if (!lstrcmpiW(args[i], L"/s") || !lstrcmpiW(args[i], L"-s")) silent = true;
  if (args) LocalFree(args);
  return silent;
}

std::wstring Text(const std::string& programText) { return arc::Widen(programText, CP_ACP); }

std::wstring Summary(const arc::ExtractReport& report, arc::Status status) {
  if (status == arc::kOk) return L"展開しました。";
  std::wstring text = Text(std::string("展開できないファイルがありました（") + std::to_string(report.problemCount) + " 件）。");
  for (const arc::ExtractProblem& p : report.problems) {
    text += L"\r\n" + Text(arc::StatusText(p.status));
    // The stored name as it is, not as the system code page would show it.
    if (!p.name.empty()) text += L": " + arc::Widen(p.name, p.charset == arc::NameCharset::Utf8 ? CP_UTF8 : 932);
    if (text.size() > 2000) break;
  }
  return text;
}

void Pump(Job& job) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageW(job.dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Extract(Job& job) {
  wchar_t folder[1024] = L"";
  GetDlgItemTextW(job.dialog, IDC_SFX_FOLDER, folder, 1024);
  job.folder = folder;
  if (job.folder.empty()) return;
  job.running = true;
  EnableWindow(GetDlgItem(job.dialog, IDOK), FALSE);
  EnableWindow(GetDlgItem(job.dialog, IDC_SFX_FOLDER), FALSE);
  SetDlgItemTextW(job.dialog, IDC_SFX_STATUS, L"展開しています...");
  HWND bar = GetDlgItem(job.dialog, IDC_SFX_PROGRESS);
  SendMessageW(bar, PBM_SETRANGE32, 0, 1000);
  arc::ExtractReport report;
  arc::Status status = ExtractSelf(job, report, [&](uint64_t done, uint64_t total) {
    if (total) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(done * 1000 / total), 0);
    Pump(job);
    return !job.cancel;
  });
  SendMessageW(bar, PBM_SETPOS, 1000, 0);
  job.running = false;
  if (report.cancelled) {
    SetDlgItemTextW(job.dialog, IDC_SFX_STATUS, L"中止しました。");
    MessageBoxW(job.dialog, L"展開を中止しました。", L"自己解凍", MB_OK | MB_ICONINFORMATION);
  } else {
    MessageBoxW(job.dialog, Summary(report, status).c_str(), L"自己解凍",
                MB_OK | (status == arc::kOk ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
  }
  EndDialog(job.dialog, status);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Job* job = reinterpret_cast<Job*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      job = reinterpret_cast<Job*>(lParam);
      job->dialog = dialog;
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetDlgItemTextW(dialog, IDC_SFX_FOLDER, job->folder.c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && !job->running) Extract(*job);
      else if (LOWORD(wParam) == IDCANCEL) {
        if (job->running) job->cancel = true;
        else EndDialog(dialog, arc::kErrorWrite);
      }
      return TRUE;
    case WM_CLOSE:
      if (job->running) job->cancel = true;
      else EndDialog(dialog, arc::kErrorWrite);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Job job;
  wchar_t path[1024];
  DWORD n = GetModuleFileNameW(nullptr, path, 1024);
  job.self.assign(path, n);
  size_t dot = job.self.find_last_of(L'.');
  size_t slash = job.self.find_last_of(L'\\');
  job.folder = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) ? job.self.substr(0, dot)
                                                                                        : job.self + L".files";
  bool silent = Silent();
  if (!FindArchive(job)) {
    if (!silent) MessageBoxW(nullptr, L"書庫が見つかりません。", L"自己解凍", MB_OK | MB_ICONEXCLAMATION);
    return arc::kErrorNotArchive;
  }
  if (silent) {
    arc::ExtractReport report;
    return ExtractSelf(job, report, nullptr);
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SFX), nullptr, DialogProc,
                                          reinterpret_cast<LPARAM>(&job)));
}
