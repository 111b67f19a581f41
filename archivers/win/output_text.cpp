#include "archivers/win/output_text.h"

#include <cstring>

#include "archivers/core/safe_name.h"
#include "archivers/win/caller_text.h"

namespace arc {

const char* StatusText(Status status) {
  switch (status) {
    case kOk: return "正常に終了しました";
    case kEnd: return "正常に終了しました";
    case kErrorCommand: return "コマンドが正しくありません";
    case kErrorArchiveOpen: return "書庫を開けません";
    case kErrorNotArchive: return "対応する形式の書庫ではありません";
    case kErrorDamaged: return "書庫が壊れています";
    case kErrorCrc: return "CRC が一致しません";
    case kErrorUnsafeName: return "展開先の外を指す名前なので展開しません";
    case kErrorMethod: return "対応していない圧縮方式です";
    case kErrorEncrypted: return "暗号化されているので展開できません";
    case kErrorWrite: return "書き込めません";
    case kErrorSourceFile: return "圧縮するファイルを読めません";
    case kErrorResponseFile: return "レスポンスファイルを読めません";
    case kErrorNoFiles: return "圧縮するファイルがありません";
    case kErrorSfx: return "自己解凍形式を作れません";
    case kErrorLink: return "リンクを展開できません";
    case kErrorTooLarge: return "形式の上限を超える大きさです";
    case kErrorCancelled: return "中止しました";
    case kErrorNameCharset: return "この形式では記録できない文字を含む名前です";
  }
  return "エラーが発生しました";
}

void CopyToBuffer(char* buffer, size_t size, const std::string& text) {
  if (!buffer || size == 0) return;
  bool utf8 = CallerTextIsUtf8();
  size_t n = 0;
  while (n < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[n]);
    size_t step = 1;
    if (utf8) {
      while (n + step < text.size() && (static_cast<unsigned char>(text[n + step]) & 0xC0) == 0x80) ++step;
    } else if (IsCp932Lead(c) && n + 1 < text.size()) {
      step = 2;
    }
    if (n + step > size - 1) break;
    n += step;
  }
  memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

void CopyToWideBuffer(wchar_t* buffer, size_t size, const std::wstring& text) {
  if (!buffer || size == 0) return;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  memcpy(buffer, text.data(), n * sizeof(wchar_t));
  buffer[n] = L'\0';
}

}  // namespace arc
