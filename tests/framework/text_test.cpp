#include "framework/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "framework/files.h"

namespace {

TEST(Text, LastSeparatorSkipsSecondBytesOfCharacters) {
  struct Case {
    const char* path;
    size_t expected;
  };
  const Case cases[] = {
      {"C:\\tools\\tovix.exe", 8},
      {"C:\\tools\\ソフト.exe", 8},        // ソ is 0x83 0x5C
      {"C:\\表\\a.exe", 5},                 // 表 is 0x95 0x5C
      {"C:\\ｿﾌﾄ\\a.exe", 6},               // half-width kana are single bytes
      {"a/b", 1},
      {"tovix.exe", std::string::npos},
      {"\x83", std::string::npos},          // a lone lead byte at the end
  };
  for (const Case& c : cases) EXPECT_EQ(text::LastSeparator(c.path), c.expected) << c.path;

  char folder[MAX_PATH];
  FolderOfPath("C:\\tools\\ソフト.exe", folder, sizeof folder);
  EXPECT_STREQ(folder, "C:\\tools\\");
  FolderOfPath("tovix.exe", folder, sizeof folder);
  EXPECT_STREQ(folder, "");
}

TEST(Text, ProgramPathThatMayBeCutGivesNoFolder) {
  char folder[MAX_PATH] = "x";
  struct Case {
    size_t length, bufferSize;
    bool whole;
  };
  for (Case c : {Case{14, 1040, true}, Case{259, 1040, true}, Case{260, 1040, false},
                 Case{264, 1040, false}, Case{200, 200, false}, Case{0, 1040, false}}) {
    std::string given = c.length ? "C:\\" + std::string(c.length - 13, 'd') + "\\tovix.exe" : "";
    EXPECT_EQ(FolderOfModulePath(given.c_str(), c.length, c.bufferSize, folder, sizeof folder), c.whole)
        << c.length;
    if (!c.whole) {
      EXPECT_STREQ(folder, "");
    }
  }
}

TEST(Text, ParseDecimalSaturates) {
  struct Case {
    const char* text;
    int value;
    size_t end;
  };
  const Case cases[] = {
      {"198", 198, 3},           {"  -5px", -5, 4},         {"+7", 7, 2},
      {"abc", 0, 0},             {"", 0, 0},                {"-", 0, 0},
      {"2147483647", INT_MAX, 10}, {"2147483648", INT_MAX, 10}, {"-2147483648", INT_MIN, 11},
      {"-99999999999999", INT_MIN, 15}, {"99999999999999999999x", INT_MAX, 20},
  };
  for (const Case& c : cases) {
    size_t end = 99;
    EXPECT_EQ(text::ParseDecimal(c.text, std::string(c.text).size(), &end), c.value) << c.text;
    EXPECT_EQ(end, c.end) << c.text;
  }
}

}  // namespace
