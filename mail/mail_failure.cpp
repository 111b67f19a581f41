#include "mail/mail_failure.h"

#include <cstdio>
#include <cstring>

#include "framework/text.h"

const char* MailFailureText(MailFailure why) {
  switch (why) {
    case MailFailure::kHostUnknown: return "サーバーが見つかりません";
    case MailFailure::kNoConnection: return "接続できません";
    case MailFailure::kNoAnswer: return "応答がありません";
    case MailFailure::kLoginRefused: return "ログインが拒否されました";
    case MailFailure::kStlsRefused: return "STARTTLSが使えません";
    case MailFailure::kCertUntrusted: return "証明書が信頼できません";
    case MailFailure::kCertName: return "証明書の名前が違います";
    case MailFailure::kCertExpired: return "証明書の期限切れ";
    case MailFailure::kTlsFailed: return "暗号化できません";
    default: return "";
  }
}

void FormatMailTip(char* tip, size_t size, const char* base, const MailFailure why[3]) {
  if (size == 0) return;
  static const char* const kAccounts[] = {"アカウント１", "アカウント２", "アカウント３"};
  char text[512];
  size_t length = size_t(snprintf(text, sizeof text, "%s", base));
  for (int i = 0; i < 3 && length < sizeof text; ++i) {
    if (why[i] == MailFailure::kNone) continue;
    length += size_t(snprintf(text + length, sizeof text - length, "\n%s: %s", kAccounts[i],
                              MailFailureText(why[i])));
  }
  // Whole characters only: a lead byte is never left without its trail.
  size_t n = 0;
  while (text[n] && n + 1 < size) {
    size_t step = text::IsLeadByte(static_cast<unsigned char>(text[n])) && text[n + 1] ? 2 : 1;
    if (n + step >= size) break;
    n += step;
  }
  memcpy(tip, text, n);
  tip[n] = '\0';
}
