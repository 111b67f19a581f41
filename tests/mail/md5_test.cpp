// MD5 against the test suite of RFC 1321 and the padding boundaries (the
// expected values were computed independently, with Python's hashlib).
#include "mail/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const std::string& text) {
  char out[33];
  Md5Hex(text.c_str(), out);
  return out;
}

TEST(Md5Hex, Rfc1321Suite) {
  EXPECT_EQ(Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Hex("1234567890123456789012345678901234567890"
                "1234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Hex, PaddingBoundaries) {
  const struct {
    size_t length;
    const char* digest;
  } cases[] = {
      {55, "04364420e25c512fd958a70738aa8f72"},  {56, "668a72d5ba17f08e62dabcafad6db14b"},
      {57, "693037871c4a9d3d8685018905cb530a"},  {63, "7dc2ca208106a2f703567bdff99d8981"},
      {64, "c1bb4f81d892b2d57947682aeb252456"},  {65, "1bc932052302d074bdec39795fe00cf6"},
      {119, "ab347a5f68c8a443cfcddc633f12c24f"}, {120, "fb98667f98096de92620b64f46e1c5b5"},
      {128, "d69cb61a6ee87200676eb0d4b90edbcb"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(std::string(c.length, 'x')), c.digest) << c.length;
}

TEST(Md5Hex, MillionBytesInUnevenPieces) {
  Md5 md5;
  std::string piece(997, 'a');
  size_t left = 1000000;
  while (left > 0) {
    size_t n = left < piece.size() ? left : piece.size();
    md5.Update(piece.data(), n);
    left -= n;
  }
  char out[33];
  md5.FinishHex(out);
  EXPECT_STREQ(out, "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5Hex, HighBytesOfCodePage932) {
  // "受信箱" in Shift-JIS: bytes above 0x7f must not be sign-extended.
  EXPECT_EQ(Hex("\x8e\xf3\x90\x4d\x94\xa0"), "f8ca7c44ef84ab20de24b3c782ea00d7");
}

}  // namespace
