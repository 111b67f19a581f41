// Entry names, command lines and the output buffer of the archiver libraries.
#include <gtest/gtest.h>

#include "archivers/core/safe_name.h"
#include "archivers/win/command_line.h"
#include "archivers/win/output_text.h"

namespace {

using arc::NameCharset;

struct NameCase {
  const char* name;
  NameCharset charset;
  const char* expected;  // parts joined by '|', or nullptr when refused
};

std::string Joined(const std::vector<std::string>& parts) {
  std::string s;
  for (size_t i = 0; i < parts.size(); ++i) s += (i ? "|" : "") + parts[i];
  return s;
}

TEST(ArchiveNames, SplitsSafelyOrRefuses) {
  const NameCase cases[] = {
      {"a/b/c.txt", NameCharset::Cp932, "a|b|c.txt"},
      {"a\\b\\c.txt", NameCharset::Cp932, "a|b|c.txt"},
      {"./a//b/", NameCharset::Cp932, "a|b"},
      {"表.txt", NameCharset::Cp932, "表.txt"},            // 95 5C: one name, not a folder
      {"ソフト/表\\x", NameCharset::Cp932, "ソフト|表|x"},
      {"\x95\x5C" "x", NameCharset::Utf8, "\x95|x"},     // in UTF-8 a 5C byte is always a separator
      {"../evil.txt", NameCharset::Cp932, nullptr},
      {"a/../../evil.txt", NameCharset::Cp932, nullptr},
      {"..\\evil.txt", NameCharset::Cp932, nullptr},
      {"/etc/passwd", NameCharset::Cp932, nullptr},
      {"\\\\server\\share\\x", NameCharset::Cp932, nullptr},
      {"C:\\x.txt", NameCharset::Cp932, nullptr},
      {"C:x.txt", NameCharset::Cp932, nullptr},
      {"a/b:stream", NameCharset::Cp932, nullptr},
      {"CON", NameCharset::Cp932, nullptr},
      {"sub/nul.txt", NameCharset::Cp932, nullptr},
      {"Com1.tar.gz", NameCharset::Cp932, nullptr},
      {"lpt9", NameCharset::Cp932, nullptr},
      {"COM\xC2\xB9", NameCharset::Utf8, nullptr},
      {"console.txt", NameCharset::Cp932, "console.txt"},
      {"com10", NameCharset::Cp932, "com10"},
      {"a.", NameCharset::Cp932, nullptr},
      {"a ", NameCharset::Cp932, nullptr},
      {"a\x01" "b", NameCharset::Cp932, nullptr},
      {"a?b", NameCharset::Cp932, nullptr},
      {"", NameCharset::Cp932, nullptr},
      {"//", NameCharset::Cp932, nullptr},
      {"./", NameCharset::Cp932, ""},  // the root folder as tar stores it
      {"\xE8\xA1\xA8.txt", NameCharset::Utf8, "\xE8\xA1\xA8.txt"},
  };
  for (const NameCase& c : cases) {
    std::vector<std::string> parts;
    arc::Status s = arc::SplitSafeName(c.name, c.charset, parts);
    if (c.expected) {
      EXPECT_EQ(arc::kOk, s) << c.name;
      EXPECT_EQ(c.expected, Joined(parts)) << c.name;
    } else {
      EXPECT_EQ(arc::kErrorUnsafeName, s) << c.name;
      EXPECT_TRUE(parts.empty()) << c.name;
    }
  }
}

TEST(ArchiveNames, LinkTargetsStayInside) {
  const struct {
    const char* link;
    const char* target;
    const char* expected;
  } cases[] = {
      {"a/b/link", "../c.txt", "a|c.txt"},
      {"a/link", "c.txt", "a|c.txt"},
      {"a/link", "../../c.txt", nullptr},
      {"link", "/etc/passwd", nullptr},
      {"link", "C:\\Windows", nullptr},
  };
  for (const auto& c : cases) {
    std::vector<std::string> link, target;
    ASSERT_EQ(arc::kOk, arc::SplitSafeName(c.link, NameCharset::Cp932, link));
    arc::Status s = arc::ResolveLinkTarget(link, c.target, NameCharset::Cp932, target);
    if (c.expected) {
      EXPECT_EQ(arc::kOk, s) << c.target;
      EXPECT_EQ(c.expected, Joined(target));
    } else {
      EXPECT_EQ(arc::kErrorUnsafeName, s) << c.target;
    }
  }
}

TEST(ArchiveCommandLine, ParsesWhatTheProgramSends) {
  auto response = [](const std::string& name, std::string& text) {
    if (name != "res") return false;
    text = "\"notes.txt\"\r\n\"my plan.doc\"\r\n\r\n  表.txt  \n";
    return true;
  };
  const struct {
    const char* line;
    bool letter;
    arc::Status status;
    const char* command;
    const char* switches;
    const char* paths;
  } cases[] = {
      {"x \"C:\\a b\\c.lzh\" \"C:\\a b\\c\\\"", true, arc::kOk, "x", "", "C:\\a b\\c.lzh|C:\\a b\\c\\"},
      {"\"C:\\表\\c.zip\" \"C:\\表\\c\\\"", false, arc::kOk, "", "", "C:\\表\\c.zip|C:\\表\\c\\"},
      {"a -d1a1 \"C:\\w\\notes.lzh\" \"C:\\w\\\" @res", true, arc::kOk, "a", "-d1a1",
       "C:\\w\\notes.lzh|C:\\w\\|notes.txt|my plan.doc|表.txt"},
      {"-r -v \"C:\\w\\n.zip\" \"C:\\w\\\" @res", false, arc::kOk, "", "-r|-v",
       "C:\\w\\n.zip|C:\\w\\|notes.txt|my plan.doc|表.txt"},
      {"--sfx \"C:\\w\\n.zip\"", false, arc::kOk, "", "--sfx", "C:\\w\\n.zip"},
      {"s -gw -x \"C:\\w\\n.lzh\" \"C:\\w\\\"", true, arc::kOk, "s", "-gw|-x", "C:\\w\\n.lzh|C:\\w\\"},
      {"\"-x.zip\"", false, arc::kOk, "", "", "-x.zip"},  // quoted: a path, not a switch
      {"a \"x.lzh\" @missing", true, arc::kErrorResponseFile, "", "", ""},
      {"\"x.lzh\"", true, arc::kErrorCommand, "", "", ""},
      {"", true, arc::kErrorCommand, "", "", ""},
  };
  for (const auto& c : cases) {
    arc::CommandLine parsed;
    arc::Status s = arc::ParseCommandLine(c.line, c.letter, response, parsed);
    EXPECT_EQ(c.status, s) << c.line;
    if (s != arc::kOk) continue;
    EXPECT_EQ(c.command, parsed.command) << c.line;
    EXPECT_EQ(c.switches, Joined(parsed.switches)) << c.line;
    EXPECT_EQ(c.paths, Joined(parsed.paths)) << c.line;
  }
}

TEST(ArchiveCommandLine, PathParts) {
  EXPECT_EQ("表", arc::PathName("C:\\w\\表"));
  EXPECT_EQ("C:\\w\\", arc::PathFolder("C:\\w\\表"));
  EXPECT_EQ("C:\\w\\a.tar", arc::WithoutExtension("C:\\w\\a.tar.gz"));
  EXPECT_EQ("C:\\w.d\\a", arc::WithoutExtension("C:\\w.d\\a"));
  EXPECT_TRUE(arc::EndsWithSeparator("C:\\w\\"));
  EXPECT_FALSE(arc::EndsWithSeparator("C:\\w\\表"));
}

TEST(ArchiveOutput, BufferStaysTerminatedAndWhole) {
  const struct {
    size_t size;
    std::string text;
    std::string expected;
  } cases[] = {
      {10, "abcdefghijklmnop", "abcdefghi"},
      {1, "abc", ""},
      {4, "a表b", "a表"},   // 3 bytes fit with the zero
      {3, "a表b", "a"},      // never half a character
      {32, "short", "short"},
  };
  for (const auto& c : cases) {
    char buffer[40];
    memset(buffer, 'Z', sizeof buffer);
    arc::CopyToBuffer(buffer, c.size, c.text);
    EXPECT_EQ(c.expected, std::string(buffer)) << c.text << " in " << c.size;
    EXPECT_EQ('Z', buffer[c.size]) << "wrote beyond " << c.size;
  }
  arc::CopyToBuffer(nullptr, 10, "x");  // no buffer: nothing, no crash
}

}  // namespace
