#include "ini_file.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace ini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// One line of the file with the bounds of its content (without the line end).
struct Line {
  size_t begin, end, next;
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t next = nl == std::string::npos ? text.size() : nl + 1;
    size_t end = nl == std::string::npos ? text.size() : nl;
    if (end > pos && text[end - 1] == '\r') --end;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

// "[name]" gives true and the trimmed name.
bool SectionName(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  *name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// "key=value" gives true, the trimmed key and the raw value.
bool KeyLine(const std::string& line, std::string* key, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  std::string t = Trim(line);
  if (!t.empty() && t[0] == ';') return false;
  *key = Trim(line.substr(0, eq));
  *value = line.substr(eq + 1);
  return true;
}

}  // namespace

bool FindValue(const std::string& text, const char* section, const char* key, std::string* value) {
  bool inSection = false;
  for (const Line& l : SplitLines(text)) {
    std::string line = text.substr(l.begin, l.end - l.begin);
    std::string name, k, v;
    if (SectionName(line, &name)) {
      inSection = SameName(name, section);
    } else if (inSection && KeyLine(line, &k, &v) && SameName(k, key)) {
      v = Trim(v);
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      *value = v;
      return true;
    }
  }
  return false;
}

std::string SetValue(const std::string& text, const char* section, const char* key, const char* value) {
  std::vector<Line> lines = SplitLines(text);
  bool inSection = false, found = false;
  size_t keyLine = 0, sectionEnd = 0;  // index of the key's line; line after the section's last entry
  for (size_t i = 0; i < lines.size() && !found; ++i) {
    std::string line = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
    std::string name, k, v;
    if (SectionName(line, &name)) {
      if (inSection) break;  // first matching section ends here
      inSection = SameName(name, section);
      if (inSection) sectionEnd = i + 1;
    } else if (inSection) {
      if (KeyLine(line, &k, &v) && SameName(k, key)) {
        found = true;
        keyLine = i;
      } else if (!Trim(line).empty()) {
        sectionEnd = i + 1;
      }
    }
  }

  std::string entry = value ? std::string(key) + "=" + value + "\r\n" : std::string();
  if (found) {
    return text.substr(0, lines[keyLine].begin) + entry + text.substr(lines[keyLine].next);
  }
  if (!value) return text;
  if (inSection) {
    size_t at = sectionEnd < lines.size() ? lines[sectionEnd].begin : text.size();
    std::string before = text.substr(0, at);
    if (!before.empty() && before.back() != '\n') before += "\r\n";
    return before + entry + text.substr(at);
  }
  std::string out = text;
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out + "[" + section + "]\r\n" + entry;
}

int ParseInt(const std::string& value) {
  size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  long long n = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > INT_MAX) {
      n = negative ? -(long long)INT_MIN : INT_MAX;
      break;
    }
  }
  return int(negative ? -n : n);
}

std::string ReadFile(const char* path) {
  std::string text;
  FILE* f = std::fopen(path, "rb");
  if (!f) return text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  return text;
}

bool WriteFile(const char* path, const std::string& text) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace ini
