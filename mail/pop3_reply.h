// Reading the replies of a POP3 server. Pure; the replies are terminated
// texts of any content.
#pragma once

#include <cstddef>

// Whether the reply refuses: its first 4 characters are "-ERR" in any case.
// Anything else (a positive indicator, an empty reply, other text) accepts.
bool Pop3Refused(const char* reply);

// The fields of a STAT reply read as "%s %d %d": the first word (cut to fit
// its 128 bytes), the message count and the mailbox size.
struct Pop3Stat {
  char word[128];
  int count;      // 0 unless hasCount
  bool hasCount;
  int size;       // 0 unless hasSize
  bool hasSize;
};
Pop3Stat ParsePop3Stat(const char* reply);

// The message count of a STAT reply: 0 when the reply carries no count or a
// negative one, INT_MAX at most.
int Pop3StatCount(const char* reply);

// Whether a multi-line reply (CAPA) has come whole: its closing line ".",
// or a first line that refuses.
bool Pop3MultilineComplete(const char* data, size_t length);

// Whether a CAPA reply lists STLS (a capability line of its own, any case).
bool Pop3CapaHasStls(const char* reply);
