// The synchronous TCP client of the mail checks, over Winsock. The socket
// library is initialised by the application, never here.
#pragma once

#include "deadline.h"
#include "mail_transport.h"

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
  };

  // `clock` measures the time limits; GetTickCount when null.
  explicit WinsockTransport(MailClock clock = nullptr) : clock_(clock) {}

  void BeginCheck(uint32_t budgetMs) override;
  void EndCheck() override;
  long long OpenTcpConnection(const char* host, int port) override;
  int SocketExchange(long long connection, const char* text, char* reply, int size,
                     bool gather) override;
  void CloseConnection(long long connection) override;
  // Gathers until the response is complete, the peer closes or the buffer
  // is full; a response still incomplete when the request's time is up
  // fails.
  int HttpRequest(const char* host, int port, const char* request, char* response,
                  int size) override;

  Failure LastFailure() const { return failure_; }

 private:
  enum class Wait { kReady, kTimedOut, kBroken };
  using CompleteTest = bool (*)(const char* data, size_t length);

  uint32_t Now() const;
  // The request's own budget from now, cut by what is left of the check.
  Deadline RequestDeadline() const;
  Wait WaitFor(unsigned long long socket, bool writable, const Deadline& deadline) const;
  int Exchange(unsigned long long socket, const char* text, char* reply, int size, int chunk,
               bool gather, CompleteTest complete, const Deadline& deadline);
  int Fail(unsigned long long socket, Failure why);

  MailClock clock_;
  Deadline check_;  // unbounded outside a check
  Failure failure_ = Failure::kNone;
};
