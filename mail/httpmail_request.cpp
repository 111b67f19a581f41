#include "mail/httpmail_request.h"

#include "mail/httpmail_parse.h"

namespace {

constexpr const char* kQueryHead =
    "<?xml version=\"1.0\"?><D:propfind xmlns:D=\"DAV:\" "
    "xmlns:hm=\"urn:schemas:httpmail:\"><D:prop>";
constexpr const char* kQueryTail = "</D:prop></D:propfind>\r\n\r\n";

}  // namespace

bool BuildHttpMailRequest(const HttpMailRequest& r, char* out, size_t size) {
  TextBuilder text(out, size);
  text.Add("PROPFIND ").Add(r.target).Add(" HTTP/1.1\r\n");
  text.Add("Depth: 0\r\nBrief: t\r\nContent-Type: text/xml\r\nAccept-Charset: UTF-16\r\n");
  text.Add("User-Agent: Outlook-Express/6\r\n");
  if (r.authorization) text.Add(r.authorization);
  text.Add("Host: ").Add(r.host).Add("\r\n");
  text.Add("Connection: Keep-Alive\r\nCache-Control: no-cache\r\n");
  if (r.cookies) text.Add(r.cookies);
  text.Add("\r\n");
  if (r.body == HttpMailBody::kFolderRoot) {
    text.Add(kQueryHead).Add("<hm:msgfolderroot/>").Add(kQueryTail);
  } else if (r.body == HttpMailBody::kUnreadCount) {
    text.Add(kQueryHead).Add("<hm:unreadcount/>").Add(kQueryTail);
  }
  return text.ok();
}
