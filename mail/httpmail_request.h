// The PROPFIND requests of the HTTPMail check, built byte for byte. Pure.
#pragma once

#include <cstddef>

constexpr const char* kHttpMailStartPath = "/svcs/hotmail/httpmail.asp";

enum class HttpMailBody { kNone, kFolderRoot, kUnreadCount };

struct HttpMailRequest {
  const char* target;         // the request line's path (with any query)
  const char* host;           // the Host line's text, a ":port" included
  const char* authorization;  // a whole header line with CR LF, or null
  const char* cookies;        // the whole Cookie line with CR LF, or null or ""
  HttpMailBody body;
};

// Request line, standard headers, Authorization, Host, connection headers,
// Cookie, the empty line and the body, into `out` (room for `size` bytes).
// False when the request does not fit.
bool BuildHttpMailRequest(const HttpMailRequest& request, char* out, size_t size);
