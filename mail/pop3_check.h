// The POP3 check: the message count of a mailbox from STAT, in plain text,
// after STLS, or over TLS from the first byte. Pure.
#pragma once

#include "mail/mail_transport.h"

// How an account's connection is secured (the profile's Security1..3).
enum Pop3Security {
  kPop3Plain = 0,     // plain text, as POP3 always was
  kPop3StartTls = 1,  // STLS on the POP3 port
  kPop3Tls = 2,       // TLS from the first byte (POP3S)
};

// The port to use: `port` when it is 1..65535, otherwise the mode's
// standard port (110, 110, 995).
int Pop3Port(int security, int port);

// The message count, 0 after a refusal, or -1 / -2 / -4; *why (when given)
// tells why a check failed (kNone after a success). With STLS or TLS the
// password is sent only inside TLS with a certificate that passed: STLS
// missing from CAPA or refused ends the check before USER. A server name of
// exactly "hotmail" runs the HTTPMail check at httpMailHost instead (none
// when httpMailHost is empty: -1, nothing sent).
int CheckPop3Account(MailTransport& transport, const char* server, const char* user,
                     const char* password, int security, int port, const char* httpMailHost,
                     MailFailure* why);
// Plain text on port 110.
int CheckPop3Account(MailTransport& transport, const char* server, const char* user,
                     const char* password, const char* httpMailHost);
