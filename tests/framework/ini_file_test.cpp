#include "framework/ini_file.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::string Get(const std::string& text, const char* section, const char* key) {
  std::string value;
  return ini::FindValue(text, section, key, &value) ? value : "<absent>";
}

TEST(IniFile, FindsKeysWithoutRegardToCaseAndOnlyInTheirSection) {
  const std::string text =
      "[WINDOW]\r\nSize=198\r\n[Music]\r\nvolume = 500 \r\n[window]\r\nSkin=blue\r\n";
  EXPECT_EQ(Get(text, "window", "SIZE"), "198");
  EXPECT_EQ(Get(text, "MUSIC", "Volume"), "500");
  EXPECT_EQ(Get(text, "MUSIC", "Size"), "<absent>");
  EXPECT_EQ(Get(text, "OPTION", "Size"), "<absent>");
  EXPECT_EQ(Get(text, "WINDOW", "Skin"), "blue");  // a second section of the same name
  EXPECT_EQ(Get("", "WINDOW", "Size"), "<absent>");
}

TEST(IniFile, ValuesComeBackTrimmedAndUnquoted) {
  EXPECT_EQ(Get("[A]\nk=\"  spaced  \"\n", "A", "k"), "  spaced  ");
  EXPECT_EQ(Get("[A]\nk=\n", "A", "k"), "");
  EXPECT_EQ(Get("[A]\n; k=commented\nk=real", "A", "k"), "real");
  EXPECT_EQ(Get("[A]\nk=a=b\n", "A", "k"), "a=b");
}

TEST(IniFile, KeepsEveryByteOfAValue) {
  // Complemented text is not valid Shift-JIS: a lone lead byte at the end.
  const char bytes[] = "\x9e\x9d\x9c";
  std::string text = ini::SetValue("", "MAILCHECK", "Pass1", bytes);
  EXPECT_EQ(text, "[MAILCHECK]\r\nPass1=\x9e\x9d\x9c\r\n");
  EXPECT_EQ(Get(text, "MAILCHECK", "Pass1"), bytes);
}

TEST(IniFile, SetReplacesAddsAndRemoves) {
  std::string text = "[WINDOW]\r\nSize=67\r\n\r\n[MUSIC]\r\nVolume=1000\r\n";
  text = ini::SetValue(text, "window", "SIZE", "198");
  EXPECT_EQ(text, "[WINDOW]\r\nSIZE=198\r\n\r\n[MUSIC]\r\nVolume=1000\r\n");
  text = ini::SetValue(text, "WINDOW", "Skin", "default");
  EXPECT_EQ(text, "[WINDOW]\r\nSIZE=198\r\nSkin=default\r\n\r\n[MUSIC]\r\nVolume=1000\r\n");
  text = ini::SetValue(text, "LUN", "lun01", "C:\\a.exe");
  EXPECT_EQ(Get(text, "LUN", "lun01"), "C:\\a.exe");
  text = ini::SetValue(text, "WINDOW", "SIZE", nullptr);
  EXPECT_EQ(Get(text, "WINDOW", "Size"), "<absent>");
  EXPECT_EQ(Get(text, "WINDOW", "Skin"), "default");
  // Removing what is not there changes nothing.
  EXPECT_EQ(ini::SetValue(text, "NONE", "x", nullptr), text);
  // A file without a final line end still gets whole lines.
  EXPECT_EQ(ini::SetValue("[A]\r\nx=1", "A", "y", "2"), "[A]\r\nx=1\r\ny=2\r\n");
  EXPECT_EQ(ini::SetValue("[A]\r\nx=1", "B", "y", "2"), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
}

TEST(IniFile, AnyLineEndEndsALine) {
  const std::string crOnly = "[WINDOW]\rSize=198\rSkin=blue\r[MUSIC]\rVolume=5";
  EXPECT_EQ(Get(crOnly, "WINDOW", "Skin"), "blue");
  EXPECT_EQ(Get(crOnly, "MUSIC", "Volume"), "5");
  EXPECT_EQ(ini::SetValue(crOnly, "WINDOW", "Size", "46"),
            "[WINDOW]\rSize=46\r\nSkin=blue\r[MUSIC]\rVolume=5");
  EXPECT_EQ(Get("[A]\nx=1\r\n\r\ny=2", "A", "y"), "2");
}

TEST(IniFile, IndexFindsTheFirstEntryOfAKey) {
  ini::Index index("[WINDOW]\r\nSize=198\r\nsize=46\r\n[window]\r\nSkin= \"a b\" \r\n");
  std::string raw;
  ASSERT_TRUE(index.FindRaw("Window", "SIZE", &raw));
  EXPECT_EQ(raw, "198");
  ASSERT_TRUE(index.FindRaw("WINDOW", "Skin", &raw));
  EXPECT_EQ(raw, " \"a b\" ");
  EXPECT_EQ(ini::CookedValue(raw), "a b");
  EXPECT_FALSE(index.FindRaw("MUSIC", "Size", &raw));
}

TEST(IniFile, IntegersAreTheNumberAtTheStartOfTheValue) {
  EXPECT_EQ(ini::ParseInt("198"), 198);
  EXPECT_EQ(ini::ParseInt("-5"), -5);
  EXPECT_EQ(ini::ParseInt("  42px"), 42);
  EXPECT_EQ(ini::ParseInt("abc"), 0);
  EXPECT_EQ(ini::ParseInt(""), 0);
  EXPECT_EQ(ini::ParseInt("99999999999999"), INT_MAX);
  EXPECT_EQ(ini::ParseInt("-99999999999999"), INT_MIN);
}

}  // namespace
