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
