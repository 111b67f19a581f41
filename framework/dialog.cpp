#include "dialog.h"

#include "app.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return FALSE;  // everything else reaches WindowProc
  auto* dlg = reinterpret_cast<CDialog*>(lParam);
  // Take over the dialog's procedure; the dialog manager's own becomes the default.
  dlg->SubclassWindow(hwnd);
  return dlg->OnInitDialog();
}

HWND CDialog::CreateFromTemplate(HWND parent) {
  return CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), parent,
                            StaticDlgProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_templateId = templateId;
  m_pParentWnd = parent;
  return CreateFromTemplate(parent ? parent->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal() {
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  m_endModal = false;
  m_modalResult = -1;
  if (!CreateFromTemplate(owner) || !m_hWnd) return -1;
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);

  if (!m_endModal && !(GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VISIBLE))
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
  int quit = RunModalLoop();

  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (m_hWnd) {
    if (owner && GetActiveWindow() == m_hWnd) SetActiveWindow(owner);
    ShowWindow(m_hWnd, SW_HIDE);
    ::DestroyWindow(m_hWnd);
  }
  if (quit >= 0) {
    // Pass the quit request on to the loop outside this one.
    if (AfxGetApp()) AfxGetApp()->m_quitCode = quit;
    PostQuitMessage(quit);
    return m_endModal ? m_modalResult : IDABORT;
  }
  return m_modalResult;
}

// Returns the WM_QUIT code when a quit request ended the run, otherwise -1.
int CDialog::RunModalLoop() {
  m_modalRunning = true;
  int quit = RunMessageLoop([this] { return !m_endModal && m_hWnd; });
  m_modalRunning = false;
  return quit;
}

void CDialog::EndDialog(INT_PTR result) {
  m_modalResult = result;
  m_endModal = true;
  // Wake the loop in case no other message is coming.
  if (m_hWnd) PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  // Keyboard navigation between the controls of this dialog.
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hWnd)
    return IsDialogMessageA(m_hWnd, msg);
  return FALSE;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDOK:
        OnOK();
        return 0;
      case IDCANCEL:
        OnCancel();
        return 0;
    }
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}
