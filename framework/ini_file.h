// Byte-exact reading and writing of profile (INI) text.
//
// The system's private-profile calls convert the text to Unicode and back in
// the system code page, which loses bytes that are not valid Shift-JIS (a lone
// lead byte such as a complemented password character). This file keeps every
// byte of a value as it is and otherwise follows the profile rules: section and
// key names match without regard to case, a missing key gives the default, an
// integer is the decimal number at the start of the value, and writing no
// value removes the key. CR LF, LF and a lone CR all end a line, as editors
// on other systems leave them.
//
// Pure code: no <windows.h>, so it also builds natively for fuzzing.
#pragma once
#include <string>
#include <unordered_map>

namespace ini {

// How a profile file's bytes are encoded, told by its byte-order mark.
enum class Encoding { kAnsi, kUtf8, kUtf16Le };
// The encoding and the length of the mark that announces it.
Encoding DetectEncoding(const std::string& bytes, size_t* markLength);

// Looks the key up in the text of a whole profile file. Returns false when the
// section or key is absent. The value comes back trimmed of blanks and of one
// pair of enclosing double quotes, as the system's calls return it.
bool FindValue(const std::string& text, const char* section, const char* key, std::string* value);
// The value as it stands after the equals sign, untouched.
bool FindRawValue(const std::string& text, const char* section, const char* key, std::string* raw);
// What the system's calls make of a raw value: trimmed, one pair of quotes off.
std::string CookedValue(const std::string& raw);

// Returns the text with the key set to value (added at the end of its section,
// or in a new section at the end of the text), or with the key removed when
// value is null. Line ends written are CR LF.
std::string SetValue(const std::string& text, const char* section, const char* key, const char* value);

// The decimal number at the start of the value (after blanks, with an optional
// sign), 0 when there is none; saturates instead of overflowing.
int ParseInt(const std::string& value);

// Every key of a text, looked up in constant time: a profile of megabytes is
// read once at start rather than once per key. The first entry of a key wins,
// as with FindValue.
class Index {
 public:
  explicit Index(const std::string& text);
  bool FindRaw(const char* section, const char* key, std::string* raw) const;

 private:
  std::unordered_map<std::string, std::string> entries_;
};

// Whole-file helpers on an 8-bit path. A missing or unreadable file reads as
// empty (and false); a failed write gives false.
bool ReadFile(const char* path, std::string* bytes);
std::string ReadFile(const char* path);
bool WriteFile(const char* path, const std::string& text);

}  // namespace ini
