// The HTTPMail dialogue and its response parsers under arbitrary responses.
#include <cstdint>
#include <string>

#include "mail/httpmail_check.h"
#include "mail/httpmail_parse.h"
#include "tests/fuzz/fuzz_transport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzTransport transport(data, size);
  int result = CheckHttpMailAccount(transport, "service.example", "user", "password");
  if (result < -1) __builtin_trap();
  // The parsers alone, on the whole input as one response, with its exact
  // length: an exact-size heap copy lets AddressSanitizer see a read past it.
  std::string copy(reinterpret_cast<const char*>(data), size);
  const char* text = copy.data();
  char a[512], b[512], cookies[10240];
  int port = 0;
  ClassifyHttpMailStatus(text, size);
  ParseRedirect(text, size, a, sizeof a, b, sizeof b);
  ParseChallenge(text, size, a, sizeof a, b, 128);
  ParseFolderRoot(text, size, a, sizeof a, b, sizeof b);
  ParseUnreadCount(text, size);
  CollectCookies(text, size, cookies, sizeof cookies);
  SplitHostPort(copy.c_str(), a, sizeof a, &port);
  return 0;
}
