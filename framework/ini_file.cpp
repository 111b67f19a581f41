#include "framework/ini_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/text.h"

namespace ini {
namespace {

using text::IsBlank;

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string Lowered(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = text::AsciiLower(c);
  return out;
}

// One line of the file with the bounds of its content (without the line end).
struct Line {
  size_t begin, end, next;
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    size_t next;
    if (end == std::string::npos) {
      end = next = text.size();
    } else {
      next = end + 1;
      if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    }
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

// Calls visit(section, key, raw value) for each entry until it returns false.
template <typename Visit>
void ForEachEntry(const std::string& text, Visit visit) {
  std::string section;
  bool inSection = false;
  for (const Line& l : SplitLines(text)) {
    std::string line = text.substr(l.begin, l.end - l.begin);
    std::string name, k, v;
    if (SectionName(line, &name)) {
      section = name;
      inSection = true;
    } else if (inSection && KeyLine(line, &k, &v)) {
      if (!visit(section, k, v)) return;
    }
  }
}

}  // namespace

Encoding DetectEncoding(const std::string& bytes, size_t* markLength) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    *markLength = 3;
    return Encoding::kUtf8;
  }
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
    *markLength = 2;
    return Encoding::kUtf16Le;
  }
  *markLength = 0;
  return Encoding::kAnsi;
}

std::string CookedValue(const std::string& raw) {
  std::string v = Trim(raw);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

bool FindRawValue(const std::string& text, const char* section, const char* key, std::string* raw) {
  bool found = false;
  ForEachEntry(text, [&](const std::string& s, const std::string& k, const std::string& v) {
    if (!text::EqualsNoCase(s, section) || !text::EqualsNoCase(k, key)) return true;
    *raw = v;
    found = true;
    return false;
  });
  return found;
}

bool FindValue(const std::string& text, const char* section, const char* key, std::string* value) {
  std::string raw;
  if (!FindRawValue(text, section, key, &raw)) return false;
  *value = CookedValue(raw);
  return true;
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
      inSection = text::EqualsNoCase(name, section);
      if (inSection) sectionEnd = i + 1;
    } else if (inSection) {
      if (KeyLine(line, &k, &v) && text::EqualsNoCase(k, key)) {
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
  auto endsLine = [](const std::string& s) { return s.back() == '\n' || s.back() == '\r'; };
  if (inSection) {
    size_t at = sectionEnd < lines.size() ? lines[sectionEnd].begin : text.size();
    std::string before = text.substr(0, at);
    if (!before.empty() && !endsLine(before)) before += "\r\n";
    return before + entry + text.substr(at);
  }
  std::string out = text;
  if (!out.empty() && !endsLine(out)) out += "\r\n";
  return out + "[" + section + "]\r\n" + entry;
}

int ParseInt(const std::string& value) { return text::ParseDecimal(value.data(), value.size()); }

Index::Index(const std::string& text) {
  ForEachEntry(text, [&](const std::string& s, const std::string& k, const std::string& v) {
    entries_.emplace(Lowered(s) + '\n' + Lowered(k), v);
    return true;
  });
}

bool Index::FindRaw(const char* section, const char* key, std::string* raw) const {
  auto it = entries_.find(Lowered(section) + '\n' + Lowered(key));
  if (it == entries_.end()) return false;
  *raw = it->second;
  return true;
}

bool ReadFile(const char* path, std::string* bytes) {
  bytes->clear();
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

std::string ReadFile(const char* path) {
  std::string bytes;
  ReadFile(path, &bytes);
  return bytes;
}

bool WriteFile(const char* path, const std::string& text) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fflush(f) == 0 && ok;
  return std::fclose(f) == 0 && ok;
}

}  // namespace ini
