#include "framework/dialog.h"

#include "framework/app.h"

CDialog::CDialog(UINT templateId, HWND owner) : m_templateId(templateId), m_owner(owner) {}

CDialog::~CDialog() = default;

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  // The controls ask while the dialog is still a Unicode window; the program
  // reads their notifications in their 8-bit form, as it always has.
  if (msg == WM_NOTIFYFORMAT && lParam == NF_QUERY) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, NFR_ANSI);
    return TRUE;
  }
  if (msg != WM_INITDIALOG) return FALSE;  // everything else reaches WindowProc
  auto* dlg = reinterpret_cast<CDialog*>(lParam);
  // Take over the dialog's procedure; the dialog manager's own becomes the default.
  dlg->SubclassWindow(hwnd);
  return dlg->OnInitDialog();
}

HWND CDialog::CreateFromTemplate(HWND parent) {
  // Made as a Unicode dialog, so that its controls are Unicode windows that
  // hold any name a file may have (8-bit messages to them still convert
  // through the code page). The procedure stays 8-bit: SubclassWindow
  // replaces it with the framework's own.
  // The 95 family has no wide dialogs: there they stay 8-bit, as its files do.
  const bool family95 = (GetVersion() & 0x80000000) != 0;
  if (family95)
    return CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), parent, StaticDlgProc,
                              reinterpret_cast<LPARAM>(this));
  return CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_templateId), parent,
                            StaticDlgProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, HWND owner) {
  m_templateId = templateId;
  m_owner = owner;
  return CreateFromTemplate(owner) != nullptr;
}

INT_PTR CDialog::DoModal() {
  m_endModal = false;
  m_modalResult = -1;
  if (!CreateFromTemplate(m_owner) || !m_hWnd) return -1;
  ModalRun run;
  run.window = m_hWnd;
  run.owner = m_owner;
  run.show = !m_endModal;
  run.running = &m_modalRunning;
  int quit = RunModal(run, [this] { return !m_endModal && m_hWnd; });
  if (quit >= 0) return m_endModal ? m_modalResult : IDABORT;
  return m_modalResult;
}

void CDialog::EndDialog(INT_PTR result) {
  m_modalResult = result;
  m_endModal = true;
  // Wake the loop in case no other message is coming.
  if (m_hWnd) PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  bool closingKey = msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
  if (m_keysNeverClose && closingKey) return TRUE;
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
