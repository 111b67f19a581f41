// A transport that answers from the fuzzer's bytes: each reply or response is
// the next piece of the input, pieces separated by the byte 0xFF (which never
// occurs in Shift-JIS text). Connections always open.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>

#include "mail/mail_transport.h"

class FuzzTransport : public MailTransport {
 public:
  FuzzTransport(const unsigned char* data, size_t size) : data_(data), size_(size) {}

  long long OpenTcpConnection(const char*, int) override { return 3; }
  int SocketExchange(long long, const char*, char* reply, int size, bool) override {
    return Answer(reply, size) ? kExchangeOk : kExchangeFailed;
  }
  void CloseConnection(long long) override {}
  int HttpRequest(const char*, int, const char* request, char* response, int size) override {
    (void)std::strlen(request);  // the request must be a terminated text
    return Answer(response, size) ? kExchangeOk : kRequestTimedOut;
  }

 private:
  // The next piece into buf (cut to size - 1, terminated); false when the
  // input is used up, as if the peer went silent.
  bool Answer(char* buf, int size) {
    if (pos_ >= size_ || size <= 0) return false;
    size_t end = pos_;
    while (end < size_ && data_[end] != 0xFF) ++end;
    size_t n = end - pos_;
    if (n > size_t(size - 1)) n = size_t(size - 1);
    std::memcpy(buf, data_ + pos_, n);
    buf[n] = '\0';
    pos_ = end + 1;
    return true;
  }
  const unsigned char* data_;
  size_t size_;
  size_t pos_ = 0;
};
