#include "mail/httpmail_parse.h"

#include <climits>
#include <cstring>

#include "framework/text.h"

size_t SearchText(const char* text, size_t len, size_t from, const char* needle) {
  size_t n = strlen(needle);
  if (n == 0 || from > len || len - from < n) return kTextNotFound;
  for (size_t i = from; i + n <= len; ++i) {
    if (text[i] == needle[0] && memcmp(text + i, needle, n) == 0) return i;
  }
  return kTextNotFound;
}

size_t SearchChar(const char* text, size_t len, size_t from, char c) {
  if (from >= len) return kTextNotFound;
  const void* hit = memchr(text + from, c, len - from);
  return hit ? size_t(static_cast<const char*>(hit) - text) : kTextNotFound;
}

bool CopyText(const char* text, size_t begin, size_t end, char* out, size_t size) {
  if (size == 0) return false;
  out[0] = '\0';
  if (begin > end || end - begin >= size) return false;
  memcpy(out, text + begin, end - begin);
  out[end - begin] = '\0';
  return true;
}

TextBuilder::TextBuilder(char* out, size_t size) : out_(out), size_(size), ok_(size > 0) {
  if (ok_) out_[0] = '\0';
}

TextBuilder& TextBuilder::Add(const char* text) { return Add(text, strlen(text)); }

TextBuilder& TextBuilder::Add(const char* text, size_t count) {
  if (!ok_ || count >= size_ - length_) {
    ok_ = false;
    return *this;
  }
  memcpy(out_ + length_, text, count);
  length_ += count;
  out_[length_] = '\0';
  return *this;
}

HttpMailStatus ClassifyHttpMailStatus(const char* text, size_t len) {
  char code[4] = {};
  for (size_t i = 0; i < 3 && 9 + i < len; ++i) code[i] = text[9 + i];
  if (code[0] == '3') return strcmp(code, "302") == 0 ? HttpMailStatus::kRedirect : HttpMailStatus::kRefused;
  if (code[0] == '4') return strcmp(code, "401") == 0 ? HttpMailStatus::kChallenge : HttpMailStatus::kRefused;
  return strcmp(code, "207") == 0 ? HttpMailStatus::kMultiStatus : HttpMailStatus::kOther;
}

namespace {

// Splits text[begin, end) at its first slash: host before it, path from it.
bool SplitAddress(const char* text, size_t begin, size_t end, char* host, size_t hostSize,
                  char* path, size_t pathSize) {
  size_t slash = SearchChar(text, end, begin, '/');
  return slash != kTextNotFound && CopyText(text, begin, slash, host, hostSize) &&
         CopyText(text, slash, end, path, pathSize);
}

// The text from `skip` characters after the first `name` up to the next
// `stop`; false when either is missing.
bool ValueAfter(const char* text, size_t len, const char* name, size_t skip, char stop,
                size_t* begin, size_t* end) {
  size_t at = SearchText(text, len, 0, name);
  if (at == kTextNotFound || skip > len - at) return false;
  *begin = at + skip;
  *end = SearchChar(text, len, *begin, stop);
  return *end != kTextNotFound;
}

}  // namespace

bool ParseRedirect(const char* text, size_t len, char* host, size_t hostSize, char* path,
                   size_t pathSize) {
  size_t at = SearchText(text, len, 0, "Location:");
  if (at == kTextNotFound || 17 > len - at) return false;
  size_t begin = at + 17;
  size_t end = SearchChar(text, len, begin, '\r');
  if (end == kTextNotFound) end = len;
  return SplitAddress(text, begin, end, host, hostSize, path, pathSize);
}

bool ParseChallenge(const char* text, size_t len, char* nonce, size_t nonceSize, char* realm,
                    size_t realmSize) {
  size_t begin, end;
  if (!ValueAfter(text, len, "nonce=", 7, '"', &begin, &end) ||
      !CopyText(text, begin, end, nonce, nonceSize)) {
    return false;
  }
  return ValueAfter(text, len, "realm=", 7, '"', &begin, &end) &&
         CopyText(text, begin, end, realm, realmSize);
}

bool ParseFolderRoot(const char* text, size_t len, char* host, size_t hostSize, char* path,
                     size_t pathSize) {
  size_t begin, end;
  return ValueAfter(text, len, "<hm:msgfolderroot>", 25, '<', &begin, &end) &&
         SplitAddress(text, begin, end, host, hostSize, path, pathSize);
}

int ParseUnreadCount(const char* text, size_t len) {
  size_t inbox = SearchText(text, len, 0, "<D:id>F000000001</D:id>");
  if (inbox == kTextNotFound) return -1;
  size_t tag = SearchText(text, len, inbox, "<hm:unreadcount>");
  if (tag == kTextNotFound || 16 > len - tag) return -1;
  size_t i = tag + 16, end = SearchChar(text, len, i, '<');
  if (end == kTextNotFound) return -1;
  // As atoi reads it; a negative count is none.
  int value = text::ParseDecimal(text + i, end - i, nullptr, true);
  return value < 0 ? 0 : value;
}

bool CollectCookies(const char* text, size_t len, char* out, size_t size) {
  // Only the header block: a body that mentions the header is no cookie.
  size_t block = SearchText(text, len, 0, "\r\n\r\n");
  if (block != kTextNotFound) len = block + 2;
  TextBuilder line(out, size);
  bool any = false;
  for (size_t at = SearchText(text, len, 0, "Set-Cookie:"); at != kTextNotFound;
       at = SearchText(text, len, at, "Set-Cookie:")) {
    size_t lineEnd = len;
    for (size_t i = at; i < len; ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        lineEnd = i;
        break;
      }
    }
    // The value must end at a semicolon on its own line: a CR LF carried
    // into our request would break it.
    size_t semicolon = SearchChar(text, lineEnd, at + 11, ';');
    if (semicolon == kTextNotFound || semicolon < at + 12) return false;
    char value[1024];
    if (!CopyText(text, at + 12, semicolon, value, sizeof value)) return false;
    line.Add(any ? "; " : "Cookie: ; ").Add(value);
    any = true;
    at = semicolon + 1;
  }
  if (any) line.Add("\r\n");
  return line.ok();
}

bool SplitHostPort(const char* hostText, char* name, size_t nameSize, int* port) {
  size_t len = strlen(hostText);
  size_t colon = len;
  while (colon > 0 && hostText[colon - 1] != ':') --colon;
  *port = kHttpDefaultPort;
  if (colon > 0 && len - colon >= 1 && len - colon <= 5) {
    int value = 0;
    size_t i = colon;
    while (i < len && hostText[i] >= '0' && hostText[i] <= '9') value = value * 10 + (hostText[i++] - '0');
    if (i == len && value >= 1 && value <= 65535) {
      *port = value;
      return CopyText(hostText, 0, colon - 1, name, nameSize);
    }
  }
  return CopyText(hostText, 0, len, name, nameSize);
}
