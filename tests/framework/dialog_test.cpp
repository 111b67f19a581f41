// The framework's dialogs on real windows: the modal loop, pre-translation,
// quit requests, modeless dialogs and owner-drawn buttons.
#include "framework/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/button.h"
#include "tests/support/test_window.h"

namespace {

constexpr UINT kTemplate = 300;
constexpr UINT kTimerAct = 77;

class CPaintedButton : public CButton {
 public:
  int paints = 0;
  UINT lastState = 0;
  void PreSubclassWindow() override { MakeOwnerDraw(); }
  void DrawItem(DRAWITEMSTRUCT* dis) override {
    ++paints;
    lastState = dis->itemState;
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dis->hDC, &dis->rcItem, brush);
    DeleteObject(brush);
  }
};

// A dialog that runs a script of actions from a timer inside its own modal
// loop, and records what reaches it.
class CScriptedDialog : public CDialog {
 public:
  explicit CScriptedDialog(HWND owner = nullptr) : CDialog(kTemplate, owner) {}
  std::vector<std::string> log;
  std::vector<void (*)(CScriptedDialog&)> script;
  size_t step = 0;
  bool consumeKeys = false;
  CPaintedButton button;
  UINT quitSeen = 0;

  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) {
      log.push_back("pre:" + std::to_string(msg->wParam));
      if (consumeKeys) return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
  }

 protected:
  BOOL OnInitDialog() override {
    log.push_back("init");
    button.SubclassDlgItem(11, this);
    SetTimer(m_hWnd, kTimerAct, 30, nullptr);
    return TRUE;
  }
  void OnOK() override {
    log.push_back("ok");
    CDialog::OnOK();
  }
  void OnCancel() override {
    log.push_back("cancel");
    CDialog::OnCancel();
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_TIMER && wParam == kTimerAct) {
      if (step < script.size()) script[step++](*this);
      return 0;
    }
    if (msg == WM_DESTROY) log.push_back("destroy");
    return CDialog::WindowProc(msg, wParam, lParam);
  }
};

TEST(Dialog, ModalRunEndsWithEndDialogResult) {
  CScriptedDialog dlg;
  dlg.script = {[](CScriptedDialog& d) { d.EndDialog(42); }};
  EXPECT_EQ(dlg.DoModal(), 42);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "destroy"}));
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, PreTranslateMessageSeesKeyDownsFirstAndCanConsumeThem) {
  CScriptedDialog dlg;
  dlg.consumeKeys = true;
  dlg.script = {
      [](CScriptedDialog& d) {
        // A real key-down posted to the focused edit: the dialog manager
        // would turn Esc into IDCANCEL, but the dialog consumes it first.
        SetFocus(d.GetDlgItem(10));
        PostMessageA(d.GetDlgItem(10), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(d.GetDlgItem(10), WM_KEYDOWN, VK_RETURN, 0);
      },
      [](CScriptedDialog& d) { d.EndDialog(7); }};
  EXPECT_EQ(dlg.DoModal(), 7);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "pre:27", "pre:13", "destroy"}));
}

TEST(Dialog, KeysNotConsumedReachTheDialogManager) {
  CScriptedDialog dlg;
  dlg.script = {[](CScriptedDialog& d) {
    SetFocus(d.GetDlgItem(10));
    PostMessageA(d.GetDlgItem(10), WM_KEYDOWN, VK_ESCAPE, 0);
  }};
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "pre:27", "cancel", "destroy"}));
}

TEST(Dialog, QuitRequestEndsTheModalRunAndIsPassedOn) {
  CScriptedDialog dlg;
  dlg.script = {[](CScriptedDialog&) { PostQuitMessage(3); }};
  EXPECT_EQ(dlg.DoModal(), IDABORT);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "destroy"}));
  // The request is back in the queue for the loop outside.
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(Dialog, NestedModalRunsBothEndOnOneQuitRequest) {
  static CScriptedDialog* inner;
  CScriptedDialog outer;
  CScriptedDialog innerDialog;
  inner = &innerDialog;
  inner->script = {[](CScriptedDialog&) { PostQuitMessage(0); }};
  outer.script = {[](CScriptedDialog&) { inner->DoModal(); }};
  EXPECT_EQ(outer.DoModal(), IDABORT);
  EXPECT_EQ(innerDialog.log, (std::vector<std::string>{"init", "destroy"}));
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(Dialog, CloseCommandCancels) {
  CScriptedDialog dlg;
  dlg.script = {[](CScriptedDialog& d) { PostMessageA(d.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }};
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "cancel", "destroy"}));
}

