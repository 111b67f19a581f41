// The texts the work entries write into the caller's buffer.
#pragma once
#include <cstddef>
#include <string>

#include "archivers/core/status.h"

namespace arc {

// A short Japanese text for a status (code page 932).
const char* StatusText(Status status);

// Copies `text` into buffer: at most `size` bytes with the terminating zero,
// never splitting a character (double-byte, or UTF-8 while a wide entry
// runs). Nothing with no buffer or size 0.
void CopyToBuffer(char* buffer, size_t size, const std::string& text);

// The same for a wide entry's buffer: at most `size` WCHARs with the
// terminating zero, never splitting a surrogate pair.
void CopyToWideBuffer(wchar_t* buffer, size_t size, const std::wstring& text);

}  // namespace arc
