#include "archivers/win/caller_text.h"

#include <windows.h>

namespace arc {

namespace {

// Per thread: a classic entry called on another thread at the same time
// keeps the program's code page.
thread_local bool g_utf8 = false;

}  // namespace

bool CallerTextIsUtf8() { return g_utf8; }

unsigned CallerCodePage() { return g_utf8 ? CP_UTF8 : CP_ACP; }

Utf8CallerText::Utf8CallerText() : previous_(g_utf8) { g_utf8 = true; }

Utf8CallerText::~Utf8CallerText() { g_utf8 = previous_; }

}  // namespace arc
