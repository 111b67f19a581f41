#include "mail/socket_client.h"

#include <winsock2.h>

#include <cstring>

#include "mail/http_response.h"
#include "mail/pop3_reply.h"
#include "mail/tls_channel.h"

// The raw connection under TLS, within one deadline.
class WinsockTransport::SocketWire : public TlsWire {
 public:
  SocketWire(WinsockTransport& t, unsigned long long s, const Deadline& d)
      : transport_(t), socket_(s), deadline_(d) {}
  bool SendAll(const char* data, int length) override {
    while (length > 0) {
      Wait wait = transport_.WaitFor(socket_, true, deadline_);
      if (wait != Wait::kReady) return Failed(wait);
      int sent = send(SOCKET(socket_), data, length, 0);
      if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
      if (sent <= 0) return Failed(Wait::kBroken);
      data += sent;
      length -= sent;
    }
    return true;
  }
  int ReceiveSome(char* data, int size) override {
    for (;;) {
      Wait wait = transport_.RawWait(socket_, false, deadline_);
      if (wait != Wait::kReady) {
        failure = wait;
        return -1;
      }
      int got = recv(SOCKET(socket_), data, size, 0);
      if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
      if (got <= 0) {
        failure = Wait::kBroken;
        return got == 0 ? 0 : -1;
      }
      return got;
    }
  }
  Wait failure = Wait::kReady;

 private:
  bool Failed(Wait why) {
    failure = why;
    return false;
  }
  WinsockTransport& transport_;
  unsigned long long socket_;
  Deadline deadline_;
};

WinsockTransport::~WinsockTransport() { delete tls_; }

void WinsockTransport::Close(unsigned long long socket) {
  if (tls_ && tlsSocket_ == socket) {
    delete tls_;
    tls_ = nullptr;
  }
  shutdown(SOCKET(socket), SD_BOTH);
  closesocket(SOCKET(socket));
}

uint32_t WinsockTransport::Now() const { return clock_ ? clock_() : uint32_t(GetTickCount()); }

Deadline WinsockTransport::RequestDeadline() const {
  uint32_t now = Now();
  return Deadline::After(now, kRequestBudgetMs).Earlier(check_, now);
}

void WinsockTransport::BeginCheck(uint32_t budgetMs) { check_ = Deadline::After(Now(), budgetMs); }

void WinsockTransport::EndCheck() { check_ = Deadline(); }

// The except set is watched too: a connection that fails shows there at
// once (out-of-band data cannot, it is kept in line).
WinsockTransport::Wait WinsockTransport::WaitFor(unsigned long long socket, bool writable,
                                                 const Deadline& deadline) const {
  // Decrypted bytes may wait already; the socket would not tell.
  if (!writable && tls_ && tlsSocket_ == socket && tls_->Pending()) return Wait::kReady;
  return RawWait(socket, writable, deadline);
}

WinsockTransport::Wait WinsockTransport::RawWait(unsigned long long socket, bool writable,
                                                 const Deadline& deadline) const {
  SOCKET s = SOCKET(socket);
  for (;;) {
    uint32_t left = Cancelled() ? 0 : deadline.Left(Now());
    if (left == 0) return Wait::kTimedOut;
    uint32_t slice = left < kWaitSliceMs ? left : kWaitSliceMs;
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval wait = {long(slice / 1000), long(slice % 1000) * 1000};
    int n = select(int(s) + 1, writable ? nullptr : &ready, writable ? &ready : nullptr, &failed,
                   &wait);
    if (n == SOCKET_ERROR || (n > 0 && FD_ISSET(s, &failed))) return Wait::kBroken;
    if (n > 0 && FD_ISSET(s, &ready)) return Wait::kReady;
  }
}

int WinsockTransport::Fail(unsigned long long socket, Failure why) {
  Close(socket);
  failure_ = Cancelled() ? Failure::kCancelled : why;
  return kExchangeFailed;
}

bool WinsockTransport::Send(unsigned long long socket, const char* text, int length,
                            const Deadline& deadline, Wait* failure) {
  SocketWire wire(*this, socket, deadline);
  bool sent = tls_ && tlsSocket_ == socket ? tls_->Send(wire, text, length)
                                           : wire.SendAll(text, length);
  *failure = wire.failure == Wait::kReady ? Wait::kBroken : wire.failure;
  return sent;
}

int WinsockTransport::Receive(unsigned long long socket, char* data, int size,
                              const Deadline& deadline) {
  SOCKET s = SOCKET(socket);
  if (!(tls_ && tlsSocket_ == socket)) {
    int received = recv(s, data, size, 0);
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return kWouldBlock;
    return received;
  }
  SocketWire wire(*this, socket, deadline);
  int got = tls_->Read(wire, data, size);
  if (got != TlsChannel::kNothingYet) return got;
  int room;
  char* space = tls_->RawSpace(&room);
  int received = room > 0 ? recv(s, space, room, 0) : SOCKET_ERROR;
  if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return kWouldBlock;
  if (received <= 0) return received;
  tls_->RawReceived(received);
  got = tls_->Read(wire, data, size);
  return got == TlsChannel::kNothingYet ? kWouldBlock : got;
}

