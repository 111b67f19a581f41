#include "media/playlist_file.h"

#include <windows.h>

#include <cstring>

#include "framework/text.h"
#include "framework/wide_text.h"

namespace m3u {

namespace {

// The lines of a text: a line ends at LF, a CR before it is dropped, the last
// line needs no line end. Empty lines, lines longer than `maxLength` and lines
// with a zero (which would end the path early) are skipped whole.
template <typename Char>
std::vector<std::basic_string<Char>> Lines(const std::basic_string<Char>& text, size_t maxLength) {
  std::vector<std::basic_string<Char>> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(Char('\n'), start);
    if (end == std::basic_string<Char>::npos) end = text.size();
    size_t length = end - start;
    if (length && text[end - 1] == Char('\r')) --length;
    if (length && length <= maxLength && !std::char_traits<Char>::find(text.data() + start, length, Char(0)))
      lines.emplace_back(text, start, length);
    start = end + 1;
  }
  return lines;
}

// Wide text in the program's form; false when a character has no exact
// counterpart there (a look-alike such as e for é would name another file).
// The way back tells, on every system the program runs on.
bool ToProgramForm(const std::wstring& wide, std::string* out) {
  *out = Narrow(wide, CP_ACP);
  return !out->empty() && Widen(*out, CP_ACP) == wide;
}

std::string Utf8Of(const std::string& programText) { return Narrow(Widen(programText, CP_ACP), CP_UTF8); }

}  // namespace

std::vector<std::string> ParseList(const std::string& bytes) { return Lines(bytes, kMaxPathBytes); }

bool IsUtf8ListName(const std::string& path) {
  return path.size() >= 5 && lstrcmpiA(path.c_str() + path.size() - 5, ".m3u8") == 0;
}

Encoding DetectEncoding(const std::string& bytes, bool utf8List, size_t* markLength) {
  *markLength = 0;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    *markLength = 3;
    return Encoding::kUtf8;
  }
  if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
    *markLength = 2;
    return bytes[0] == '\xFF' ? Encoding::kUtf16Le : Encoding::kUtf16Be;
  }
  return utf8List ? Encoding::kUtf8 : Encoding::kSystem;
}

ListText ReadList(const std::string& bytes, bool utf8List) {
  ListText list;
  size_t mark = 0;
  Encoding encoding = DetectEncoding(bytes, utf8List, &mark);
  if (encoding == Encoding::kSystem) {
    list.entries = ParseList(bytes);
    return list;
  }
  std::wstring text;
  if (encoding == Encoding::kUtf8) {
    text = Widen(bytes.data() + mark, bytes.size() - mark, CP_UTF8);
  } else {
    bool bigEndian = encoding == Encoding::kUtf16Be;
    for (size_t i = mark; i + 1 < bytes.size(); i += 2) {
      unsigned char first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
      text += wchar_t(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
  }
  // A path longer in characters than kMaxPathBytes is longer in bytes too.
  for (const std::wstring& line : Lines(text, kMaxPathBytes)) {
    std::string path;
    if (ToProgramForm(line, &path) && path.size() <= kMaxPathBytes)
      list.entries.push_back(path);
    else
      ++list.lost;
  }
  return list;
}

std::string FormatList(const std::vector<std::string>& paths) {
  std::string bytes;
  for (const std::string& path : paths) {
    bytes += path;
    bytes += "\r\n";
  }
  return bytes;
}

std::string FormatList(const std::vector<std::string>& paths, bool utf8List) {
  if (!utf8List) return FormatList(paths);
  std::string bytes;
  for (const std::string& path : paths) bytes += Utf8Of(path) + "\r\n";
  return bytes;
}

namespace {
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool HasDrive(const std::string& path) { return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':'; }
}  // namespace

bool IsAbsolute(const std::string& path) {
  return HasDrive(path) || (!path.empty() && IsSeparator(path[0]));
}

std::string ResolveEntry(const std::string& listFolder, const std::string& entry) {
  if (HasDrive(entry)) return entry;
  if (!entry.empty() && IsSeparator(entry[0])) {
    // "\\server\share\..." stands alone; "\music\..." is on the list's drive.
    if (entry.size() >= 2 && IsSeparator(entry[1])) return entry;
    return HasDrive(listFolder) ? listFolder.substr(0, 2) + entry : entry;
  }
  return listFolder + entry;
}

std::string NameOfPath(const std::string& path) {
  size_t slash = text::LastSeparator(path.c_str());
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace m3u
