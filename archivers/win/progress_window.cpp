#include "archivers/win/progress_window.h"

#include <commctrl.h>

#include "archivers/win/caller_text.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace arc {

const char kSilentSwitch[] = "--silent";

namespace {

const wchar_t kClassName[] = L"TovixArchiverProgress";
// Short jobs finish before anything shows.
const DWORD kShowAfterMs = 500;
// Messages are pumped at most this often: often enough for the caller's
// windows to feel alive, seldom enough to cost the work nothing.
const DWORD kPumpEveryMs = 20;
// One pump never takes longer, whatever the caller posts to itself.
const DWORD kPumpAtMostMs = 50;

const int kClientWidth = 360;
const int kClientHeight = 112;

HINSTANCE Self() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

HWND Control(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
  HWND control = CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Self(), nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

}  // namespace

void WorkProgress::Start(const Caller& caller, const wchar_t* title, const std::string& archive) {
  caller_ = caller;
  title_ = title;
  UINT codePage = CallerCodePage();
  int n = MultiByteToWideChar(codePage, 0, archive.c_str(), static_cast<int>(archive.size()), nullptr, 0);
  archive_.assign(static_cast<size_t>(n), L'\0');
  if (n) MultiByteToWideChar(codePage, 0, archive.c_str(), static_cast<int>(archive.size()), &archive_[0], n);
  startTick_ = GetTickCount();
  started_ = true;
}

void WorkProgress::SetFile(const std::wstring& name) {
  file_ = name;
  fileChanged_ = true;
}

bool WorkProgress::Step(uint64_t done, uint64_t total) {
  if (!started_ || caller_.silent || cancelled_) return !cancelled_;
  done_ = done;
  total_ = total;
  DWORD now = GetTickCount();
  if (!shown_) {
    if (now - startTick_ < kShowAfterMs) return true;
    shown_ = true;
    if (!Show()) return true;  // no window: the work goes on silently
    lastPump_ = now - kPumpEveryMs;
  }
  if (!window_ || now - lastPump_ < kPumpEveryMs) return !cancelled_;
  Refresh();
  Pump();
  lastPump_ = GetTickCount();
  return !cancelled_;
}

bool WorkProgress::Show() {
  // The progress bar's class comes with the common controls, which the
  // caller may not have loaded.
  controls_ = LoadLibraryW(L"comctl32.dll");
  typedef BOOL(WINAPI * InitControls)(const INITCOMMONCONTROLSEX*);
  InitControls init =
      controls_ ? reinterpret_cast<InitControls>(reinterpret_cast<void*>(GetProcAddress(controls_, "InitCommonControlsEx")))
                : nullptr;
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  if (init) init(&classes);

  // The class goes with this module, which the caller unloads after the
  // call: it is registered for the window's life only.
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = Self();
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);

  HWND owner = caller_.owner && IsWindow(caller_.owner) ? GetAncestor(caller_.owner, GA_ROOT) : nullptr;
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT around = area;
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &around);
  int x = (around.left + around.right - width) / 2, y = (around.top + around.bottom - height) / 2;
  if (x + width > area.right) x = area.right - width;
  if (y + height > area.bottom) y = area.bottom - height;
  if (x < area.left) x = area.left;
  if (y < area.top) y = area.top;

  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, title_.c_str(), style, x, y, width, height, owner,
                            nullptr, Self(), this);
  if (!window_) {
    UnregisterClassW(kClassName, Self());
    return false;
  }
  Control(window_, L"STATIC", (L"書庫: " + archive_).c_str(), SS_PATHELLIPSIS | SS_NOPREFIX, 12, 10, 336, 16, -1);
  fileLabel_ = Control(window_, L"STATIC", L"", SS_PATHELLIPSIS | SS_NOPREFIX, 12, 30, 336, 16, -1);
  bar_ = Control(window_, PROGRESS_CLASSW, L"", 0, 12, 52, 336, 16, -1);
  if (bar_) SendMessageW(bar_, PBM_SETRANGE32, 0, 1000);
  Control(window_, L"BUTTON", L"中止", WS_TABSTOP | BS_PUSHBUTTON, 268, 78, 80, 24, IDCANCEL);

  // As a modal window would: the caller's windows (the owner among them)
  // take no input until the work is over.
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(this));
  if (owner && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    disabled_.push_back(owner);
  }
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  return true;
}

BOOL CALLBACK WorkProgress::DisableOne(HWND window, LPARAM self) {
  WorkProgress* progress = reinterpret_cast<WorkProgress*>(self);
  if (window != progress->window_ && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    progress->disabled_.push_back(window);
  }
  return TRUE;
}

void WorkProgress::Refresh() {
  if (fileChanged_ && fileLabel_) SetWindowTextW(fileLabel_, file_.c_str());
  fileChanged_ = false;
  int position = total_ ? static_cast<int>((done_ > total_ ? total_ : done_) * 1000 / total_) : 0;
  if (bar_ && position != shownPosition_) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  shownPosition_ = position;
}

void WorkProgress::Pump() {
  DWORD began = GetTickCount();
  MSG msg;
  while (GetTickCount() - began < kPumpAtMostMs && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The caller's loop must still see it: kept for after the work, which stops.
      quit_ = true;
      quitCode_ = msg.wParam;
      cancelled_ = true;
      break;
    }
    if (window_ && IsDialogMessageW(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void WorkProgress::Close() {
  // Enabled again before this window goes, so that activation returns to them.
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
    if (IsWindow(*it)) EnableWindow(*it, TRUE);
  disabled_.clear();
  if (window_) {
    HWND window = window_;
    window_ = nullptr;
    DestroyWindow(window);
  }
  if (shown_) UnregisterClassW(kClassName, Self());
  if (controls_) FreeLibrary(controls_);
  controls_ = nullptr;
  fileLabel_ = bar_ = nullptr;
  started_ = shown_ = false;
  if (quit_) PostQuitMessage(static_cast<int>(quitCode_));
  quit_ = false;
}

LRESULT CALLBACK WorkProgress::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  WorkProgress* progress = reinterpret_cast<WorkProgress*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && progress) {
        progress->cancelled_ = true;
        EnableWindow(reinterpret_cast<HWND>(lParam) ? reinterpret_cast<HWND>(lParam) : GetDlgItem(window, IDCANCEL),
                     FALSE);
      }
      return 0;
    case WM_CLOSE:
      // The close box cancels too; the window goes when the work has stopped.
      if (progress) progress->cancelled_ = true;
      return 0;
    case WM_DESTROY:
      // Destroyed from outside (with its owner): the work stops.
      if (progress && progress->window_ == window) {
        progress->window_ = nullptr;
        progress->fileLabel_ = progress->bar_ = nullptr;
        progress->cancelled_ = true;
      }
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace arc
