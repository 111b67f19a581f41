// The program's 8-bit text and UTF-16, for the system interfaces that take
// wide text only (media, shell links, certificates) and for files written
// in Unicode.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

// What becomes of bytes that are no character in the code page.
enum class BadBytes {
  kReplace,  // the code page's stand-in character takes their place
  kFail,     // the whole conversion fails: a path with a character replaced names another file
};

// `length` bytes of text in `codePage` as UTF-16 into `wide`. False (and
// empty) only when `bad` is kFail and the text is not valid there.
bool Widen(const char* data, size_t length, UINT codePage, std::wstring* wide,
           BadBytes bad = BadBytes::kReplace);
std::wstring Widen(const char* data, size_t length, UINT codePage);
inline std::wstring Widen(const std::string& text, UINT codePage) {
  return Widen(text.data(), text.size(), codePage);
}
// A zero-terminated text.
std::wstring Widen(const char* text, UINT codePage);

// UTF-16 as text in `codePage`; a character it lacks becomes its stand-in.
std::string Narrow(const std::wstring& wide, UINT codePage);

// UTF-16 as text in `codePage` only when every character is there as
// itself: no stand-in, no look-alike ("é" is not "e"). A path that fails
// cannot be handed to an 8-bit interface without naming another file.
bool NarrowExact(const std::wstring& wide, UINT codePage, std::string* out);
