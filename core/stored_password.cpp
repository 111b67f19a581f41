#include "core/stored_password.h"

#include "framework/ini_file.h"
#include "framework/text.h"

namespace {

bool ReadsBackUnchanged(const std::string& value) {
  if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  return ini::CookedValue(value) == value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = text::AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string Complemented(const std::string& bytes) {
  std::string out = bytes;
  for (char& c : out) c = char(255 - static_cast<unsigned char>(c));
  return out;
}

std::string StoredPassword(const std::string& plain) {
  std::string bytes = Complemented(plain);
  if (ReadsBackUnchanged(bytes)) return bytes;
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : bytes) {
    unsigned char b = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (b == 0 || c == '\r' || c == '\n') {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string PasswordFromStored(const std::string& raw) {
  std::string value = raw;
  size_t b = 0, e = value.size();
  while (b < e && text::IsBlank(value[b])) ++b;
  while (e > b && text::IsBlank(value[e - 1])) --e;
  value = value.substr(b, e - b);
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return Complemented(value);
  // Quoted: only this program writes a password so (a bare value between
  // quotes never read back whole), so the escapes are ours.
  std::string bytes;
  for (size_t i = 1; i + 1 < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 2 < value.size() && value[i + 1] == '\\') {
      bytes += '\\';
      ++i;
    } else if (c == '\\' && i + 4 < value.size() && value[i + 1] == 'x' &&
               HexDigit(value[i + 2]) >= 0 && HexDigit(value[i + 3]) >= 0) {
      bytes += char(HexDigit(value[i + 2]) * 16 + HexDigit(value[i + 3]));
      i += 3;
    } else {
      bytes += c;
    }
  }
  return Complemented(bytes);
}
