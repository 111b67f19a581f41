// What the user is told about failed mail checks: one line per failed
// account in the tray icon's tip. Pure.
#pragma once

#include <cstddef>

#include "mail/mail_transport.h"

// The reason in the program's words; empty for kNone.
const char* MailFailureText(MailFailure why);

// The tip: `base`, then for each failed account a line "アカウントN: reason",
// cut to fit `size` bytes (the tray keeps 128) without splitting a
// character of code page 932.
void FormatMailTip(char* tip, size_t size, const char* base, const MailFailure why[3]);
