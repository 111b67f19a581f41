// Bounded text helpers and the response parsers of the HTTPMail check. Pure.
// Every parser reads only text[0, len): a response need not be terminated,
// and one that lacks what a parser looks for makes it fail, never read on.
// Outputs are terminated; a value longer than its buffer makes it fail.
#pragma once

#include <cstddef>

constexpr size_t kTextNotFound = static_cast<size_t>(-1);

// Offset of the first `needle` in text[from, len), or kTextNotFound.
size_t SearchText(const char* text, size_t len, size_t from, const char* needle);
// Offset of the first `c` in text[from, len), or kTextNotFound.
size_t SearchChar(const char* text, size_t len, size_t from, char c);
// Copies text[begin, end) into out (room for `size` bytes) and terminates it;
// false (out empty) when it does not fit.
bool CopyText(const char* text, size_t begin, size_t end, char* out, size_t size);

// Appends texts to a fixed buffer, always terminated; remembers an overflow.
class TextBuilder {
 public:
  TextBuilder(char* out, size_t size);
  TextBuilder& Add(const char* text);
  TextBuilder& Add(const char* text, size_t count);
  bool ok() const { return ok_; }
  size_t length() const { return length_; }

 private:
  char* out_;
  size_t size_;
  size_t length_ = 0;
  bool ok_;
};

// How the check goes on after a response, read from characters 9..11.
enum class HttpMailStatus {
  kRedirect,     // 302
  kChallenge,    // 401
  kRefused,      // any other 3xx or 4xx
  kMultiStatus,  // 207
  kOther,        // anything else, an empty or short response included
};
HttpMailStatus ClassifyHttpMailStatus(const char* text, size_t len);

// The first "Location:": host from 17 characters after it (the name, a
// space and "http://" skipped) to the first slash, path from that slash to
// the first CR (or the end).
bool ParseRedirect(const char* text, size_t len, char* host, size_t hostSize, char* path,
                   size_t pathSize);
// The quoted values after the first "nonce=" and the first "realm=".
bool ParseChallenge(const char* text, size_t len, char* nonce, size_t nonceSize, char* realm,
                    size_t realmSize);
// The address after "<hm:msgfolderroot>" and "http://", up to the next '<',
// split at its first slash into host and path.
bool ParseFolderRoot(const char* text, size_t len, char* host, size_t hostSize, char* path,
                     size_t pathSize);
// The number in the first "<hm:unreadcount>" after the inbox entry
// "<D:id>F000000001</D:id>", read as atoi does (negative counts give 0,
// large ones stop at INT_MAX); -1 when the entry, the tag or the '<' after
// the number is missing.
int ParseUnreadCount(const char* text, size_t len);
// The cookie line "Cookie: ; a=1; b=2\r\n" from the "Set-Cookie:" headers of
// the response's header block (each value from 12 characters after the name
// to its semicolon, at most 1 023 bytes); "" when there is none. False when
// a cookie has no semicolon on its line, or a value or the line does not fit.
bool CollectCookies(const char* text, size_t len, char* out, size_t size);

constexpr int kHttpDefaultPort = 80;
// Splits "name" or "name:port" (port 1..65535) into name and port (80 when
// none); any other suffix stays in the name. False when the name does not fit.
bool SplitHostPort(const char* hostText, char* name, size_t nameSize, int* port);
