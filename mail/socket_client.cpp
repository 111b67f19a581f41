#include "socket_client.h"

#include <winsock2.h>

#include <cstring>

#include "http_response.h"

namespace {

using CompleteTest = bool (*)(const char* data, size_t length);

// Success only when select reports exactly this socket within the wait.
bool WaitReady(SOCKET s, bool writable) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait = {WinsockTransport::kWaitSeconds, 0};
  return select(int(s) + 1, writable ? nullptr : &set, writable ? &set : nullptr, nullptr,
                &wait) == 1;
}
bool WaitReadable(SOCKET s) { return WaitReady(s, false); }
bool WaitWritable(SOCKET s) { return WaitReady(s, true); }

void Close(SOCKET s) {
  shutdown(s, SD_BOTH);
  closesocket(s);
}

// Sends `text`, then receives into `reply` (room for `size` bytes, each
// receive at most `chunk` bytes). Gathering goes on while data keeps coming,
// up to a full buffer or, with `complete`, a complete reply.
int Exchange(SOCKET s, const char* text, char* reply, int size, int chunk, bool gather,
             CompleteTest complete) {
  for (int remaining = text ? int(strlen(text)) : 0; remaining > 0;) {
    // A send error ends the exchange like a wait that ran out.
    int sent = WaitWritable(s) ? send(s, text, remaining, 0) : SOCKET_ERROR;
    if (sent <= 0) {
      Close(s);
      return kExchangeFailed;
    }
    text += sent;
    remaining -= sent;
  }
  if (size > 0) memset(reply, 0, size_t(size));
  if (!WaitReadable(s)) {
    Close(s);
    return kExchangeFailed;
  }
  // One byte of the buffer always stays for the terminator; the excess of a
  // longer reply is left unread.
  int length = 0;
  for (;;) {
    int room = size - 1 - length;
    if (room > chunk) room = chunk;
    if (room <= 0) break;
    int received = recv(s, reply + length, room, 0);
    if (received <= 0) break;
    length += received;
    if (!gather || length >= size - 1 || (complete && complete(reply, size_t(length)))) break;
    if (!WaitReadable(s)) break;
  }
  if (size > 0) reply[length] = '\0';
  return kExchangeOk;
}

}  // namespace

long long WinsockTransport::OpenTcpConnection(const char* host, int port) {
  hostent* entry = host ? gethostbyname(host) : nullptr;
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0])
    return kHostUnknown;
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return kNoSocket;
  // Connect in the background; the first readiness wait of the first
  // exchange is what waits for the connection.
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(u_short(port));
  memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
  connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  nonBlocking = 0;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  return static_cast<long long>(s);
}

int WinsockTransport::SocketExchange(long long connection, const char* text, char* reply,
                                     int size, bool gather) {
  return Exchange(SOCKET(connection), text, reply, size, size, gather, nullptr);
}

void WinsockTransport::CloseConnection(long long connection) { Close(SOCKET(connection)); }

int WinsockTransport::HttpRequest(const char* host, int port, const char* request,
                                  char* response, int size) {
  if (size > 0) response[0] = '\0';
  long long connection = OpenTcpConnection(host, port);
  if (connection < 0) return int(connection);
  SOCKET s = SOCKET(connection);
  if (Exchange(s, request, response, size, kHttpChunkSize, true, HttpResponseComplete) !=
      kExchangeOk)
    return kRequestTimedOut;
  Close(s);
  return kExchangeOk;
}
