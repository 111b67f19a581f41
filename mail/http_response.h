// Whether a gathered HTTP response is complete, so that the client can stop
// waiting for more data instead of waiting for 5 seconds of silence. Pure.
#pragma once

#include <cstddef>

// True when `data` (length bytes, not necessarily terminated) holds a whole
// response: its header block and then the Content-Length bytes, the end of a
// chunked body, or nothing more for a status without a body (204, 304).
// Interim 1xx responses are skipped. Anything else (no length, garbage, a
// header block not yet ended) is not complete: only the peer closing the
// connection or the silence bound ends it.
bool HttpResponseComplete(const char* data, size_t length);
