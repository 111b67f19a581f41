#include "mail_check.h"

int MailCounts[3] = {0, 0, 0};

// The accounts are checked once the mail client exists.
void RunMailCheck(HWND) {}
