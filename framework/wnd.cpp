#include "framework/wnd.h"

#include <unordered_map>

#include "framework/app.h"

namespace {
// One user-interface thread: a plain map is enough.
std::unordered_map<HWND, CWnd*>& Map() {
  static std::unordered_map<HWND, CWnd*> map;
  return map;
}
}  // namespace

CWnd::~CWnd() {
  // By now the derived parts of this object are gone: a class whose
  // WM_DESTROY matters destroys its window in its own destructor. Whatever
  // window is still here is let go first, procedure and map entry both, so
  // that the messages of its destruction go to its original procedure and
  // never into this half-destroyed object; then it is destroyed as a last
  // resort.
  if (!m_hWnd) return;
  HWND hwnd = m_hWnd;
  if (m_oldProc && IsWindow(hwnd) &&
      GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(StaticWndProc))
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
  m_oldProc = nullptr;
  Detach();
  if (IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  auto it = Map().find(hwnd);
  return it == Map().end() ? nullptr : it->second;
}

void CWnd::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  Map()[hwnd] = this;
}

void CWnd::Detach() {
  auto it = Map().find(m_hWnd);
  if (it != Map().end() && it->second == this) Map().erase(it);
  m_hWnd = nullptr;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!hwnd || m_hWnd) return FALSE;
  Attach(hwnd);
  PreSubclassWindow();
  m_oldProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, int(id)));
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (!hwnd) return nullptr;
  if (m_oldProc) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
  m_oldProc = nullptr;
  Detach();
  return hwnd;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(MSG* msg) {
  for (HWND hwnd = msg->hwnd; hwnd; hwnd = GetParent(hwnd)) {
    if (CWnd* wnd = FromHandle(hwnd)) {
      if (wnd->PreTranslateMessage(msg)) return TRUE;
    }
    if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) break;
  }
  return FALSE;
}

int CWnd::RunModal(const ModalRun& run, const std::function<bool()>& goOn) {
  bool ownerWasEnabled = run.owner && IsWindowEnabled(run.owner);
  if (ownerWasEnabled) EnableWindow(run.owner, FALSE);
  if (run.window && run.show && !(GetWindowLongA(run.window, GWL_STYLE) & WS_VISIBLE))
    ShowWindow(run.window, SW_SHOWNORMAL);

  if (run.running) *run.running = true;
  int quit = -1;
  MSG msg;
  while (goOn()) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = int(msg.wParam);
      break;
    }
    if (got < 0) break;
    if (!WalkPreTranslateTree(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (run.running) *run.running = false;

  if (ownerWasEnabled) EnableWindow(run.owner, TRUE);
  if (run.window && IsWindow(run.window)) {
    if (run.owner && GetActiveWindow() == run.window) SetActiveWindow(run.owner);
    ShowWindow(run.window, SW_HIDE);
    ::DestroyWindow(run.window);
  }
  if (quit >= 0) {
    if (AfxGetApp()) AfxGetApp()->m_quitCode = quit;
    if (run.passQuitOn) PostQuitMessage(quit);
  }
  return quit;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_oldProc) return CallWindowProcA(m_oldProc, m_hWnd, msg, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandle(hwnd);
  if (!wnd) return ::DefWindowProcA(hwnd, msg, wParam, lParam);

  if (msg == WM_DRAWITEM && lParam) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (CWnd* child = FromHandle(dis->hwndItem)) {
      LRESULT result = 0;
      if (child->OnChildNotify(msg, wParam, lParam, &result)) return result;
    }
  }

  MSG saved = wnd->m_current;
  wnd->m_current = {hwnd, msg, wParam, lParam, 0, {0, 0}};
  LRESULT result = wnd->WindowProc(msg, wParam, lParam);
  wnd->m_current = saved;

  if (msg == WM_NCDESTROY) {
    // The window is gone: give the original procedure back and let go.
    if (wnd->m_oldProc && IsWindow(hwnd))
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_oldProc));
    wnd->m_oldProc = nullptr;
    wnd->Detach();
    wnd->PostNcDestroy();
  }
  return result;
}
