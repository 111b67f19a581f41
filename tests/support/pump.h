// Running this thread's messages until a condition holds, as the program's
// own loop runs them.
#pragma once
#include <windows.h>

#include <functional>

#include "framework/wnd.h"
#include "tests/support/hang_guard.h"

// Handles everything queued for this thread, pre-translation first as the
// modal loop does, until nothing is left.
inline void DrainThroughFramework() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!CWnd::WalkPreTranslateTree(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

// Handles messages until the condition holds; false if it never did.
inline bool PumpUntil(const std::function<bool()>& done) {
  for (DWORD start = GetTickCount();;) {
    DrainThroughFramework();
    if (done()) return true;
    if (GetTickCount() - start > kHangGuardMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}
