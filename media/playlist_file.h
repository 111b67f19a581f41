// The text of playlist files (".m3u" lists and "backup.m3u"): one path per
// line in the system code page (Shift-JIS), CR LF on disk, no header.
//
// Pure code: no <windows.h>.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace m3u {

// The longest path the system accepts: 259 bytes before the terminator.
constexpr size_t kMaxPathBytes = 259;

// The entries of a list file's bytes. A line ends at LF, a CR before it is
// dropped, the last line needs no line end. Empty lines and lines longer
// than a path can be are skipped whole, so a long line never turns into
// pieces that name other files.
std::vector<std::string> ParseList(const std::string& bytes);

// The bytes of a list file: each path followed by CR LF; nothing for none.
std::string FormatList(const std::vector<std::string>& paths);

// A full path ("C:\..." or "\\server\...") or one from the root of a drive.
bool IsAbsolute(const std::string& path);

// An entry read from a list in `listFolder` (with its final separator, or
// empty for the current folder): relative entries are taken from the list's
// own folder; one from the root ("\music\a.mp3") from the list's drive.
std::string ResolveEntry(const std::string& listFolder, const std::string& entry);

// The file name with its extension: what follows the last separator, which
// is never the second byte of a character such as ソ (0x83 0x5C).
std::string NameOfPath(const std::string& path);

}  // namespace m3u
