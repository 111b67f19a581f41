#include "filetools/split_plan.h"

#include "framework/text.h"

namespace splitjoin {

const char kSplitCaption[] = "分割";
const char kSplitErrorCaption[] = "分割エラー";
const char kSplitDoneCaption[] = "分割完了";
const char kSplitDoneText[] = "分割しました";
const char kBadPieceSizeText[] = "分割サイズが不正です";
const char kJoinCaption[] = "結合";
const char kJoinErrorCaption[] = "結合エラー";
const char kJoinDoneCaption[] = "結合完了";
const char kJoinDoneText[] = "結合しました";
const char kNotFirstPieceText[] = "拡張子「.001」のファイルをドロップしてください";

namespace {
const char kNotPossible[] = "不可";
}  // namespace

uint64_t PieceCount(uint64_t fileSize, uint64_t pieceSize) {
  if (pieceSize == 0) return 0;
  uint64_t whole = fileSize / pieceSize;
  // A file smaller than one piece is no split.
  if (whole == 0) return 0;
  return whole + (fileSize % pieceSize ? 1 : 0);
}

std::string Decimal(uint64_t value) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = char('0' + value % 10);
    value /= 10;
  } while (value);
  std::string text;
  while (n) text += digits[--n];
  return text;
}

std::string CountText(uint64_t count) { return CountIsValid(count) ? Decimal(count) : kNotPossible; }

std::string OpeningCountText(uint64_t fileSize) {
  return fileSize <= kMaxPieces ? Decimal(fileSize) : kNotPossible;
}

std::string SizeText(uint64_t fileSize) { return Decimal(fileSize) + " Byte"; }

