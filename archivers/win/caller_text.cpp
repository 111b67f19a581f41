#include "archivers/win/caller_text.h"

#include <windows.h>

namespace arc {

namespace {

// Per thread, so that a classic entry called on another thread at the same
// time keeps the program's code page. A Win32 slot taken at load and given
// back at unload: the program loads a library for every call, and the C++
// thread_local would leave a slot behind each time until none were left.
struct CUtf8Slot {
  DWORD index = TlsAlloc();
  bool fallback = false;  // when no slot was free: one flag for the process
  ~CUtf8Slot() {
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
  }
  bool Get() const { return index != TLS_OUT_OF_INDEXES ? TlsGetValue(index) != nullptr : fallback; }
  void Set(bool utf8) {
    if (index != TLS_OUT_OF_INDEXES) TlsSetValue(index, utf8 ? reinterpret_cast<void*>(1) : nullptr);
    else fallback = utf8;
  }
} g_utf8;

}  // namespace

bool CallerTextIsUtf8() { return g_utf8.Get(); }

unsigned CallerCodePage() { return g_utf8.Get() ? CP_UTF8 : CP_ACP; }

Utf8CallerText::Utf8CallerText() : previous_(g_utf8.Get()) { g_utf8.Set(true); }

Utf8CallerText::~Utf8CallerText() { g_utf8.Set(previous_); }

}  // namespace arc
