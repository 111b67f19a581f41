// The POP3 check: the message count of a mailbox from STAT. Pure.
#pragma once

#include "mail_transport.h"

// The message count, 0 after a refusal, or -1 / -2 / -4. A server name of
// exactly "hotmail" runs the HTTPMail check at httpMailHost instead (none
// when httpMailHost is empty: -1, nothing sent).
int CheckPop3Account(MailTransport& transport, const char* server, const char* user,
                     const char* password, const char* httpMailHost);
