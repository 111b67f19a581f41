// The POP3 check's dialogue and reply parsing under arbitrary server replies.
#include <cstdint>
#include <cstring>
#include <string>

#include "mail/pop3_check.h"
#include "mail/pop3_reply.h"
#include "tests/fuzz/fuzz_transport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzTransport transport(data, size);
  int count = CheckPop3Account(transport, "pop.example", "user", "password", "localhost");
  if (count < -4) __builtin_trap();
  // The parsers alone, on the whole input as one reply.
  std::string reply(reinterpret_cast<const char*>(data), size);
  Pop3Refused(reply.c_str());
  Pop3Stat stat = ParsePop3Stat(reply.c_str());
  if (!std::memchr(stat.word, '\0', sizeof stat.word)) __builtin_trap();  // always terminated
  Pop3StatCount(reply.c_str());
  return 0;
}
