// The real socket client, with the POP3 check's fixed port 110 sent to the
// port where our own server listens instead (Dovecot or a scripted peer on
// a free port); everything else passes through unchanged.
#pragma once
#include "mail/mail_transport.h"

class PortMappingTransport : public MailTransport {
 public:
  PortMappingTransport(MailTransport& inner, int pop3Port) : inner_(inner), pop3Port_(pop3Port) {}

  void BeginCheck(uint32_t budgetMs) override { inner_.BeginCheck(budgetMs); }
  void EndCheck() override { inner_.EndCheck(); }
  long long OpenTcpConnection(const char* host, int port) override {
    return inner_.OpenTcpConnection(host, port == 110 ? pop3Port_ : port);
  }
  int SocketExchange(long long connection, const char* text, char* reply, int size,
                     bool gather) override {
    return inner_.SocketExchange(connection, text, reply, size, gather);
  }
  void CloseConnection(long long connection) override { inner_.CloseConnection(connection); }
  int HttpRequest(const char* host, int port, const char* request, char* response,
                  int size) override {
    return inner_.HttpRequest(host, port, request, response, size);
  }

 private:
  MailTransport& inner_;
  int pop3Port_;
};
