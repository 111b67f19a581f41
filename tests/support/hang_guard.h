// The one limit on waits in the tests.
#pragma once
#include <windows.h>

// A wait ends when its condition holds; this only keeps a broken test from hanging.
constexpr DWORD kHangGuardMs = 60000;
