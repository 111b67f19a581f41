// Window base: a C++ object that owns one HWND and receives its messages.
//
// A derived class overrides WindowProc with a switch that calls its named
// handlers and hands everything else to the base, which ends in the window's
// original procedure (Default). Child notifications that a control must answer
// itself (WM_DRAWITEM for owner-drawn buttons) are reflected to the child's
// object through OnChildNotify.
#pragma once
#include <windows.h>

#include <functional>

class CWnd {
 public:
  CWnd() = default;
  // Lets go of a window still attached and then destroys it, without its
  // messages reaching this object any more. A derived class whose WM_DESTROY
  // handling matters destroys its window in its own destructor.
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object attached to a window, or null.
  static CWnd* FromHandle(HWND hwnd);

  // Attaches this object to an existing window by replacing its procedure.
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();
  // Called just before the window is subclassed.
  virtual void PreSubclassWindow() {}

  // Sees every message of the modal and main loops addressed to this window
  // or its children before translation and dispatch; true consumes it.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Offers a message to the objects of its window and of that window's
  // parents, innermost first, up to the top-level window.
  static BOOL WalkPreTranslateTree(MSG* msg);
  // The modal bracket of dialogs, property sheets and the main loop: the
  // owner is disabled (when it was enabled) and the window shown, messages are
  // got, pre-translated and dispatched while `goOn` says so, then the owner is
  // enabled again and gets the activation back, and the window is hidden and
  // destroyed. A quit request that ended the run becomes the application's
  // quit code and, with passQuitOn, is put back for the loop outside.
  // Returns its code, or -1 when the run ended otherwise.
  struct ModalRun {
    HWND window = nullptr;
    HWND owner = nullptr;
    bool show = true;
    bool passQuitOn = true;
    bool* running = nullptr;  // true while the loop runs
  };
  static int RunModal(const ModalRun& run, const std::function<bool()>& goOn);

  // A notification from the parent meant for this control; true = handled.
  virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

  BOOL DestroyWindow();
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

 protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The original procedure for the given message.
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The original procedure for the message being handled now.
  LRESULT Default();
  // Last call: the window is gone.
  virtual void PostNcDestroy() {}

  void Attach(HWND hwnd);
  void Detach();

  WNDPROC m_oldProc = nullptr;

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  MSG m_current = {};
};
