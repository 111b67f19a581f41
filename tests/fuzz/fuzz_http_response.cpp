// The HTTP completeness test of the socket client under arbitrary data.
#include <cstdint>
#include <vector>

#include "mail/http_response.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy: any read past the data is caught.
  std::vector<char> copy(data, data + size);
  HttpResponseComplete(copy.data(), copy.size());
  return 0;
}
