#include "media/playlist_file.h"

#include <windows.h>

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

// UTF-8 takes at most three bytes for a character of one UTF-16 unit and four
// for a pair: a line of more bytes than this is longer than any path.
constexpr size_t kMaxUtf8PathBytes = 3 * kMaxPathChars;

}  // namespace

std::vector<std::string> ParseList(const std::string& bytes) { return Lines(bytes, kMaxPathBytes); }

bool IsUtf8ListName(const std::wstring& path) {
  return path.size() >= 5 && lstrcmpiW(path.c_str() + path.size() - 5, L".m3u8") == 0;
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
  if (encoding == Encoding::kSystem || encoding == Encoding::kUtf8) {
    // Each line on its own: one line that is no valid text costs that line only.
    UINT codePage = encoding == Encoding::kSystem ? CP_ACP : CP_UTF8;
    size_t maxBytes = encoding == Encoding::kSystem ? kMaxPathBytes : kMaxUtf8PathBytes;
    for (const std::string& line : Lines(bytes.substr(mark), maxBytes)) {
      std::wstring path;
      if (!Widen(line.data(), line.size(), codePage, &path, BadBytes::kFail) || path.empty())
        ++list.lost;
      else if (path.size() <= kMaxPathChars)
        list.entries.push_back(path);
    }
    return list;
  }
  std::wstring text;
  bool bigEndian = encoding == Encoding::kUtf16Be;
  for (size_t i = mark; i + 1 < bytes.size(); i += 2) {
    unsigned char first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    text += wchar_t(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  list.entries = Lines(text, kMaxPathChars);
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

bool FormatSystemList(const std::vector<std::wstring>& paths, std::string* bytes) {
  std::vector<std::string> held;
  for (const std::wstring& path : paths) {
    std::string narrow;
    // A line longer than a path of bytes is not read back (nor by older copies).
    if (NarrowExact(path, CP_ACP, &narrow) && narrow.size() <= kMaxPathBytes) held.push_back(narrow);
  }
  *bytes = FormatList(held);
  return held.size() == paths.size();
}

std::string FormatUtf8List(const std::vector<std::wstring>& paths, bool mark) {
  std::string bytes = mark ? "\xEF\xBB\xBF" : "";
  for (const std::wstring& path : paths) bytes += Narrow(path, CP_UTF8) + "\r\n";
  return bytes;
}

std::string FormatList(const std::vector<std::wstring>& paths, bool utf8List) {
  std::string bytes;
  if (!utf8List && FormatSystemList(paths, &bytes)) return bytes;
  return FormatUtf8List(paths, !utf8List);
}

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool HasDrive(const std::wstring& path) { return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':'; }
}  // namespace

bool IsAbsolute(const std::wstring& path) { return HasDrive(path) || (!path.empty() && IsSeparator(path[0])); }

std::wstring ResolveEntry(const std::wstring& listFolder, const std::wstring& entry) {
  if (HasDrive(entry)) return entry;
  if (!entry.empty() && IsSeparator(entry[0])) {
    // "\\server\share\..." stands alone; "\music\..." is on the list's drive.
    if (entry.size() >= 2 && IsSeparator(entry[1])) return entry;
    return HasDrive(listFolder) ? listFolder.substr(0, 2) + entry : entry;
  }
  return listFolder + entry;
}

std::wstring NameOfPath(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOfPath(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace m3u
