#include "mail/http_response.h"

#include <cstdint>

#include "framework/text.h"

namespace {

// One line of the text, without its LF and an optional CR before it.
struct Line {
  size_t start = 0, end = 0, next = 0;  // next: just after the LF
};

bool NextLine(const char* data, size_t length, size_t from, Line* line) {
  for (size_t i = from; i < length; ++i) {
    if (data[i] != '\n') continue;
    line->start = from;
    line->end = (i > from && data[i - 1] == '\r') ? i - 1 : i;
    line->next = i + 1;
    return true;
  }
  return false;
}

using text::IsBlank;
char Lower(char c) { return text::AsciiLower(c); }

// Whether the line starts with `name` (lower case, with its colon), any case.
bool HasName(const char* data, const Line& line, const char* name, size_t* valueStart) {
  size_t i = line.start;
  for (; *name; ++name, ++i) {
    if (i >= line.end || Lower(data[i]) != *name) return false;
  }
  while (i < line.end && IsBlank(data[i])) ++i;
  *valueStart = i;
  return true;
}

bool Contains(const char* data, size_t from, size_t to, const char* word) {
  for (size_t i = from; i < to; ++i) {
    size_t k = 0;
    while (word[k] && i + k < to && Lower(data[i + k]) == word[k]) ++k;
    if (!word[k]) return true;
  }
  return false;
}

// A decimal number filling [from, to) apart from blanks after it.
bool ParseDecimal(const char* data, size_t from, size_t to, uint64_t* value) {
  uint64_t v = 0;
  size_t i = from;
  for (; i < to && data[i] >= '0' && data[i] <= '9'; ++i) {
    if (v > (UINT64_MAX - 9) / 10) return false;
    v = v * 10 + uint64_t(data[i] - '0');
  }
  if (i == from) return false;
  while (i < to && IsBlank(data[i])) ++i;
  *value = v;
  return i == to;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

// A chunked body starting at `at`: complete after the last chunk and the
// empty line that ends its trailers.
bool ChunkedBodyComplete(const char* data, size_t length, size_t at) {
  Line line;
  while (NextLine(data, length, at, &line)) {
    uint64_t size = 0;
    size_t i = line.start;
    for (int digit; i < line.end && (digit = HexDigit(data[i])) >= 0; ++i) {
      if (size >> 60) return false;
      size = size * 16 + uint64_t(digit);
    }
    if (i == line.start) return false;
    if (size == 0) {
      at = line.next;
      while (NextLine(data, length, at, &line)) {
        if (line.start == line.end) return true;
        at = line.next;
      }
      return false;
    }
    // The data, then its CRLF.
    if (size > length - line.next || length - line.next - size < 2) return false;
    at = line.next + size_t(size);
    if (data[at] != '\r' || data[at + 1] != '\n') return false;
    at += 2;
  }
  return false;
}

}  // namespace

bool HttpResponseComplete(const char* data, size_t length) {
  if (!data) return false;
  size_t at = 0;
  for (;;) {
    // Status line: "HTTP/x.y NNN ...".
    Line line;
    if (!NextLine(data, length, at, &line)) return false;
    size_t i = line.start;
    if (!HasName(data, line, "http/", &i)) return false;
    while (i < line.end && !IsBlank(data[i])) ++i;
    while (i < line.end && IsBlank(data[i])) ++i;
    if (line.end - i < 3) return false;
    int status = 0;
    for (int k = 0; k < 3; ++k, ++i) {
      if (data[i] < '0' || data[i] > '9') return false;
      status = status * 10 + (data[i] - '0');
    }

    bool chunked = false, hasLength = false, lengthValid = true;
    uint64_t contentLength = 0;
    at = line.next;
    for (;;) {
      if (!NextLine(data, length, at, &line)) return false;
      at = line.next;
      if (line.start == line.end) break;  // the end of the header block
      size_t value = 0;
      uint64_t number = 0;
      if (HasName(data, line, "content-length:", &value)) {
        bool ok = ParseDecimal(data, value, line.end, &number);
        if (!ok || (hasLength && number != contentLength)) lengthValid = false;
        hasLength = true;
        contentLength = number;
      } else if (HasName(data, line, "transfer-encoding:", &value)) {
        chunked = chunked || Contains(data, value, line.end, "chunked");
      }
    }

    if (status >= 100 && status < 200) continue;  // an interim response; the final one follows
    if (status == 204 || status == 304) return true;
    if (chunked) return ChunkedBodyComplete(data, length, at);
    if (!hasLength || !lengthValid) return false;
    return length - at >= contentLength;
  }
}
