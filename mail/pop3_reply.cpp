#include "mail/pop3_reply.h"

#include <cstring>

#include "framework/text.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
using text::IsSpace;

// A "%d" conversion: skips white space, reads an optional sign and digits;
// values beyond int are clamped.
bool ReadInt(const char** text, int* value) {
  size_t end = 0;
  int v = text::ParseDecimal(*text, std::strlen(*text), &end, true);
  if (end == 0) return false;
  *value = v;
  *text += end;
  return true;
}

}  // namespace

bool Pop3Refused(const char* reply) {
  if (!reply) return false;
  const char* refusal = "-ERR";
  for (int i = 0; i < 4; ++i) {
    if (Upper(reply[i]) != refusal[i]) return false;  // also stops at the terminator
  }
  return true;
}

Pop3Stat ParsePop3Stat(const char* reply) {
  Pop3Stat stat = {};
  if (!reply) return stat;
  const char* p = reply;
  // "%s": one word; what does not fit its buffer is skipped, not stored.
  while (IsSpace(*p)) ++p;
  if (!*p) return stat;
  int n = 0;
  for (; *p && !IsSpace(*p); ++p) {
    if (n < int(sizeof stat.word) - 1) stat.word[n++] = *p;
  }
  stat.word[n] = '\0';
  stat.hasCount = ReadInt(&p, &stat.count);
  if (stat.hasCount) stat.hasSize = ReadInt(&p, &stat.size);
  return stat;
}

int Pop3StatCount(const char* reply) {
  Pop3Stat stat = ParsePop3Stat(reply);
  return (stat.hasCount && stat.count > 0) ? stat.count : 0;
}

bool Pop3MultilineComplete(const char* data, size_t length) {
  if (length >= 1 && data[0] == '-') return std::memchr(data, '\n', length) != nullptr;
  if (length >= 5 && std::memcmp(data + length - 5, "\r\n.\r\n", 5) == 0) return true;
  return false;
}

bool Pop3CapaHasStls(const char* reply) {
  if (!reply || Pop3Refused(reply) || reply[0] != '+') return false;
  // The capability lines follow the status line; each starts a line.
  for (const char* line = std::strchr(reply, '\n'); line; line = std::strchr(line, '\n')) {
    ++line;
    const char* name = "STLS";
    int i = 0;
    while (i < 4 && Upper(line[i]) == name[i]) ++i;
    if (i == 4 && (line[4] == '\r' || line[4] == '\n' || line[4] == ' ' || line[4] == '\0'))
      return true;
  }
  return false;
}
