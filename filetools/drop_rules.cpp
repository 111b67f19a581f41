#include "filetools/drop_rules.h"

#include "framework/text.h"

DropBranch ChooseDropBranch(int windowTop, int cursorY, int action) {
  if (cursorY - windowTop >= kPlaylistDropTop) return DropBranch::Playlist;
  switch (action) {
    case kDropExtract: return DropBranch::Extract;
    case kDropCompress: return DropBranch::Compress;
    case kDropSplit: return DropBranch::Split;
    case kDropJoin: return DropBranch::Join;
    case kDropVideo: return DropBranch::Video;
  }
  return DropBranch::None;
}

static std::string NameOf(const std::string& path) {
  size_t last = text::LastSeparator(path.c_str());
  return last == std::string::npos ? path : path.substr(last + 1);
}

std::string ResponseLine(const std::string& path) { return "\"" + NameOf(path) + "\"\r\n"; }

std::string WithoutLastExtension(const std::string& path) {
  std::string name = NameOf(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return path;
  return path.substr(0, path.size() - (name.size() - dot));
}

bool IsVideoFile(const std::string& path) {
  std::string name = NameOf(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = name.substr(dot);
  for (const char* video : {".avi", ".AVI", ".wmv", ".WMV", ".mpg", ".MPG"})
    if (extension == video) return true;
  return false;
}

std::wstring FileNameOf(const std::wstring& path) {
  size_t last = path.find_last_of(L"\\/");
  return last == std::wstring::npos ? path : path.substr(last + 1);
}

std::wstring WithoutLastExtension(const std::wstring& path) {
  std::wstring name = FileNameOf(path);
  size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return path;
  return path.substr(0, path.size() - (name.size() - dot));
}

bool AsciiExtension(const std::wstring& path, std::string* extension) {
  extension->clear();
  std::wstring name = FileNameOf(path);
  size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return true;
  for (size_t i = dot; i < name.size(); ++i) {
    if (name[i] == 0 || name[i] >= 0x80) return false;
    *extension += char(name[i]);
  }
  return true;
}

bool IsVideoFile(const std::wstring& path) {
  std::string extension;
  return AsciiExtension(path, &extension) && !extension.empty() && IsVideoFile("x" + extension);
}
