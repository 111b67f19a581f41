#include "mail/pop3_check.h"

#include <cstdio>
#include <cstring>

#include "mail/httpmail_check.h"
#include "mail/pop3_reply.h"

namespace {

constexpr int kPop3Port = 110;
constexpr int kPop3sPort = 995;
constexpr int kCommandSize = 512;

// "VERB argument\r\n"; an argument too long for the buffer is cut so that the
// command still ends with its CRLF.
void FormatCommand(char (&command)[kCommandSize], const char* verb, const char* argument) {
  int room = kCommandSize - 1 - int(strlen(verb)) - 3;  // space, CR, LF
  int length = int(strnlen(argument, size_t(room)));
  snprintf(command, sizeof command, "%s %.*s\r\n", verb, length, argument);
}

class Pop3Dialogue {
 public:
  Pop3Dialogue(MailTransport& transport, long long connection)
      : transport_(transport), connection_(connection) {}

  // One command (none for the greeting) and its reply; false when a wait ran
  // out, and the connection is then already closed.
  bool Exchange(const char* command) {
    return transport_.SocketExchange(connection_, command, reply_, sizeof reply_, false) ==
           kExchangeOk;
  }
  // A command with a multi-line reply (CAPA).
  bool ExchangeLines(const char* command) {
    return transport_.SocketExchangeLines(connection_, command, reply_, sizeof reply_) ==
           kExchangeOk;
  }
  bool StartTls(const char* host) { return transport_.StartTls(connection_, host) == kExchangeOk; }
  const char* Reply() const { return reply_; }

  // QUIT, its reply unread, then the connection closed: `result`, or -4 when
  // QUIT is not answered in time.
  int Quit(int result) {
    if (!Exchange("QUIT\r\n")) return kRequestTimedOut;
    transport_.CloseConnection(connection_);
    return result;
  }

 private:
  MailTransport& transport_;
  long long connection_;
  char reply_[kPop3ReplySize];
};

}  // namespace

int Pop3Port(int security, int port) {
  if (port >= 1 && port <= 65535) return port;
  return security == kPop3Tls ? kPop3sPort : kPop3Port;
}

int CheckPop3Account(MailTransport& transport, const char* server, const char* user,
                     const char* password, int security, int port, const char* httpMailHost,
                     MailFailure* why) {
  MailFailure ignored;
  if (!why) why = &ignored;
  *why = MailFailure::kNone;
  if (!server) server = "";
  if (!user) user = "";
  if (!password) password = "";
  // A failure of the transport, with the reason it knows best.
  auto failed = [&](int code) {
    MailFailure known = transport.LastMailFailure();
    if (known != MailFailure::kNone) {
      *why = known;
    } else {
      *why = code == kHostUnknown ? MailFailure::kHostUnknown
             : code == kNoSocket  ? MailFailure::kNoConnection
                                  : MailFailure::kNoAnswer;
    }
    return code;
  };
  if (strcmp(server, "hotmail") == 0) {
    int count = CheckHttpMailAccount(transport, httpMailHost ? httpMailHost : "", user, password);
    return count < 0 ? failed(count) : count;
  }

  // An empty name would reach whatever listens on this machine.
  if (!*server) {
    *why = MailFailure::kHostUnknown;
    return kHostUnknown;
  }
  long long connection = transport.OpenTcpConnection(server, Pop3Port(security, port));
  if (connection < 0) return failed(int(connection));
  Pop3Dialogue pop3(transport, connection);
  // POP3S: TLS before the greeting; the server name is checked as typed.
  if (security == kPop3Tls && !pop3.StartTls(server)) return failed(kRequestTimedOut);
  if (!pop3.Exchange(nullptr)) return failed(kRequestTimedOut);
  if (Pop3Refused(pop3.Reply())) {
    *why = MailFailure::kLoginRefused;
    return pop3.Quit(0);
  }
  if (security == kPop3StartTls) {
    // No STLS offered or STLS refused: the check ends, nothing more in clear.
    if (!pop3.ExchangeLines("CAPA\r\n")) return failed(kRequestTimedOut);
    bool offered = Pop3CapaHasStls(pop3.Reply());
    if (offered && !pop3.Exchange("STLS\r\n")) return failed(kRequestTimedOut);
    if (!offered || Pop3Refused(pop3.Reply())) {
      *why = MailFailure::kStlsRefused;
      return pop3.Quit(0);
    }
    if (!pop3.StartTls(server)) return failed(kRequestTimedOut);
  }

  char userCommand[kCommandSize], passCommand[kCommandSize];
  FormatCommand(userCommand, "USER", user);
  FormatCommand(passCommand, "PASS", password);
  // The login and STAT; a refusal at any step ends politely.
  const char* steps[] = {userCommand, passCommand, "STAT\r\n"};
  for (const char* command : steps) {
    if (!pop3.Exchange(command)) return failed(kRequestTimedOut);
    if (Pop3Refused(pop3.Reply())) {
      *why = MailFailure::kLoginRefused;
      return pop3.Quit(0);
    }
  }
  int count = pop3.Quit(Pop3StatCount(pop3.Reply()));
  return count < 0 ? failed(count) : count;
}

int CheckPop3Account(MailTransport& transport, const char* server, const char* user,
                     const char* password, const char* httpMailHost) {
  return CheckPop3Account(transport, server, user, password, kPop3Plain, 0, httpMailHost, nullptr);
}
