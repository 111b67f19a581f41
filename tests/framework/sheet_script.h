// Driving a real property sheet from inside its own modal loop: one script
// step per tick of a thread timer, with the clicks and keys a person gives.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/property_sheet.h"
#include "tests/support/modal_script.h"

namespace sheet_script {

// Messages the framework showed, instead of real boxes (install
// RecordMessage into g_frameworkMessageBox).
struct ShownMessage {
  HWND owner;
  std::string text, caption;
};
inline std::vector<ShownMessage> g_messages;
inline int RecordMessage(HWND owner, const char* text, const char* caption, UINT) {
  g_messages.push_back({owner, text, caption});
  return IDOK;
}

inline std::string ItemText(HWND dialog, int id) {
  char buffer[512] = "";
  GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
  return buffer;
}

// Runs `run` (which shows the sheet modally) with one script step per tick;
// a sheet still open after the last step is cancelled and the test fails.
inline INT_PTR RunScript(CPropertySheet& sheet, std::vector<std::function<void()>> steps,
                         const std::function<INT_PTR()>& run) {
  auto running = [&sheet] { return sheet.IsModalRunning() != FALSE; };
  std::vector<Step> script;
  for (const auto& step : steps) script.push_back({"a step", running, step});
  bool overrun = false;
  script.push_back({"the end of the script", running, [&] {
                      overrun = true;
                      SendMessageA(sheet.m_hWnd, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                    }});
  INT_PTR result;
  size_t next;
  {
    CScript play(std::move(script), kHangGuardMs, true);
    result = run();
    next = play.StepsTaken() < steps.size() ? play.StepsTaken() : steps.size();
  }
  EXPECT_FALSE(overrun) << "the sheet was still open after the last step";
  EXPECT_EQ(next, steps.size()) << "the sheet closed before the last step";
  EXPECT_EQ(sheet.m_hWnd, nullptr);
  return result;
}
inline INT_PTR RunSheet(CPropertySheet& sheet, std::vector<std::function<void()>> steps) {
  return RunScript(sheet, std::move(steps), [&] { return sheet.DoModal(); });
}

inline HWND CurrentPage(CPropertySheet& sheet) {
  return reinterpret_cast<HWND>(SendMessageA(sheet.m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
}
inline HWND TabControl(CPropertySheet& sheet) {
  return reinterpret_cast<HWND>(SendMessageA(sheet.m_hWnd, PSM_GETTABCONTROL, 0, 0));
}

// A real click on a tab, as the mouse gives it.
inline void ClickTab(CPropertySheet& sheet, int index) {
  HWND tab = TabControl(sheet);
  RECT r = {};
  SendMessageA(tab, TCM_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(tab, WM_LBUTTONUP, 0, at);
}
inline void SelectTab(CPropertySheet& sheet, int index) {
  SendMessageA(sheet.m_hWnd, PSM_SETCURSEL, WPARAM(index), 0);
}
inline void ClickOk(CPropertySheet& sheet) { SendMessageA(GetDlgItem(sheet.m_hWnd, IDOK), BM_CLICK, 0, 0); }
// Esc through the loop: pre-translation, then the sheet's keyboard interface.
inline void PressEscape(CPropertySheet& sheet) {
  HWND focus = GetFocus();
  PostMessageA(focus ? focus : sheet.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
}

}  // namespace sheet_script
