// The text of playlist files (".m3u" lists and "backup.m3u"): one path per
// line, CR LF on disk, no header. A ".m3u" list is in the system code page
// (Shift-JIS) unless it starts with a byte-order mark (UTF-8, UTF-16 LE or
// BE); a ".m3u8" list is UTF-8, with or without a mark.
//
// Lines in another encoding pass through wide text on their way to the
// program's form (the system code page); lines in the system code page are
// taken byte for byte.
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

enum class Encoding { kSystem, kUtf8, kUtf16Le, kUtf16Be };

// Whether a list file's name ends in ".m3u8" (in any case): a UTF-8 list.
bool IsUtf8ListName(const std::string& path);

// A list's encoding: its byte-order mark (whose length goes to *markLength)
// or else UTF-8 for a ".m3u8" list and the system code page for others.
Encoding DetectEncoding(const std::string& bytes, bool utf8List, size_t* markLength);

struct ListText {
  std::vector<std::string> entries;  // in the program's form
  size_t lost = 0;  // lines the program's form cannot hold, left out
};

// The entries of a list file's bytes in any of its encodings, with the rules
// of ParseList.
ListText ReadList(const std::string& bytes, bool utf8List);

// The bytes of a list file of the given kind: a ".m3u8" list is written in
// UTF-8 without a byte-order mark, others as FormatList.
std::string FormatList(const std::vector<std::string>& paths, bool utf8List);

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
