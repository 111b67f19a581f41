// The connection the mail checks talk through. The socket client implements
// it over Winsock; tests and fuzzers script it. Pure: no <windows.h>.
#pragma once

// Results of the socket client.
enum TransportResult {
  kExchangeOk = 1,
  kExchangeFailed = 0,     // a 5-second wait ran out; the connection is closed
  kHostUnknown = -1,       // the host name does not resolve
  kNoSocket = -2,          // no socket could be created
  kRequestTimedOut = -4,   // an HTTP request's exchange failed
};

constexpr int kPop3ReplySize = 512;
constexpr int kHttpResponseSize = 10240;
constexpr int kHttpChunkSize = 5120;

class MailTransport {
 public:
  virtual ~MailTransport() = default;
  // A connection to host:port: a handle >= 0, or kHostUnknown / kNoSocket.
  virtual long long OpenTcpConnection(const char* host, int port) = 0;
  // Sends `text` (none when null), then receives one reply into `reply`,
  // which has room for `size` bytes: at most size - 1 bytes are taken and
  // the text is always terminated. With `gather`, further data is appended
  // while it keeps coming. kExchangeOk, or kExchangeFailed with the
  // connection already closed.
  virtual int SocketExchange(long long connection, const char* text, char* reply, int size,
                             bool gather) = 0;
  // Shuts the connection down both ways and closes it.
  virtual void CloseConnection(long long connection) = 0;
  // One request on a fresh connection to host:port; the whole response,
  // terminated, in `response` (room for `size` bytes, the excess cut).
  // kExchangeOk, kHostUnknown, kNoSocket or kRequestTimedOut.
  virtual int HttpRequest(const char* host, int port, const char* request, char* response,
                          int size) = 0;
};
