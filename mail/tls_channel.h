// TLS over an open connection through the system's Schannel (SSPI of
// secur32, certificate checks of crypt32), both looked up at run time: no TLS
// code of our own, the system's trusted roots and the newest protocol the
// system offers. The bytes go through a wire the caller supplies, which
// carries the time limits.
#pragma once

#include <cstddef>

// Raw bytes of the connection under the TLS records.
class TlsWire {
 public:
  virtual ~TlsWire() = default;
  // Sends every byte; false when the time ran out or the connection broke.
  virtual bool SendAll(const char* data, int length) = 0;
  // Waits for bytes and takes at most `size`: the count, 0 when the peer
  // closed, -1 when the time ran out or the connection broke.
  virtual int ReceiveSome(char* data, int size) = 0;
};

enum class TlsOutcome {
  kOk,
  kUnavailable,   // the system has no usable Schannel
  kWireFailed,    // the wire's time ran out or it broke during the handshake
  kUntrusted,     // the certificate does not lead to a trusted root
  kNameMismatch,  // the certificate is not for the server name as typed
  kExpired,       // the certificate is out of its validity period
  kFailed,        // the handshake failed otherwise
};

class TlsChannel {
 public:
  TlsChannel();
  ~TlsChannel();
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  // The handshake for `host` (as typed; the certificate must name it), then
  // the certificate's checks. Only after kOk may anything be sent.
  TlsOutcome Handshake(TlsWire& wire, const char* host);
  // Encrypts and sends `length` bytes; false when the wire failed.
  bool Send(TlsWire& wire, const char* data, int length);
  // Room for raw bytes from the connection, and how many arrived there.
  char* RawSpace(int* room);
  void RawReceived(int count);
  // Decrypted bytes into `data` (at most `size`): the count, kNothingYet
  // when the raw bytes so far hold no whole record (the caller receives more
  // and calls again), 0 when the peer ended the session, -1 on a broken
  // record. The wire is used only when the server asks for a new handshake.
  static constexpr int kNothingYet = -2;
  int Read(TlsWire& wire, char* data, int size);
  // Whether Read may give something without more bytes from the
  // connection (decrypted bytes, or raw bytes not yet tried).
  bool Pending();

 private:
  struct Impl;
  Impl* impl_;
};
