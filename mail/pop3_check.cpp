#include "pop3_check.h"

#include <cstdio>
#include <cstring>

#include "httpmail_check.h"
#include "pop3_reply.h"

namespace {

constexpr int kPop3Port = 110;
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

int CheckPop3Account(MailTransport& transport, const char* server, const char* user,
                     const char* password, const char* httpMailHost) {
  if (!server) server = "";
  if (!user) user = "";
  if (!password) password = "";
  if (strcmp(server, "hotmail") == 0) {
    return CheckHttpMailAccount(transport, httpMailHost ? httpMailHost : "", user, password);
  }

  // An empty name would reach whatever listens on this machine.
  if (!*server) return kHostUnknown;
  long long connection = transport.OpenTcpConnection(server, kPop3Port);
  if (connection < 0) return int(connection);
  Pop3Dialogue pop3(transport, connection);

  char userCommand[kCommandSize], passCommand[kCommandSize];
  FormatCommand(userCommand, "USER", user);
  FormatCommand(passCommand, "PASS", password);
  // The greeting, then the login and STAT; a refusal at any step ends politely.
  const char* steps[] = {nullptr, userCommand, passCommand, "STAT\r\n"};
  for (const char* command : steps) {
    if (!pop3.Exchange(command)) return kRequestTimedOut;
    if (Pop3Refused(pop3.Reply())) return pop3.Quit(0);
  }
  return pop3.Quit(Pop3StatCount(pop3.Reply()));
}
