#include "filetools/sliced_work_dialog.h"

#include <commctrl.h>

#include "framework/system_error.h"
#include "framework/wide_text.h"

namespace splitjoin {

std::wstring FailureMessage(Failure what, const std::wstring& path, DWORD error) {
  std::string reason = SystemErrorText(error);
  std::wstring text = Widen(FailureHeadline(what), CP_ACP) + L"\n" + path;
  if (!reason.empty()) text += L"\n" + Widen(reason, CP_ACP);
  return text;
}

CSliceBudget::CSliceBudget() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  m_limit = frequency.QuadPart * 15 / 1000;
  QueryPerformanceCounter(&m_start);
}

bool CSliceBudget::Spent() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart - m_start.QuadPart >= m_limit;
}

CSlicedWorkDialog::CSlicedWorkDialog(UINT templateId, HWND owner, int progressId, UINT_PTR workTimer)
    : CDialog(templateId, owner), m_progressId(progressId), m_workTimer(workTimer) {}

void CSlicedWorkDialog::StartWork() {
  m_running = true;
  SetTimer(m_hWnd, m_workTimer, 1, nullptr);
}

void CSlicedWorkDialog::StopWork() {
  KillTimer(m_hWnd, m_workTimer);
  m_running = false;
}

void CSlicedWorkDialog::InitProgress() {
  SendDlgItemMessageA(m_hWnd, m_progressId, PBM_SETRANGE32, 0, 100);
  SetProgress(0);
}

void CSlicedWorkDialog::SetProgress(int percent) {
  if (percent == m_shownPercent) return;
  m_shownPercent = percent;
  SendDlgItemMessageA(m_hWnd, m_progressId, PBM_SETPOS, WPARAM(percent), 0);
}

void CSlicedWorkDialog::OnWorkTimer() {
  if (!m_running) return;
  CSliceBudget budget;
  do {
    if (!Slice()) return;
  } while (!budget.Spent());
  SetProgress(Progress());
}

LRESULT CSlicedWorkDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == m_workTimer) {
    OnWorkTimer();
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

}  // namespace splitjoin
