// HTTP Digest authentication (RFC 2617, MD5, qop "auth", nc 00000001). Pure.
#pragma once

#include <cstddef>

struct DigestParams {
  const char* method;  // "PROPFIND" in the HTTPMail check
  const char* user;
  const char* realm;
  const char* password;
  const char* uri;  // the path without its query
  const char* nonce;
  const char* cnonce;
};

// MD5(HA1 ":" nonce ":00000001:" cnonce ":auth:" HA2) in lower-case hex,
// HA1 = MD5(user ":" realm ":" password), HA2 = MD5(method ":" uri).
void DigestResponse(const DigestParams& params, char out[33]);

// The request header line "Authorization: Digest username=..." ending in CR
// LF, into `out` (room for `size` bytes). False when it does not fit.
bool BuildDigestAuthorization(const DigestParams& params, char* out, size_t size);
