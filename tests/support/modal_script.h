// Acting on the modal windows of this thread from inside their loops: a
// thread timer takes the steps in turn, each once its condition holds. A
// step that never comes ends the modal run (a hang guard, not a timing).
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "tests/support/pump.h"

struct Step {
  const char* what;
  std::function<bool()> ready;
  std::function<void()> act;
};

class CScript {
 public:
  // With `oneStepPerTick`, what a step posted is handled before the next
  // step looks; otherwise every step that is ready runs at once.
  explicit CScript(std::vector<Step> steps, DWORD guardMs = kHangGuardMs, bool oneStepPerTick = false)
      : steps_(std::move(steps)), guardMs_(guardMs), since_(GetTickCount()), oneStepPerTick_(oneStepPerTick) {
    previous_ = current_;
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 10, Tick);
  }
  ~CScript() {
    KillTimer(nullptr, timer_);
    current_ = previous_;
    // The guard's quit request, when it fired, is spent here; any other is
    // for the loop outside.
    MSG msg;
    while (gaveUp_ && PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  CScript(const CScript&) = delete;
  CScript& operator=(const CScript&) = delete;
  bool Finished() const { return next_ == steps_.size(); }
  size_t StepsTaken() const { return next_; }
  // Hook for a test that watches while the last step waits.
  std::function<void()> watch;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    CScript* s = current_;
    if (!s || s->busy_) return;
    s->busy_ = true;
    if (s->watch) s->watch();
    while (s->next_ < s->steps_.size() && s->steps_[s->next_].ready()) {
      s->steps_[s->next_].act();
      ++s->next_;
      s->since_ = GetTickCount();
      if (s->oneStepPerTick_) break;
    }
    if (GetTickCount() - s->since_ > s->guardMs_ && !s->gaveUp_) {
      s->gaveUp_ = true;
      if (s->next_ < s->steps_.size()) {
        ADD_FAILURE() << "gave up waiting for: " << s->steps_[s->next_].what;
      } else {
        ADD_FAILURE() << "the modal run did not end";
      }
      s->next_ = s->steps_.size();
      PostQuitMessage(0);
    }
    s->busy_ = false;
  }
  static inline CScript* current_ = nullptr;
  CScript* previous_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  DWORD guardMs_;
  DWORD since_;
  bool oneStepPerTick_;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  bool gaveUp_ = false;
};

// A visible dialog of this thread with that caption, or null.
inline HWND FindDialog(const char* caption) {
  struct Search {
    const char* caption;
    HWND found;
  } search = {caption, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        char cls[32] = "", text[128] = "";
        GetClassNameA(hwnd, cls, sizeof cls);
        GetWindowTextA(hwnd, text, sizeof text);
        if (strcmp(cls, "#32770") == 0 && strcmp(text, s->caption) == 0 && IsWindowVisible(hwnd)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
