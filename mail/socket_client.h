// The synchronous TCP client of the mail checks, over Winsock. The socket
// library is initialised by the application, never here.
#pragma once

#include "mail_transport.h"

class WinsockTransport : public MailTransport {
 public:
  // Every readiness wait, for reading and for writing alike.
  static constexpr long kWaitSeconds = 5;

  long long OpenTcpConnection(const char* host, int port) override;
  int SocketExchange(long long connection, const char* text, char* reply, int size,
                     bool gather) override;
  void CloseConnection(long long connection) override;
  // Gathers until the response is complete, the peer closes, the buffer is
  // full or 5 seconds pass without data.
  int HttpRequest(const char* host, int port, const char* request, char* response,
                  int size) override;
};
