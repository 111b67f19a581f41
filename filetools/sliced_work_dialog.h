// The common part of the split and join dialogs: work that runs on the
// dialog's timer in slices, as many per timer message as fit in about 15 ms,
// so the dialog stays responsive, with a progress bar from 0 to 100.
#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "filetools/split_plan.h"

namespace splitjoin {

// The message for a failure on a file: what failed, the file's real name,
// and the system's reason for `error` when it has one.
std::wstring FailureMessage(Failure what, const std::wstring& path, DWORD error);

// Whether the time of one timer message's work is used up: slices go on
// while less than about 15 ms have passed since the message began.
class CSliceBudget {
 public:
  CSliceBudget();
  bool Spent() const;

 private:
  LARGE_INTEGER m_start;
  LONGLONG m_limit;
};

class CSlicedWorkDialog : public CDialog {
 protected:
  CSlicedWorkDialog(UINT templateId, HWND owner, int progressId, UINT_PTR workTimer);

  // One slice of the work; false when the work ended (finished or failed,
  // the slice has then said so).
  virtual bool Slice() = 0;
  // The percentage to show after a timer message's slices.
  virtual int Progress() const = 0;

  void StartWork();
  void StopWork();
  bool Running() const { return m_running; }
  // The bar's range, and the bar at 0.
  void InitProgress();
  void SetProgress(int percent);
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnWorkTimer();

  int m_progressId;
  UINT_PTR m_workTimer;
  bool m_running = false;
  int m_shownPercent = -1;
};

}  // namespace splitjoin
