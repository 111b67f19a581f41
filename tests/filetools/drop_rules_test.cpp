// Where a drop lands and what the dispatcher derives from the dropped names.
#include <gtest/gtest.h>

#include "filetools/drop_rules.h"

TEST(DropRules, BranchByHeightThenAction) {
  const struct {
    int dy;
    int action;
    DropBranch branch;
  } cases[] = {
      {0, kDropExtract, DropBranch::Extract}, {43, kDropCompress, DropBranch::Compress},
      {43, kDropSplit, DropBranch::Split},    {43, kDropJoin, DropBranch::Join},
      {43, kDropVideo, DropBranch::Video},    {44, kDropVideo, DropBranch::Playlist},
      {300, kDropExtract, DropBranch::Playlist}, {-5, kDropExtract, DropBranch::Extract},
      {10, 7, DropBranch::None},
  };
  for (const auto& c : cases) EXPECT_EQ(c.branch, ChooseDropBranch(100, 100 + c.dy, c.action)) << c.dy << " " << c.action;
}

TEST(DropRules, NamesDerivedFromPaths) {
  EXPECT_EQ("C:\\w\\report.final", WithoutLastExtension("C:\\w\\report.final.txt"));
  EXPECT_EQ("C:\\a.b\\c", WithoutLastExtension("C:\\a.b\\c"));
  EXPECT_EQ("C:\\w\\ソ", WithoutLastExtension("C:\\w\\ソ.txt"));  // 83 5C is no separator
  EXPECT_EQ("\"b c.txt\"\r\n", ResponseLine("C:\\w\\b c.txt"));
  EXPECT_EQ("\"表.txt\"\r\n", ResponseLine("C:\\w\\表.txt"));
  for (const char* video : {"a.avi", "a.AVI", "a.wmv", "a.WMV", "a.mpg", "a.MPG"}) EXPECT_TRUE(IsVideoFile(video)) << video;
  for (const char* other : {"a.Avi", "a.mp4", "avi", "a.avi.txt", "C:\\x.avi\\y"}) EXPECT_FALSE(IsVideoFile(other)) << other;
}