TEST(Dialog, ModelessDialogAndOwnerDrawnButton) {
  CScriptedDialog dlg;
  ASSERT_TRUE(dlg.Create(kTemplate));
  KillTimer(dlg.m_hWnd, kTimerAct);
  ASSERT_NE(dlg.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandle(dlg.m_hWnd), &dlg);
  HWND button = dlg.GetDlgItem(11);
  EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);

  // Paint, then read the pixel back from the screen.
  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  EXPECT_GT(dlg.button.paints, 0);
  RECT r;
  GetClientRect(button, &r);
  HDC dc = GetDC(button);
  COLORREF pixel = GetPixel(dc, r.right / 2, r.bottom / 2);
  ReleaseDC(button, dc);
  EXPECT_EQ(pixel, RGB(255, 0, 0));

  // The pressed state reaches DrawItem.
  SendMessageA(button, BM_SETSTATE, TRUE, 0);
  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(dlg.button.lastState & ODS_SELECTED);

  dlg.DestroyWindow();
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(dlg.button.m_hWnd, nullptr);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "destroy"}));
}

TEST(Dialog, ModalRunDisablesItsOwnerAndGivesBackItsState) {
  for (bool enabledBefore : {true, false}) {
    SCOPED_TRACE(enabledBefore);
    CScriptedDialog owner;
    ASSERT_TRUE(owner.Create(kTemplate));
    KillTimer(owner.m_hWnd, kTimerAct);
    EnableWindow(owner.m_hWnd, enabledBefore);
    CScriptedDialog dlg(owner.m_hWnd);
    dlg.script = {[](CScriptedDialog& d) {
      HWND ownerWindow = GetWindow(d.m_hWnd, GW_OWNER);
      d.log.push_back(ownerWindow && !IsWindowEnabled(ownerWindow) ? "owner disabled" : "other");
      d.EndDialog(5);
    }};
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "owner disabled", "destroy"}));
    // Enabled again after the run, unless it was disabled before.
    EXPECT_EQ(IsWindowEnabled(owner.m_hWnd) != FALSE, enabledBefore);
    owner.DestroyWindow();
  }
}

// A plain window class whose procedure notes the destruction messages and
// whether an object was still registered for the window at that moment.
std::vector<std::string> g_plainLog;

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY)
    g_plainLog.push_back(CWnd::FromHandle(hwnd) ? "plain destroy, registered" : "plain destroy");
  if (msg == WM_NCDESTROY) g_plainLog.push_back("plain ncdestroy");
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND CreatePlainWindow() {
  static ATOM atom = TestWindowClass("TovixFrameworkPlain", PlainProc);
  EXPECT_NE(atom, 0);
  return CreateWindowExA(0, "TovixFrameworkPlain", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Notes its WM_DESTROY; leaves its window to the base destructor.
class CRecordingWnd : public CWnd {
 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_DESTROY) g_plainLog.push_back("object destroy");
    return CWnd::WindowProc(msg, wParam, lParam);
  }
};

// Destroys its window in its own destructor, so its WM_DESTROY runs.
class CWholeWnd : public CRecordingWnd {
 public:
  ~CWholeWnd() override { DestroyWindow(); }
};

TEST(Window, DeletedWhileOpenTheWindowGoesWithoutCallingIntoAHalfObject) {
  const struct {
    bool destroysInOwnDestructor;
    std::vector<std::string> log;
  } cases[] = {
      // The base destructor lets go first: the destruction reaches only the
      // window's own procedure, with no object registered any more.
      {false, {"plain destroy", "plain ncdestroy"}},
      // Destroyed while whole: the handler runs, then the original procedure.
      {true, {"object destroy", "plain destroy, registered", "plain ncdestroy"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.destroysInOwnDestructor);
    HWND hwnd = CreatePlainWindow();
    ASSERT_NE(hwnd, nullptr);
    CWnd* wnd = c.destroysInOwnDestructor ? new CWholeWnd : new CRecordingWnd;
    ASSERT_TRUE(wnd->SubclassWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandle(hwnd), wnd);
    g_plainLog.clear();
    delete wnd;
    EXPECT_EQ(g_plainLog, c.log);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
  }
}

TEST(Dialog, ModelessDialogDeletedWhileOpenTakesItsWindowAndControlsAlong) {
  auto* dlg = new CScriptedDialog;
  ASSERT_TRUE(dlg->Create(kTemplate));
  HWND hwnd = dlg->m_hWnd;
  HWND button = dlg->GetDlgItem(11);
  ASSERT_EQ(CWnd::FromHandle(button), &dlg->button);
  delete dlg;
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(IsWindow(button));
  EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
  EXPECT_EQ(CWnd::FromHandle(button), nullptr);
}

}  // namespace
