// Dialog data exchange: moving values between a window's controls and the
// member fields of its object, in one DoDataExchange that runs both ways.
//
// Loading (save == false) fills the controls from the fields; saving reads
// them back and validates. The first failure shows the standard message, puts
// the focus on the failing control (and selects an edit's text) and marks the
// exchange failed: every later DDX_/DDV_ call of the same run does nothing,
// so a field after the failing one keeps its old value.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

// How the framework shows its own messages (the validation messages). The
// framework sits below the program's side-effect seam, so it has this one of
// its own: tests replace it (CScopedOverride) to record the message instead
// of waiting on a real box. The default is MessageBoxA.
using FrameworkMessageBoxFn = int (*)(HWND owner, const char* text, const char* caption, UINT type);
extern FrameworkMessageBoxFn g_frameworkMessageBox;
// Shows text through the hook, captioned with the program's name.
int FrameworkMessageBox(HWND owner, const char* text, UINT type = MB_OK | MB_ICONEXCLAMATION);

class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool saveAndValidate) : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}

  HWND m_hDlg;
  bool m_bSaveAndValidate;
  // The control the last DDX_ call worked on: the one a following DDV_ check
  // blames, and whether it is an edit (its text gets selected).
  int m_idLastControl = 0;
  bool m_bEditLastControl = false;

  // The control's window, remembered as the last one.
  HWND PrepareCtrl(int id);
  HWND PrepareEditCtrl(int id);
  // Shows text, focuses the last control and ends the exchange.
  void Fail(const char* text);
  bool Failed() const { return m_failed; }

 private:
  bool m_failed = false;
};

// Check box state (0, 1, or 2 for an indeterminate three-state box).
void DDX_Check(CDataExchange* dx, int id, int& value);
// Index of the selected entry of a combo box or list box. With nothing
// selected, saving leaves the field as it was.
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);
// Text of a control; a buffer keeps at most size - 1 bytes.
void DDX_Text(CDataExchange* dx, int id, char* buffer, size_t size);
template <size_t N>
void DDX_Text(CDataExchange* dx, int id, char (&buffer)[N]) {
  DDX_Text(dx, id, buffer, N);
}
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// A whole decimal number; anything else is refused with "整数を入力してください。".
void DDX_Text(CDataExchange* dx, int id, int& value);
// When saving: a value outside min..max is refused with the range message
// "<min> から <max> までの整数を入力してください。", blaming the last control.
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);
