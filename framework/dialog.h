// Dialogs from resource templates, modal (DoModal) or modeless (Create).
//
// The modal run is a message loop of our own rather than the system's, so that
// PreTranslateMessage sees key-downs before the dialog manager does, and so
// that a quit request (WM_QUIT) ends the run: the loop puts the request back
// for the loop outside it and returns.
#pragma once
#include "framework/wnd.h"

class CDialog : public CWnd {
 public:
  // `owner` is disabled while the dialog runs modally and owns a modeless one.
  explicit CDialog(UINT templateId, HWND owner = nullptr);
  ~CDialog() override;

  // Runs the dialog modally; returns the EndDialog result, or -1 when the
  // window could not be created, or IDABORT when a quit request ended the run.
  virtual INT_PTR DoModal();
  // Creates the dialog modeless (visible if its template says so).
  BOOL Create(UINT templateId, HWND owner = nullptr);

  void EndDialog(INT_PTR result);
  bool IsModalRunning() const { return m_modalRunning; }
  UINT TemplateId() const { return m_templateId; }

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  UINT m_templateId;
  HWND m_owner;
  // Enter and Esc pressed in the window do nothing (no OK, no Cancel).
  bool m_keysNeverClose = false;

 private:
  HWND CreateFromTemplate(HWND parent);
  static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  bool m_modalRunning = false;
  bool m_endModal = false;
  INT_PTR m_modalResult = -1;
};
