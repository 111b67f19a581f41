// The system's own words for an error code, for messages that say why.
#pragma once
#include <windows.h>

#include <string>

// FormatMessage's text for `error` without its line end; empty for 0 or an
// error the system has no text for.
std::string SystemErrorText(DWORD error);
