#include "framework/text.h"

#include <climits>

namespace text {

bool EqualsNoCase(const char* a, size_t aLength, const char* b, size_t bLength) {
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

size_t LastSeparator(const char* path) {
  size_t last = std::string::npos;
  for (size_t i = 0; path[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c)) {
      if (!path[i + 1]) break;  // a lone lead byte at the end
      ++i;                      // the trail byte is part of the character
    } else if (c == '\\' || c == '/') {
      last = i;
    }
  }
  return last;
}

int ParseDecimal(const char* data, size_t length, size_t* end, bool anySpace) {
  size_t i = 0;
  while (i < length && (anySpace ? IsSpace(data[i]) : IsBlank(data[i]))) ++i;
  bool negative = false;
  if (i < length && (data[i] == '-' || data[i] == '+')) negative = data[i++] == '-';
  size_t firstDigit = i;
  long long n = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < length && data[i] >= '0' && data[i] <= '9'; ++i) {
    if (n < limit) n = n * 10 + (data[i] - '0');
    if (n > limit) n = limit;
  }
  if (end) *end = i > firstDigit ? i : 0;
  return static_cast<int>(negative ? -n : n);
}

}  // namespace text
