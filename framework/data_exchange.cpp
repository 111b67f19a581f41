#include "framework/data_exchange.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/text.h"

namespace {

int DefaultMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}

// The program's name as the executable's base name, as message boxes of the
// framework have always been captioned.
std::string ProgramName() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  const char* name = path;
  for (const char* p = path; *p; ++p) {
    if (text::IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      ++p;
      continue;
    }
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  std::string result = name;
  size_t dot = result.rfind('.');
  if (dot != std::string::npos && dot > 0) result.resize(dot);
  return result;
}

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthA(hwnd);
  std::vector<char> buffer(size_t(length > 0 ? length : 0) + 1, '\0');
  GetWindowTextA(hwnd, buffer.data(), int(buffer.size()));
  return buffer.data();
}

// A whole decimal number with optional blanks around it, as scanf's "%d"
// reads one with nothing but blanks after it.
bool ParseInt(const char* s, int* value) {
  while (text::IsSpace(*s)) ++s;
  if (!*s) return false;
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(s, &end, 10);
  if (end == s || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  while (text::IsSpace(*end)) ++end;
  if (*end) return false;
  *value = int(parsed);
  return true;
}

// A list with nothing selected (a value it never offered) leaves the field as
// it was rather than storing "none" over it.
int SelectionOr(LRESULT selected, int previous) { return selected < 0 ? previous : int(selected); }

}  // namespace

FrameworkMessageBoxFn g_frameworkMessageBox = DefaultMessageBox;

int FrameworkMessageBox(HWND owner, const char* text, UINT type) {
  return g_frameworkMessageBox(owner, text, ProgramName().c_str(), type);
}

HWND CDataExchange::PrepareCtrl(int id) {
  m_idLastControl = id;
  m_bEditLastControl = false;
  return GetDlgItem(m_hDlg, id);
}

HWND CDataExchange::PrepareEditCtrl(int id) {
  HWND control = PrepareCtrl(id);
  m_bEditLastControl = true;
  return control;
}

void CDataExchange::Fail(const char* text) {
  if (m_failed) return;
  m_failed = true;
  HWND owner = GetAncestor(m_hDlg, GA_ROOT);
  FrameworkMessageBox(owner ? owner : m_hDlg, text);
  HWND control = GetDlgItem(m_hDlg, m_idLastControl);
  if (!control) return;
  SetFocus(control);
  if (m_bEditLastControl) SendMessageA(control, EM_SETSEL, 0, -1);
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  if (dx->Failed()) return;
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = int(SendMessageA(control, BM_GETCHECK, 0, 0));
  else
    SendMessageA(control, BM_SETCHECK, WPARAM(value), 0);
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
  if (dx->Failed()) return;
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    index = SelectionOr(SendMessageA(control, CB_GETCURSEL, 0, 0), index);
  else
    SendMessageA(control, CB_SETCURSEL, WPARAM(index), 0);
}

void DDX_LBIndex(CDataExchange* dx, int id, int& index) {
  if (dx->Failed()) return;
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    index = SelectionOr(SendMessageA(control, LB_GETCURSEL, 0, 0), index);
  else
    SendMessageA(control, LB_SETCURSEL, WPARAM(index), 0);
}

void DDX_Text(CDataExchange* dx, int id, char* buffer, size_t size) {
  if (dx->Failed() || size == 0) return;
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    // Cut on a character boundary, never between the two bytes of one.
    std::string value = WindowText(control);
    size_t length = 0;
    while (length < value.size()) {
      size_t step = text::IsLeadByte(static_cast<unsigned char>(value[length])) ? 2 : 1;
      if (length + step > size - 1) break;
      length += step;
    }
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
  } else {
    SetWindowTextA(control, buffer);
  }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  if (dx->Failed()) return;
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = WindowText(control);
  else
    SetWindowTextA(control, value.c_str());
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
  if (dx->Failed()) return;
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    int parsed = 0;
    if (!ParseInt(WindowText(control).c_str(), &parsed)) {
      dx->Fail("整数を入力してください。");
      return;
    }
    value = parsed;
  } else {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    SetWindowTextA(control, buffer);
  }
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue) {
  if (dx->Failed() || !dx->m_bSaveAndValidate) return;
  if (value >= minValue && value <= maxValue) return;
  char message[96];
  std::snprintf(message, sizeof message, "%d から %d までの整数を入力してください。", minValue, maxValue);
  dx->Fail(message);
}
