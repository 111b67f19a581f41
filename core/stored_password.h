// How a mail password is kept in the profile: every byte complemented, as the
// profile has always held it, and protected where the complemented bytes
// would not survive the profile's own rules (blanks at an end, enclosing
// quotes, line ends, a zero byte), so that every password of bytes 0x01-0xFF
// comes back whole.
//
// Pure code: no <windows.h>.
#pragma once
#include <string>

// The profile value for a plain password. Whatever the profile reads back
// unchanged is written as the bare complemented bytes, byte-identical to
// what earlier versions wrote; anything else is written between double
// quotes with '\' written "\\" and a zero byte, CR and LF written \xHH.
std::string StoredPassword(const std::string& plain);

// The plain password from the value as it stands in the file.
std::string PasswordFromStored(const std::string& raw);

// Byte b becomes 255 - b.
std::string Complemented(const std::string& bytes);
