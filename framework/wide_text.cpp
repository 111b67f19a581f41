#include "framework/wide_text.h"

#include <cstring>

bool Widen(const char* data, size_t length, UINT codePage, std::wstring* wide, BadBytes bad) {
  wide->clear();
  if (length == 0) return true;
  DWORD flags = bad == BadBytes::kFail ? MB_ERR_INVALID_CHARS : 0;
  int n = MultiByteToWideChar(codePage, flags, data, int(length), nullptr, 0);
  if (n <= 0) return bad != BadBytes::kFail;
  wide->assign(size_t(n), L'\0');
  MultiByteToWideChar(codePage, flags, data, int(length), &(*wide)[0], n);
  return true;
}

std::wstring Widen(const char* data, size_t length, UINT codePage) {
  std::wstring wide;
  Widen(data, length, codePage, &wide);
  return wide;
}

std::wstring Widen(const char* text, UINT codePage) { return Widen(text, strlen(text), codePage); }

std::string Narrow(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  int n = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), &out[0], n, nullptr, nullptr);
  return out;
}

bool NarrowExact(const std::wstring& wide, UINT codePage, std::string* out) {
  out->clear();
  if (wide.empty()) return true;
  // UTF-8 and UTF-7 reject the flags and the default-character query.
  bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
  DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = utf ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()), nullptr, 0, nullptr, used);
  if (n <= 0 || usedDefault) return false;
  out->assign(size_t(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), int(wide.size()), &(*out)[0], n, nullptr, nullptr);
  // Some systems map a character to one that converts back to another.
  if (Widen(out->data(), out->size(), codePage) == wide) return true;
  out->clear();
  return false;
}
