// A listening socket on a loopback address, for the scripted peers.
#pragma once
#include <winsock2.h>

// INVALID_SOCKET when the address and port cannot be bound.
inline SOCKET ListenOnLoopback(const char* address, int port, int backlog) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  BOOL reuse = TRUE;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&reuse), sizeof reuse);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_port = htons(u_short(port));
  at.sin_addr.s_addr = inet_addr(address);
  if (bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && listen(listener, backlog) == 0)
    return listener;
  closesocket(listener);
  return INVALID_SOCKET;
}
