#include "mail/httpmail_check.h"

#include <cstdio>
#include <cstring>

#include "mail/digest.h"
#include "mail/httpmail_parse.h"
#include "mail/httpmail_request.h"
#include "mail/md5.h"

namespace {

constexpr int kMaxFollowUps = 14;

// The working texts of one check; nothing outlives the call.
struct Dialogue {
  MailTransport& transport;
  char request[kHttpResponseSize];
  char response[kHttpResponseSize];
  size_t responseLength = 0;
  char host[512];  // may end in ":port"
  char path[512];
  char uri[512];
  char realm[128];
  char nonce[512];
  char cookies[kHttpResponseSize];
  char authorization[kHttpResponseSize];

  explicit Dialogue(MailTransport& t) : transport(t) {}

  // Builds the request for the current host; then sends it and keeps the
  // response. 1 sent, 0 the request could not be built, -1 no host or a
  // socket failure.
  int Send(const char* target, const char* authorizationLine, bool withCookies, HttpMailBody body) {
    if (withCookies && !CollectCookies(response, responseLength, cookies, sizeof cookies)) return 0;
    HttpMailRequest r = {target, host, authorizationLine, withCookies ? cookies : nullptr, body};
    char name[512];
    int port;
    if (!BuildHttpMailRequest(r, request, sizeof request) ||
        !SplitHostPort(host, name, sizeof name, &port)) {
      return 0;
    }
    if (!*name) return -1;  // no host named: nothing is sent
    response[0] = '\0';
    if (transport.HttpRequest(name, port, request, response, sizeof response) != kExchangeOk) {
      return -1;
    }
    // The transport terminates the text; stop at the buffer's end regardless.
    const void* end = memchr(response, '\0', sizeof response);
    responseLength = end ? size_t(static_cast<const char*>(end) - response) : sizeof response;
    return 1;
  }

  int Redirect() {
    if (!ParseRedirect(response, responseLength, host, sizeof host, path, sizeof path)) return 0;
    return Send(path, nullptr, true, HttpMailBody::kFolderRoot);
  }

  int Challenge(int counter, const char* user, const char* password) {
    if (!ParseChallenge(response, responseLength, nonce, sizeof nonce, realm, sizeof realm)) return 0;
    // The request line keeps the query; the Digest uri and HA2 do not.
    strcpy(uri, path);
    if (char* query = strchr(path, '?')) *query = '\0';
    char counterText[16], cnonce[33];
    snprintf(counterText, sizeof counterText, "%d", counter);
    Md5Hex(counterText, cnonce);
    DigestParams digest = {"PROPFIND", user, realm, password, path, nonce, cnonce};
    if (!BuildDigestAuthorization(digest, authorization, sizeof authorization)) return 0;
    return Send(uri, authorization, true, HttpMailBody::kFolderRoot);
  }
};

}  // namespace

int CheckHttpMailAccount(MailTransport& transport, const char* serviceHost, const char* user,
                         const char* password) {
  // No service configured: the account's name and password go nowhere (an
  // empty name would resolve to this very machine).
  if (!serviceHost || !*serviceHost) return kHostUnknown;
  Dialogue d(transport);  // about 43 KB of fixed buffers, on the stack
  // A 401 before any redirect is answered on the host and path that drew it.
  if (!CopyText(serviceHost, 0, strlen(serviceHost), d.host, sizeof d.host)) return 0;
  strcpy(d.path, kHttpMailStartPath);
  int sent = d.Send(kHttpMailStartPath, nullptr, false, HttpMailBody::kNone);
  if (sent <= 0) return sent;
  HttpMailStatus status;
  for (int counter = 0;;) {
    status = ClassifyHttpMailStatus(d.response, d.responseLength);
    if (status == HttpMailStatus::kRefused) return 0;
    if (status != HttpMailStatus::kRedirect && status != HttpMailStatus::kChallenge) break;
    if (counter == kMaxFollowUps) return 0;
    ++counter;
    sent = status == HttpMailStatus::kRedirect ? d.Redirect() : d.Challenge(counter, user, password);
    if (sent <= 0) return sent;
  }
  if (status != HttpMailStatus::kMultiStatus) return 0;
  if (!ParseFolderRoot(d.response, d.responseLength, d.host, sizeof d.host, d.path, sizeof d.path)) {
    return 0;
  }
  sent = d.Send(d.path, nullptr, true, HttpMailBody::kUnreadCount);
  if (sent <= 0) return sent;
  int count = ParseUnreadCount(d.response, d.responseLength);
  return count < 0 ? 0 : count;
}
