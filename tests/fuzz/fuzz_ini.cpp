// The profile parser under arbitrary files, as a user may leave them after
// editing by hand: lookups never read outside the text, the index agrees with
// the line-by-line lookup, and a value written is read back as written.
#include <cstdint>
#include <string>

#include "framework/ini_file.h"

namespace {

// A section or key name the writer can place: no NUL or line end, no '=' or ']',
// not starting with ';' or '[', no blanks at either end.
std::string Name(const std::string& s, const char* fallback) {
  std::string out;
  for (char c : s) {
    if (c && c != '\r' && c != '\n' && c != '=' && c != ']' && c != ' ' && c != '\t') out += c;
  }
  if (out.empty() || out[0] == ';' || out[0] == '[') return fallback;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t mark = 0;
  ini::DetectEncoding(text, &mark);
  if (mark > text.size()) __builtin_trap();

  // The first key=value line of the text names what is looked up and set.
  size_t eq = text.find('=');
  size_t lineStart = eq == std::string::npos ? 0 : text.find_last_of("\r\n", eq);
  lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
  std::string key = Name(eq == std::string::npos ? "" : text.substr(lineStart, eq - lineStart), "Key");
  size_t open = text.find('[');
  size_t close = open == std::string::npos ? std::string::npos : text.find(']', open);
  std::string section =
      Name(close == std::string::npos ? "" : text.substr(open + 1, close - open - 1), "Section");

  ini::Index index(text);
  std::string raw, indexed, cooked;
  bool found = ini::FindRawValue(text, section.c_str(), key.c_str(), &raw);
  if (found != index.FindRaw(section.c_str(), key.c_str(), &indexed)) __builtin_trap();
  if (found && raw != indexed) __builtin_trap();
  if (found != ini::FindValue(text, section.c_str(), key.c_str(), &cooked)) __builtin_trap();
  if (found && cooked != ini::CookedValue(raw)) __builtin_trap();
  ini::ParseInt(raw);

  // A value of the input's last bytes (no NUL or line end) is set and read back;
  // removing it again leaves the key absent.
  std::string value;
  for (size_t i = size > 40 ? size - 40 : 0; i < size; ++i) {
    if (text[i] && text[i] != '\r' && text[i] != '\n') value += text[i];
  }
  std::string set = ini::SetValue(text, section.c_str(), key.c_str(), value.c_str());
  std::string back;
  if (!ini::FindValue(set, section.c_str(), key.c_str(), &back) || back != ini::CookedValue(value)) __builtin_trap();
  std::string removed = ini::SetValue(set, section.c_str(), key.c_str(), nullptr);
  std::string left;
  if (ini::FindRawValue(removed, section.c_str(), key.c_str(), &left) &&
      !ini::FindRawValue(text, section.c_str(), key.c_str(), &left))
    __builtin_trap();
  return 0;
}
