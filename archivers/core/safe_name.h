// Entry names as folder parts that stay inside the output folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archivers/core/archive.h"

namespace arc {

// Splits a stored name at '/' and '\' (never at the trail byte of a code page
// 932 character) and drops empty and "." parts. Refuses (kErrorUnsafeName)
// what Windows would take outside the folder or as something else: absolute
// names, drive letters, UNC and device paths, ".." parts, ':' anywhere,
// < > " | ? * and control characters, parts ending in '.' or ' ', and the
// reserved device names (CON, NUL, COM1... with or without an extension).
// An empty name is refused; "./" gives no parts: the output folder itself.
Status SplitSafeName(const std::string& name, NameCharset charset, std::vector<std::string>& parts);

// Where a link's target lands, as folder parts from the output folder, for a
// link stored at `linkParts`; refused when it leaves the folder.
Status ResolveLinkTarget(const std::vector<std::string>& linkParts, const std::string& target, NameCharset charset,
                         std::vector<std::string>& targetParts);

// True when the bytes are valid UTF-8 (no overlong forms, surrogates or values
// past U+10FFFF); `multiByte` tells whether any character took more than one
// byte. Names from other systems are told from code page 932 by it.
bool IsValidUtf8(const uint8_t* p, size_t n, bool& multiByte);

// True for a code page 932 lead byte.
inline bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace arc