bool ParsePieceSize(const char* text, uint64_t* size) {
  if (!text || !*text) return false;
  uint64_t value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    unsigned digit = unsigned(*p - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *size = value;
  return true;
}

uint64_t PieceBytes(uint64_t fileSize, uint64_t pieceSize, uint64_t count, uint64_t index) {
  if (index + 1 == count && fileSize % pieceSize) return fileSize % pieceSize;
  return pieceSize;
}

uint64_t SliceCount(uint64_t pieceBytes) {
  return pieceBytes / kSliceBytes + (pieceBytes % kSliceBytes ? 1 : 0);
}

uint64_t SliceBytes(uint64_t pieceBytes, uint64_t slice) {
  if (slice + 1 == SliceCount(pieceBytes) && pieceBytes % kSliceBytes) return pieceBytes % kSliceBytes;
  return kSliceBytes;
}

int ProgressPercent(uint64_t done, uint64_t total) {
  if (total == 0 || done >= total) return 100;
  return int(double(done) / double(total) * 100.0);
}

std::string PieceName(const std::string& path, uint64_t number) {
  std::string digits = Decimal(number);
  while (digits.size() < 3) digits.insert(digits.begin(), '0');
  return path + "." + digits;
}

std::string BatchName(const std::string& path) { return path + ".bat"; }

std::string FileNameOf(const std::string& path) {
  size_t separator = text::LastSeparator(path.c_str());
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

namespace {
// 0x25 is never the second byte of a two-byte character: each one is a %.
std::string Escaped(const std::string& name) {
  std::string escaped;
  for (char c : name) escaped += c == '%' ? std::string("%%") : std::string(1, c);
  return escaped;
}

// The copy lines for a name already spelt as the batch file must hold it.
std::vector<std::string> Lines(const std::string& spelt, uint64_t count) {
  auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
  std::vector<std::string> lines;
  const std::string whole = quoted(spelt);
  if (count == 1) {
    // Nothing to append: the one piece is the whole file.
    lines.push_back("copy /B " + quoted(PieceName(spelt, 1)) + " " + whole + "\r\n");
    return lines;
  }
  if (count == 0) return lines;
  lines.push_back("copy /B " + quoted(PieceName(spelt, 1)) + " + " + quoted(PieceName(spelt, 2)) + " " + whole + "\r\n");
  for (uint64_t number = 3; number <= count; ++number)
    lines.push_back("copy /B " + whole + " + " + quoted(PieceName(spelt, number)) + " " + whole + "\r\n");
  return lines;
}
}  // namespace

std::vector<std::string> BatchLines(const std::string& name, uint64_t count) { return Lines(Escaped(name), count); }

std::string BatchText(const std::string& name, uint64_t count) {
  std::string text;
  for (const std::string& line : BatchLines(name, count)) text += line;
  return text;
}

JoinSet PlanJoin(const std::function<int64_t(uint64_t number)>& sizeOf) {
  JoinSet set;
  const int64_t first = sizeOf(1);
  if (first < 0) return set;
  set.count = 1;
  for (int64_t last = first; last == first && set.count < kMaxPieces;) {
    const int64_t next = sizeOf(set.count + 1);
    if (next < 0) {
      for (uint64_t later = set.count + 2; later <= kMaxPieces; ++later) {
        if (sizeOf(later) >= 0) {
          set.missing = set.count + 1;
          break;
        }
      }
      break;
    }
    if (next > first) break;
    ++set.count;
    last = next;
  }
  return set;
}

bool JoinOutputPath(const std::string& dropped, std::string* output) {
  // The extension is what follows the last dot of the last component; a dot
  // is never the second byte of a character, and neither are the digits.
  static const char kFirst[] = ".001";
  const size_t n = sizeof kFirst - 1;
  if (dropped.size() <= n || dropped.compare(dropped.size() - n, n, kFirst) != 0) return false;
  std::string rest = dropped.substr(0, dropped.size() - n);
  // A name must stand before the extension: not an empty name after a
  // separator or a drive.
  size_t separator = text::LastSeparator(rest.c_str());
  size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  if (separator == std::string::npos && rest.size() == 2 && rest[1] == ':') return false;
  if (nameStart >= rest.size()) return false;
  *output = rest;
  return true;
}

const char* FailureHeadline(Failure what) {
  switch (what) {
    case Failure::kOpen: return "ファイルを開けませんでした。";
    case Failure::kCreate: return "ファイルを作成できませんでした。";
    case Failure::kRead: return "ファイルを読み込めませんでした。";
    case Failure::kWrite: return "ファイルに書き込めませんでした。";
    case Failure::kMissing: return "分割ファイルが見つかりません。";
  }
  return "";
}

std::string FailureText(Failure what, const std::string& path, const std::string& reason) {
  std::string text = std::string(FailureHeadline(what)) + "\n" + path;
  if (!reason.empty()) text += "\n" + reason;
  return text;
}

std::string FoundNameBatchText(const std::string& pattern, uint64_t count) {
  const std::string first = PieceName(pattern, 1);
  std::string text =
      "@set \"TOVIX_JOIN=\"\r\n"
      "@set TOVIX_FOUND=0\r\n"
      "@for %%F in (" + first + ") do @set \"TOVIX_JOIN=%%~nF\"\r\n"
      "@for %%F in (" + first + ") do @set /a TOVIX_FOUND+=1 >nul\r\n"
      "@if not \"%TOVIX_FOUND%\"==\"1\" (echo " + first + " に当てはまる分割ファイルが 1 つではありません。& exit /b 1)\r\n";
  for (const std::string& line : Lines("%TOVIX_JOIN%", count)) text += line;
  return text;
}

std::string BatchPattern(const std::wstring& name, const std::function<bool(const std::wstring&, std::string*)>& spell) {
  std::string pattern;
  for (size_t i = 0; i < name.size(); ++i) {
    auto high = [](wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    auto low = [](wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    size_t units = high(name[i]) && i + 1 < name.size() && low(name[i + 1]) ? 2 : 1;
    std::string spelt;
    // Unquoted in the pattern, these would split or change the line.
    bool plain = std::wstring(L" &()[]{}^=;!'+,`~%\"").find(name[i]) == std::wstring::npos;
    if (plain && spell(name.substr(i, units), &spelt)) pattern += spelt;
    else pattern.append(units, '?');
    i += units - 1;
  }
  return pattern;
}

std::wstring PieceName(const std::wstring& path, uint64_t number) {
  std::string digits = PieceName(std::string(), number);
  return path + std::wstring(digits.begin(), digits.end());
}

std::wstring BatchName(const std::wstring& path) { return path + L".bat"; }

std::wstring FileNameOf(const std::wstring& path) {
  size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

bool JoinOutputPath(const std::wstring& dropped, std::wstring* output) {
  static const wchar_t kFirst[] = L".001";
  const size_t n = 4;
  if (dropped.size() <= n || dropped.compare(dropped.size() - n, n, kFirst) != 0) return false;
  std::wstring rest = dropped.substr(0, dropped.size() - n);
  size_t separator = rest.find_last_of(L"\\/");
  size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
  if (separator == std::wstring::npos && rest.size() == 2 && rest[1] == L':') return false;
  if (nameStart >= rest.size()) return false;
  *output = rest;
  return true;
}

}  // namespace splitjoin
