// The synchronous TCP client of the mail checks, over Winsock. The socket
// library is initialised by the application, never here.
#pragma once

#include "mail/deadline.h"
#include "mail/mail_transport.h"

class TlsChannel;

class WinsockTransport : public MailTransport {
 public:
  // Waits are cut into slices this long, and the clock is read after each:
  // the time left always comes from the clock, whatever select does.
  static constexpr uint32_t kWaitSliceMs = 100;

  // Why the latest operation failed.
  enum class Failure {
    kNone,
    kHostUnknown,
    kNoSocket,
    kRefused,    // the connection was refused or broke (seen at once)
    kTimedOut,   // the exchange's, request's or check's time ran out
    kIncomplete, // an HTTP response still incomplete when its time ran out
    kCancelled,  // the owner asked the check to stop
    kUntrusted,  // TLS: the certificate does not lead to a trusted root
    kNameMismatch,  // TLS: the certificate is not for the server name
    kExpired,    // TLS: the certificate is out of its validity period
    kTlsFailed,  // TLS: no handshake (or no Schannel on this system)
  };

  // `clock` measures the time limits; GetTickCount when null.
  explicit WinsockTransport(MailClock clock = nullptr) : clock_(clock) {}
  ~WinsockTransport() override;
  WinsockTransport(const WinsockTransport&) = delete;
  WinsockTransport& operator=(const WinsockTransport&) = delete;

  // While *flag is non-zero every wait ends at once, as if its time were up
  // (the flag is set from another thread to stop a check early).
  void SetCancelFlag(const volatile long* flag) { cancel_ = flag; }

  void BeginCheck(uint32_t budgetMs) override;
  void EndCheck() override;
  long long OpenTcpConnection(const char* host, int port) override;
  int SocketExchange(long long connection, const char* text, char* reply, int size,
                     bool gather) override;
  int SocketExchangeLines(long long connection, const char* text, char* reply, int size) override;
  int StartTls(long long connection, const char* host) override;
  MailFailure LastMailFailure() const override;
  void CloseConnection(long long connection) override;
  // Gathers until the response is complete, the peer closes or the buffer
  // is full; a response still incomplete when the request's time is up
  // fails.
  int HttpRequest(const char* host, int port, const char* request, char* response,
                  int size) override;

  Failure LastFailure() const { return failure_; }

 private:
  class SocketWire;
  friend class SocketWire;
  enum class Wait { kReady, kTimedOut, kBroken };
  using CompleteTest = bool (*)(const char* data, size_t length);

  uint32_t Now() const;
  // The request's own budget from now, cut by what is left of the check.
  Deadline RequestDeadline() const;
  Wait WaitFor(unsigned long long socket, bool writable, const Deadline& deadline) const;
  // The socket alone, without what TLS holds decrypted.
  Wait RawWait(unsigned long long socket, bool writable, const Deadline& deadline) const;
  int Exchange(unsigned long long socket, const char* text, char* reply, int size, int chunk,
               bool gather, CompleteTest complete, const Deadline& deadline);
  int Fail(unsigned long long socket, Failure why);
  bool Cancelled() const { return cancel_ && *cancel_; }
  // recv, through TLS when the connection has it: kWouldBlock when nothing
  // whole has arrived yet.
  static constexpr int kWouldBlock = -2;
  int Receive(unsigned long long socket, char* data, int size, const Deadline& deadline);
  bool Send(unsigned long long socket, const char* text, int length, const Deadline& deadline,
            Wait* failure);
  void Close(unsigned long long socket);

  MailClock clock_;
  Deadline check_;  // unbounded outside a check
  Failure failure_ = Failure::kNone;
  const volatile long* cancel_ = nullptr;
  // The TLS session of the one connection that has it.
  TlsChannel* tls_ = nullptr;
  unsigned long long tlsSocket_ = 0;
};
