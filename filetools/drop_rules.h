// The decisions of a drop that need no window: where it landed, what the
// response file holds, which names are videos.
#pragma once
#include <string>

enum DropAction { kDropExtract = 0, kDropCompress = 1, kDropSplit = 2, kDropJoin = 3, kDropVideo = 4 };

// Drops this far below the window's outer top or more go to the playlist.
constexpr int kPlaylistDropTop = 44;

enum class DropBranch { Playlist, Extract, Compress, Split, Join, Video, None };

DropBranch ChooseDropBranch(int windowTop, int cursorY, int action);

// The response file's line for one dropped path: its name in quotes, with
// the platform's CR LF line end.
std::string ResponseLine(const std::string& path);

// The path without its last extension: only a dot after the last backslash
// starts one ("a.b\c" stays whole).
std::string WithoutLastExtension(const std::string& path);

// .avi .AVI .wmv .WMV .mpg .MPG exactly.
bool IsVideoFile(const std::string& path);

// The same for UTF-16 paths, as the drop hands them over.
std::wstring FileNameOf(const std::wstring& path);
std::wstring WithoutLastExtension(const std::wstring& path);
bool IsVideoFile(const std::wstring& path);
// The extension (from the last dot of the name) as 8-bit text, for the rules
// that know only ASCII extensions; false when it holds anything but ASCII
// (no look-alike of ".mp3" passes for it).
bool AsciiExtension(const std::wstring& path, std::string* extension);
