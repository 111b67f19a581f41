// Byte-exact reading and writing of profile (INI) files.
//
// The system's private-profile calls convert the text to Unicode and back in
// the system code page, which loses bytes that are not valid Shift-JIS (a lone
// lead byte such as a complemented password character). This file keeps every
// byte of a value as it is and otherwise follows the profile rules: section and
// key names match without regard to case, a missing key gives the default, an
// integer is the decimal number at the start of the value, a write goes to the
// file at once, and writing no value removes the key.
//
// Pure code: no <windows.h>, so it also builds natively for fuzzing.
#pragma once
#include <string>

namespace ini {

// Looks the key up in the text of a whole profile file. Returns false when the
// section or key is absent. The value comes back trimmed of blanks and of one
// pair of enclosing double quotes, as the system's calls return it.
bool FindValue(const std::string& text, const char* section, const char* key, std::string* value);

// Returns the text with the key set to value (added at the end of its section,
// or in a new section at the end of the text), or with the key removed when
// value is null. Line ends are CR LF.
std::string SetValue(const std::string& text, const char* section, const char* key, const char* value);

// The decimal number at the start of the value (after blanks, with an optional
// sign), 0 when there is none; saturates instead of overflowing.
int ParseInt(const std::string& value);

// Whole-file helpers on an 8-bit path. A missing or unreadable file reads as
// empty; a failed write is silent.
std::string ReadFile(const char* path);
bool WriteFile(const char* path, const std::string& text);

}  // namespace ini
