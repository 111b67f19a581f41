// A listening socket on a loopback address, for the scripted peers.
#pragma once
#include <winsock2.h>

// INVALID_SOCKET when the address and port cannot be bound. Port 0 takes a
// free port; BoundPort tells which.
inline SOCKET ListenOnLoopback(const char* address, int port, int backlog) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  if (port != 0) {
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&reuse), sizeof reuse);
  }
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_port = htons(u_short(port));
  at.sin_addr.s_addr = inet_addr(address);
  if (bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && listen(listener, backlog) == 0)
    return listener;
  closesocket(listener);
  return INVALID_SOCKET;
}

// The local port of a bound socket; 0 when there is none.
inline int BoundPort(SOCKET s) {
  sockaddr_in at = {};
  int length = sizeof at;
  if (s == INVALID_SOCKET || getsockname(s, reinterpret_cast<sockaddr*>(&at), &length) != 0)
    return 0;
  return ntohs(at.sin_port);
}

// A loopback port that nothing listens on: bound once, then let go.
inline int FreeLoopbackPort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = inet_addr("127.0.0.1");
  int port = bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 ? BoundPort(s) : 0;
  closesocket(s);
  return port;
}
