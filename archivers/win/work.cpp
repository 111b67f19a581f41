#include "archivers/win/work.h"

#include "archivers/win/caller_text.h"
#include "archivers/win/output_text.h"
#include "archivers/win/win_files.h"

namespace arc {

std::wstring FromProgram(const std::string& text) { return Widen(text, CallerCodePage()); }
std::string ToProgram(const std::wstring& text) { return Narrow(text, CallerCodePage()); }

std::string OwnText(const char* text) {
  if (!CallerTextIsUtf8()) return text;
  return Narrow(Widen(text, 932), CP_UTF8);
}

std::string ShownName(const std::string& name, NameCharset charset) {
  if (charset == NameCharset::Utf8) return ToProgram(Widen(name, CP_UTF8));
  return ToProgram(Widen(name, 932));
}

int Finish(Status status, const std::string& text, char* buffer, DWORD size) {
  CopyToBuffer(buffer, size, text);
  return status;
}

int Fail(Status status, const std::string& detail, char* buffer, DWORD size) {
  std::string text = OwnText(StatusText(status));
  if (!detail.empty()) text += ": " + detail;
  return Finish(status, text, buffer, size);
}

std::string Count(uint64_t n) { return std::to_string(n); }

}  // namespace arc
