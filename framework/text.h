// Small helpers for the program's 8-bit text (code page 932, Shift-JIS).
//
// Pure code: no <windows.h>, so it also builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <string>

namespace text {

// A space or a tab, the blanks of profile and protocol lines.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The white space that scanf and atoi skip.
inline bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Lower-cases ASCII letters only: a Shift-JIS trail byte in 'A'..'Z' stays.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Equal without regard to the case of ASCII letters.
bool EqualsNoCase(const char* a, size_t aLength, const char* b, size_t bLength);
inline bool EqualsNoCase(const std::string& a, const char* b) {
  size_t n = 0;
  while (b[n]) ++n;
  return EqualsNoCase(a.data(), a.size(), b, n);
}

// First byte of a two-byte Shift-JIS character.
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc); }

// Offset of the last '\' or '/' of a path that is a separator of its own and
// not the second byte of a character such as ソ (0x83 0x5C); npos when none.
size_t LastSeparator(const char* path);

// The decimal number at data[0..length): leading blanks (any white space
// with `anySpace`, as atoi), an optional sign, then digits; 0 when there are
// none. Saturates at INT_MIN / INT_MAX. With `end`, the offset after the
// last digit read (0 when no digit).
int ParseDecimal(const char* data, size_t length, size_t* end = nullptr, bool anySpace = false);

}  // namespace text