// Sends `text`, then receives into `reply` (room for `size` bytes, each
// receive at most `chunk` bytes). Gathering goes on while data keeps coming,
// up to a full buffer, the peer's close or, with `complete`, a complete
// reply. The socket is non-blocking: no call can outlast the deadline.
int WinsockTransport::Exchange(unsigned long long socket, const char* text, char* reply,
                               int size, int chunk, bool gather, CompleteTest complete,
                               const Deadline& deadline) {
  failure_ = Failure::kNone;
  if (size > 0) memset(reply, 0, size_t(size));
  if (text && *text) {
    Wait failed;
    if (!Send(socket, text, int(strlen(text)), deadline, &failed))
      return Fail(socket, failed == Wait::kTimedOut ? Failure::kTimedOut : Failure::kRefused);
  }
  Wait wait = WaitFor(socket, false, deadline);
  if (wait != Wait::kReady)
    return Fail(socket, wait == Wait::kTimedOut ? Failure::kTimedOut : Failure::kRefused);
  // One byte of the buffer always stays for the terminator; the excess of a
  // longer reply is left unread.
  int length = 0;
  for (;;) {
    int room = size - 1 - length;
    if (room > chunk) room = chunk;
    if (room <= 0) break;
    int received = Receive(socket, reply + length, room, deadline);
    if (received == kWouldBlock) {
      received = 0;  // readiness without data: wait again below
    } else if (received <= 0) {
      break;  // closed or broken: the reply is what came
    }
    length += received;
    if (received > 0 && (!gather || length >= size - 1 ||
                         (complete && complete(reply, size_t(length))))) {
      break;
    }
    wait = WaitFor(socket, false, deadline);
    if (wait == Wait::kBroken) break;
    if (wait == Wait::kTimedOut) {
      // Without a completeness test the time ends the gathering; with one,
      // a reply cut short is no reply.
      if (complete || length == 0) {
        if (size > 0) reply[0] = '\0';
        return Fail(socket, complete ? Failure::kIncomplete : Failure::kTimedOut);
      }
      break;
    }
  }
  if (size > 0) reply[length] = '\0';
  return kExchangeOk;
}

long long WinsockTransport::OpenTcpConnection(const char* host, int port) {
  failure_ = Failure::kNone;
  if (check_.bounded() && check_.Left(Now()) == 0) {
    failure_ = Failure::kTimedOut;
    return kRequestTimedOut;
  }
  if (Cancelled()) {
    failure_ = Failure::kCancelled;
    return kRequestTimedOut;
  }
  // gethostbyname("") would name this machine: an empty setting is no host.
  hostent* entry = host && *host ? gethostbyname(host) : nullptr;
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0]) {
    failure_ = Failure::kHostUnknown;
    return kHostUnknown;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    failure_ = Failure::kNoSocket;
    return kNoSocket;
  }
  // Non-blocking for good: the connection comes up in the background (the
  // first readiness wait of the first exchange is what waits for it), and
  // no send or receive can block past a deadline.
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  BOOL inLine = TRUE;
  setsockopt(s, SOL_SOCKET, SO_OOBINLINE, reinterpret_cast<char*>(&inLine), sizeof inLine);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(u_short(port));
  memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    Fail(s, Failure::kRefused);
    return kRequestTimedOut;
  }
  return static_cast<long long>(s);
}

int WinsockTransport::SocketExchange(long long connection, const char* text, char* reply,
                                     int size, bool gather) {
  return Exchange((unsigned long long)connection, text, reply, size, size, gather, nullptr,
                  RequestDeadline());
}

int WinsockTransport::SocketExchangeLines(long long connection, const char* text, char* reply,
                                          int size) {
  return Exchange((unsigned long long)connection, text, reply, size, size, true,
                  Pop3MultilineComplete, RequestDeadline());
}

int WinsockTransport::StartTls(long long connection, const char* host) {
  unsigned long long s = (unsigned long long)connection;
  failure_ = Failure::kNone;
  delete tls_;
  tls_ = new TlsChannel;
  tlsSocket_ = s;
  SocketWire wire(*this, s, RequestDeadline());
  switch (tls_->Handshake(wire, host ? host : "")) {
    case TlsOutcome::kOk:
      return kExchangeOk;
    case TlsOutcome::kWireFailed:
      return Fail(s, wire.failure == Wait::kTimedOut ? Failure::kTimedOut : Failure::kRefused);
    case TlsOutcome::kUntrusted:
      return Fail(s, Failure::kUntrusted);
    case TlsOutcome::kNameMismatch:
      return Fail(s, Failure::kNameMismatch);
    case TlsOutcome::kExpired:
      return Fail(s, Failure::kExpired);
    default:
      return Fail(s, Failure::kTlsFailed);
  }
}

MailFailure WinsockTransport::LastMailFailure() const {
  switch (failure_) {
    case Failure::kHostUnknown: return MailFailure::kHostUnknown;
    case Failure::kNoSocket:
    case Failure::kRefused: return MailFailure::kNoConnection;
    case Failure::kTimedOut:
    case Failure::kIncomplete:
    case Failure::kCancelled: return MailFailure::kNoAnswer;
    case Failure::kUntrusted: return MailFailure::kCertUntrusted;
    case Failure::kNameMismatch: return MailFailure::kCertName;
    case Failure::kExpired: return MailFailure::kCertExpired;
    case Failure::kTlsFailed: return MailFailure::kTlsFailed;
    default: return MailFailure::kNone;
  }
}

void WinsockTransport::CloseConnection(long long connection) {
  Close((unsigned long long)connection);
}

int WinsockTransport::HttpRequest(const char* host, int port, const char* request,
                                  char* response, int size) {
  if (size > 0) response[0] = '\0';
  // The request's time runs from before the connection is opened.
  Deadline deadline = RequestDeadline();
  long long connection = OpenTcpConnection(host, port);
  if (connection < 0) return int(connection);
  unsigned long long s = (unsigned long long)connection;
  if (Exchange(s, request, response, size, kHttpChunkSize, true, HttpResponseComplete,
               deadline) != kExchangeOk)
    return kRequestTimedOut;
  Close(s);
  return kExchangeOk;
}
