#include "mail/digest.h"

#include <initializer_list>

#include "mail/httpmail_parse.h"
#include "mail/md5.h"

namespace {

// MD5 hex of the texts joined by ':' (each piece streamed, so no scratch
// buffer limits the user name, password or nonce).
void Md5HexJoined(std::initializer_list<const char*> pieces, char out[33]) {
  Md5 md5;
  bool first = true;
  for (const char* piece : pieces) {
    if (!first) md5.Update(":", 1);
    md5.Update(piece);
    first = false;
  }
  md5.FinishHex(out);
}

}  // namespace

void DigestResponse(const DigestParams& p, char out[33]) {
  char ha1[33], ha2[33];
  Md5HexJoined({p.user, p.realm, p.password}, ha1);
  Md5HexJoined({p.method, p.uri}, ha2);
  Md5HexJoined({ha1, p.nonce, "00000001", p.cnonce, "auth", ha2}, out);
}

bool BuildDigestAuthorization(const DigestParams& p, char* out, size_t size) {
  char response[33];
  DigestResponse(p, response);
  TextBuilder line(out, size);
  line.Add("Authorization: Digest username=\"").Add(p.user).Add("\", realm=\"").Add(p.realm);
  line.Add("\", qop=\"auth\", algorithm=\"MD5\", uri=\"").Add(p.uri).Add("\", nonce=\"");
  line.Add(p.nonce).Add("\", nc=00000001, cnonce=\"").Add(p.cnonce).Add("\", response=\"");
  line.Add(response).Add("\"\r\n");
  return line.ok();
}
