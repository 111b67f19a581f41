// The HTTPMail check: the unread count of a mailbox through WebDAV PROPFIND
// requests with redirects, cookies and HTTP Digest authentication. Pure.
#pragma once

#include "mail/mail_transport.h"

// The unread count, 0 (unexpected answer, too many follow-ups, no inbox) or
// -1 (a request failed at the socket level). The dialogue starts at
// serviceHost (port 80, or host:port) and follows the hosts the service names;
// an empty serviceHost gives -1 without any request.
int CheckHttpMailAccount(MailTransport& transport, const char* serviceHost, const char* user,
                         const char* password);
