// The connection the mail checks talk through. The socket client implements
// it over Winsock; tests and fuzzers script it. Pure: no <windows.h>.
#pragma once

#include <cstdint>

// Results of the socket client.
enum TransportResult {
  kExchangeOk = 1,
  kExchangeFailed = 0,     // time ran out or the connection failed; it is closed
  kHostUnknown = -1,       // the host name does not resolve
  kNoSocket = -2,          // no socket could be created
  kRequestTimedOut = -4,   // an HTTP request's exchange failed, or the check's time was up
};

// Time limits. One exchange (a text sent and its reply) or one HTTP request
// (connection, request and whole response) gets kRequestBudgetMs; one mail
// check over every account gets kMailCheckBudgetMs in all, whichever ends
// first: a check never holds the window longer, however a server behaves.
constexpr uint32_t kRequestBudgetMs = 5000;
constexpr uint32_t kMailCheckBudgetMs = 20000;

// Why an account's check failed, for the user to see.
enum class MailFailure {
  kNone,
  kHostUnknown,    // the server name does not resolve
  kNoConnection,   // no socket, or the connection was refused or broke
  kNoAnswer,       // a reply (or the TLS handshake) did not come in time
  kLoginRefused,   // the server answered "-ERR"
  kStlsRefused,    // STLS chosen, but missing from CAPA or refused
  kCertUntrusted,  // the certificate does not lead to a trusted root
  kCertName,       // the certificate is not for the server name as typed
  kCertExpired,    // the certificate is out of its validity period
  kTlsFailed,      // no TLS with the server (or none on this system)
};

constexpr int kPop3ReplySize = 512;
constexpr int kHttpResponseSize = 10240;
constexpr int kHttpChunkSize = 5120;

class MailTransport {
 public:
  virtual ~MailTransport() = default;
  // Bounds everything the transport does from now until EndCheck to
  // `budgetMs` in all. Transports without a clock ignore it.
  virtual void BeginCheck(uint32_t budgetMs) { (void)budgetMs; }
  virtual void EndCheck() {}
  // A connection to host:port: a handle >= 0, or kHostUnknown / kNoSocket
  // (an empty host name is unknown, never the local machine), or
  // kRequestTimedOut when the check's time is already up or the connection
  // fails at once.
  virtual long long OpenTcpConnection(const char* host, int port) = 0;
  // Sends `text` (none when null), then receives one reply into `reply`,
  // which has room for `size` bytes: at most size - 1 bytes are taken and
  // the text is always terminated. With `gather`, further data is appended
  // while it keeps coming, until the peer closes, the buffer is full or the
  // exchange's time is up. kExchangeOk, or kExchangeFailed with the
  // connection already closed (time up before the reply, or the connection
  // refused or broken).
  virtual int SocketExchange(long long connection, const char* text, char* reply, int size,
                             bool gather) = 0;
  // Like SocketExchange with gathering, for a POP3 multi-line reply: done
  // at its closing line (or at a first line that refuses).
  virtual int SocketExchangeLines(long long connection, const char* text, char* reply, int size) {
    return SocketExchange(connection, text, reply, size, true);
  }
  // TLS on the open connection for the server name `host` (the certificate
  // must be trusted and name it), within one exchange's time. kExchangeOk,
  // after which every exchange on the connection is encrypted; or
  // kExchangeFailed with the connection closed, nothing sent over it.
  virtual int StartTls(long long connection, const char* host) {
    (void)host;
    CloseConnection(connection);
    return kExchangeFailed;
  }
  // Why the latest failed operation failed, when the transport knows more
  // than its result code says.
  virtual MailFailure LastMailFailure() const { return MailFailure::kNone; }
  // Shuts the connection down both ways and closes it.
  virtual void CloseConnection(long long connection) = 0;
  // One request on a fresh connection to host:port; the whole response,
  // terminated, in `response` (room for `size` bytes, the excess cut).
  // kExchangeOk, kHostUnknown, kNoSocket or kRequestTimedOut (also when the
  // response is still incomplete when the request's time is up; the
  // response is then empty).
  virtual int HttpRequest(const char* host, int port, const char* request, char* response,
                          int size) = 0;
};
