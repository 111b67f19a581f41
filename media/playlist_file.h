// The text of playlist files (".m3u" lists and "backup.m3u"): one path per
// line, CR LF on disk, no header. A ".m3u" list is in the system code page
// (Shift-JIS) unless it starts with a byte-order mark (UTF-8, UTF-16 LE or
// BE); a ".m3u8" list is UTF-8, with or without a mark.
//
// Entries are wide text, exactly as the file system names the files: a list
// in UTF-8 or UTF-16 can name any file.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace m3u {

// The longest path the system accepts: 259 bytes (system code page) or 259
// UTF-16 characters before the terminator.
constexpr size_t kMaxPathBytes = 259;
constexpr size_t kMaxPathChars = 259;

// The lines of a list file in the system code page, as bytes. A line ends at
// LF, a CR before it is dropped, the last line needs no line end. Empty lines
// and lines longer than a path can be are skipped whole, so a long line never
// turns into pieces that name other files.
std::vector<std::string> ParseList(const std::string& bytes);

// The bytes of a list file in the system code page: each path followed by
// CR LF; nothing for none.
std::string FormatList(const std::vector<std::string>& paths);

enum class Encoding { kSystem, kUtf8, kUtf16Le, kUtf16Be };

// Whether a list file's name ends in ".m3u8" (in any case): a UTF-8 list.
bool IsUtf8ListName(const std::wstring& path);

// A list's encoding: its byte-order mark (whose length goes to *markLength)
// or else UTF-8 for a ".m3u8" list and the system code page for others.
Encoding DetectEncoding(const std::string& bytes, bool utf8List, size_t* markLength);

struct ListText {
  std::vector<std::wstring> entries;
  size_t lost = 0;  // lines that are no valid text in the list's encoding, left out
};

// The entries of a list file's bytes in any of its encodings, with the rules
// of ParseList.
ListText ReadList(const std::string& bytes, bool utf8List);

// The list in the system code page, leaving out the paths it cannot hold
// exactly (a look-alike would name another file) or in more than
// kMaxPathBytes; true when none was left out.
bool FormatSystemList(const std::vector<std::wstring>& paths, std::string* bytes);
// The list in UTF-8, with or without a byte-order mark.
std::string FormatUtf8List(const std::vector<std::wstring>& paths, bool mark);

// The bytes of a list file the user names: a ".m3u8" list in UTF-8 without a
// mark; a ".m3u" list in the system code page, or, when a path is not held
// there, whole in UTF-8 with a mark (which other programs read as such).
std::string FormatList(const std::vector<std::wstring>& paths, bool utf8List);

// A full path ("C:\..." or "\\server\...") or one from the root of a drive.
bool IsAbsolute(const std::wstring& path);

// An entry read from a list in `listFolder` (with its final separator, or
// empty for the current folder): relative entries are taken from the list's
// own folder; one from the root ("\music\a.mp3") from the list's drive.
std::wstring ResolveEntry(const std::wstring& listFolder, const std::wstring& entry);

// The file name with its extension: what follows the last separator.
std::wstring NameOfPath(const std::wstring& path);
// The folder of a path with its final separator, or empty when it has none.
std::wstring FolderOfPath(const std::wstring& path);

}  // namespace m3u
