#include "archivers/core/safe_name.h"

#include <cstring>

namespace arc {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 and COM/LPT with a superscript digit,
// alone or before any extension: Windows opens the device for them.
bool IsDeviceName(const std::string& part, NameCharset charset) {
  std::string stem = part.substr(0, part.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::string upper;
  for (char c : stem) upper += Upper(c);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
      upper == "CONOUT$")
    return true;
  if (upper.size() >= 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0)) {
    std::string digit = upper.substr(3);
    if (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') return true;
    // Superscript one, two, three count as digits (UTF-8 C2 B9 / B2 / B3).
    if (charset == NameCharset::Utf8 && digit.size() == 2 && static_cast<unsigned char>(digit[0]) == 0xC2) {
      unsigned char d = static_cast<unsigned char>(digit[1]);
      if (d == 0xB9 || d == 0xB2 || d == 0xB3) return true;
    }
  }
  return false;
}

Status CheckPart(const std::string& part, NameCharset charset) {
  if (part == "..") return kErrorUnsafeName;
  bool cp932 = charset == NameCharset::Cp932;
  for (size_t i = 0; i < part.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(part[i]);
    if (cp932 && IsCp932Lead(c)) {
      if (i + 1 >= part.size()) return kErrorUnsafeName;  // a lead byte with no trail
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F || strchr(":<>\"|?*", c)) return kErrorUnsafeName;
  }
  char last = part.back();
  // Windows drops a trailing dot or space, so "a." would open "a".
  if (last == '.' || last == ' ') {
    // ...unless the dot ends a double-byte character.
    bool trail = false;
    if (cp932) {
      for (size_t i = 0; i < part.size(); ++i) {
        if (IsCp932Lead(static_cast<unsigned char>(part[i])) && i + 1 < part.size()) {
          if (i + 1 == part.size() - 1) trail = true;
          ++i;
        }
      }
    }
    if (!trail) return kErrorUnsafeName;
  }
  if (IsDeviceName(part, charset)) return kErrorUnsafeName;
  return kOk;
}

// Splits at separators; true when the name starts with one (absolute).
bool Split(const std::string& name, NameCharset charset, std::vector<std::string>& parts) {
  parts.clear();
  std::string current;
  bool cp932 = charset == NameCharset::Cp932;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (cp932 && IsCp932Lead(c) && i + 1 < name.size()) {
      current += name[i];
      current += name[++i];
      continue;
    }
    if (c == '/' || c == '\\') {
      parts.push_back(current);
      current.clear();
    } else {
      current += name[i];
    }
  }
  parts.push_back(current);
  return !name.empty() && (name[0] == '/' || name[0] == '\\');
}

}  // namespace

Status SplitSafeName(const std::string& name, NameCharset charset, std::vector<std::string>& parts) {
  std::vector<std::string> raw;
  if (Split(name, charset, raw)) {
    parts.clear();
    return kErrorUnsafeName;
  }
  parts.clear();
  for (const std::string& part : raw) {
    if (part.empty() || part == ".") continue;
    Status s = CheckPart(part, charset);
    if (s != kOk) {
      parts.clear();
      return s;
    }
    parts.push_back(part);
  }
  // "./" (tar and bsdtar store the root so) names the output folder itself.
  return parts.empty() && name.find('.') == std::string::npos ? kErrorUnsafeName : kOk;
}

Status ResolveLinkTarget(const std::vector<std::string>& linkParts, const std::string& target, NameCharset charset,
                         std::vector<std::string>& targetParts) {
  targetParts.clear();
  std::vector<std::string> raw;
  if (target.empty() || Split(target, charset, raw)) return kErrorUnsafeName;
  // Relative to the folder that holds the link.
  std::vector<std::string> result(linkParts.begin(), linkParts.empty() ? linkParts.end() : linkParts.end() - 1);
  for (const std::string& part : raw) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (result.empty()) return kErrorUnsafeName;
      result.pop_back();
      continue;
    }
    if (CheckPart(part, charset) != kOk) return kErrorUnsafeName;
    result.push_back(part);
  }
  if (result.empty()) return kErrorUnsafeName;
  targetParts = result;
  return kOk;
}

bool IsValidUtf8(const uint8_t* p, size_t n, bool& multiByte) {
  for (size_t i = 0; i < n;) {
    uint8_t c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
    else return false;
    if (len > n - i) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    multiByte = true;
    i += len;
  }
  return true;
}

}  // namespace arc
