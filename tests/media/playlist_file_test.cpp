// List file text and the playlist's small rules (pure code).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/wide_text.h"

#include "media/playlist_file.h"
#include "media/playlist_rules.h"

namespace {

using Lines = std::vector<std::string>;
using Paths = std::vector<std::wstring>;

// A path of exactly `length` bytes under C:\ ending in ".mp3".
std::string PathOfLength(size_t length) {
  std::string path = "C:\\";
  path += std::string(length - path.size() - 4, 'a');
  return path + ".mp3";
}

TEST(ListFile, JapaneseNamesSurviveARoundTrip) {
  // Sources are UTF-8, the program's text Shift-JIS: 表 and ソ end in 0x5C.
  ASSERT_EQ(std::string("表"), "\x95\x5c");
  ASSERT_EQ(std::string("ソ"), "\x83\x5c");
  const Lines paths = {"C:\\音楽\\表.mp3", "D:\\ソフト\\ソ\\曲.wav", "\\\\server\\share\\能.ogg",
                       PathOfLength(259)};
  std::string bytes = m3u::FormatList(paths);
  const std::string firstLine = "C:\\音楽\\表.mp3\r\n";
  EXPECT_EQ(bytes.substr(0, firstLine.size()), firstLine);
  EXPECT_EQ(m3u::ParseList(bytes), paths);
}

TEST(ListFile, LinesAsWrittenByHandAndByOtherPrograms) {
  const std::string longest = PathOfLength(259), tooLong = PathOfLength(260), veryLong = PathOfLength(600);
  struct Case {
    const char* what;
    std::string bytes;
    Lines entries;
  } cases[] = {
      {"CR LF", "a.mp3\r\nb.mp3\r\n", {"a.mp3", "b.mp3"}},
      {"LF only", "a.mp3\nb.mp3\n", {"a.mp3", "b.mp3"}},
      {"last line without line end", "a.mp3\r\nb.mp3", {"a.mp3", "b.mp3"}},
      {"empty file", "", {}},
      {"empty lines", "\r\n\na.mp3\r\n\r\n", {"a.mp3"}},
      {"a CR inside a line stays", "a\rb.mp3\n", {"a\rb.mp3"}},
      {"259 bytes are a path", longest + "\r\n", {longest}},
      {"260 bytes are skipped whole", "a.mp3\r\n" + tooLong + "\r\nb.mp3\r\n", {"a.mp3", "b.mp3"}},
      {"a long last line is skipped whole", "a.mp3\r\n" + veryLong, {"a.mp3"}},
      {"a zero byte names no file", std::string("a\0b.mp3\r\nc.mp3\r\n", 16), {"c.mp3"}},
  };
  for (const Case& c : cases) EXPECT_EQ(m3u::ParseList(c.bytes), c.entries) << c.what;
}

// UTF-16 bytes of a wide text, in either byte order.
std::string Utf16(const std::wstring& text, bool bigEndian) {
  std::string bytes;
  for (wchar_t c : text) {
    char low = char(c & 0xFF), high = char((c >> 8) & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(ListFile, EncodingsByMarkAndByName) {
  // Narrow literals here are the program's Shift-JIS; u8 ones UTF-8.
  const std::wstring wide = L"C:\\\u8868.mp3\r\nCaf\u00e9.mp3\r\nb.mp3";
  const Paths all = {L"C:\\\u8868.mp3", L"Caf\u00e9.mp3", L"b.mp3"};
  struct Case {
    const char* what;
    std::string bytes;
    bool utf8List;
    Paths entries;
    size_t lost;
  } cases[] = {
      {"m3u in Shift-JIS", "C:\\表.mp3\r\n", false, {L"C:\\\u8868.mp3"}, 0},
      {"m3u with a UTF-8 mark", std::string(u8"\uFEFFC:\\表.mp3\r\nCafé.mp3\r\nb.mp3"), false, all, 0},
      {"m3u in UTF-16 LE", "\xFF\xFE" + Utf16(wide, false), false, all, 0},
      {"m3u in UTF-16 BE", "\xFE\xFF" + Utf16(wide, true), false, all, 0},
      {"m3u8 without a mark", std::string(u8"C:\\表.mp3\nb.mp3"), true, {L"C:\\\u8868.mp3", L"b.mp3"}, 0},
      {"m3u8 with a mark", std::string(u8"\uFEFFC:\\表.mp3\n"), true, {L"C:\\\u8868.mp3"}, 0},
      {"a line that is no UTF-8", "\xC3\x28.mp3\nb.mp3", true, {L"b.mp3"}, 1},
  };
  for (const Case& c : cases) {
    m3u::ListText text = m3u::ReadList(c.bytes, c.utf8List);
    EXPECT_EQ(text.entries, c.entries) << c.what;
    EXPECT_EQ(text.lost, c.lost) << c.what;
  }
  EXPECT_TRUE(m3u::IsUtf8ListName(L"C:\\a.M3U8"));
  EXPECT_FALSE(m3u::IsUtf8ListName(L"C:\\a.m3u"));
}

TEST(ListFile, NamesOutsideTheCodePageKeepTheirListWhole) {
  const Paths held = {L"C:\\\u8868.mp3", L"a \u266a.wav"};
  const Paths all = {L"C:\\\u8868.mp3", L"Caf\u00e9.mp3", L"\ud55c\uae00.mp3", L"\U0001F3B5.wav"};
  const std::string allUtf8 = u8"C:\\表.mp3\r\nCafé.mp3\r\n한글.mp3\r\n\U0001F3B5.wav\r\n";
  const std::wstring tooLong = std::wstring(130, L'\u8868');  // 260 bytes in the code page
  struct Case {
    Paths paths;
    bool utf8List;
    std::string bytes;
  } cases[] = {
      {held, false, "C:\\表.mp3\r\na ♪.wav\r\n"},
      {all, false, "\xEF\xBB\xBF" + allUtf8},
      {all, true, allUtf8},
      {{tooLong}, false, "\xEF\xBB\xBF" + Narrow(tooLong, CP_UTF8) + "\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(m3u::FormatList(c.paths, c.utf8List), c.bytes);
    EXPECT_EQ(m3u::ReadList(c.bytes, c.utf8List).entries, c.paths);
  }
}

TEST(ListFile, EmptyListGivesEmptyFile) {
  EXPECT_EQ(m3u::FormatList({}), "");
  EXPECT_EQ(m3u::FormatList({"a.mp3"}), "a.mp3\r\n");
}

TEST(ListFile, RelativeEntriesComeFromTheListsFolder) {
  struct Case {
    const wchar_t* folder;
    const wchar_t* entry;
    const wchar_t* resolved;
  } cases[] = {
      {L"C:\\lists\\", L"a.mp3", L"C:\\lists\\a.mp3"},
      {L"C:\\lists\\", L"sub\\\u8868.mp3", L"C:\\lists\\sub\\\u8868.mp3"},
      {L"C:\\lists\\", L"..\\a.mp3", L"C:\\lists\\..\\a.mp3"},
      {L"C:\\lists\\", L"D:\\music\\a.mp3", L"D:\\music\\a.mp3"},
      {L"C:\\lists\\", L"d:/music/a.mp3", L"d:/music/a.mp3"},
      {L"C:\\lists\\", L"\\music\\a.mp3", L"C:\\music\\a.mp3"},
      {L"C:\\lists\\", L"\\\\server\\share\\a.mp3", L"\\\\server\\share\\a.mp3"},
      {L"", L"a.mp3", L"a.mp3"},
      {L"", L"\\music\\a.mp3", L"\\music\\a.mp3"},
  };
  for (const Case& c : cases) EXPECT_EQ(m3u::ResolveEntry(c.folder, c.entry), c.resolved);
}

TEST(ListFile, NameIsWhatFollowsTheLastSeparator) {
  struct Case {
    std::string path;
    std::string name;
  } cases[] = {
      {"C:\\music\\a.mp3", "a.mp3"},
      {"C:/music/b.wav", "b.wav"},
      {"C:\\ソ\\表.mp3", "表.mp3"},
      {"C:\\music\\表", "表"},
      {"ソ.mp3", "ソ.mp3"},
  };
  for (const Case& c : cases) EXPECT_EQ(m3u::NameOfPath(Widen(c.path, CP_ACP)), Widen(c.name, CP_ACP)) << c.path;
}

TEST(PlaylistRules, MusicExtensionsInOneCaseOnly) {
  struct Case {
    const char* path;
    bool music;
  } cases[] = {
      {"a.mp3", true}, {"a.MP3", true}, {"a.Mp3", false}, {"a.wma", true}, {"a.WMA", true},
      {"a.ogg", true}, {"a.ape", true}, {"a.mpc", true},  {"a.aac", true}, {"a.mid", true},
      {"a.WAV", true}, {"a.avi", false}, {"a.mp3.txt", false}, {"mp3", false}, {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsMusicFile(c.path), c.music) << c.path;
}

TEST(PlaylistRules, ForwardAndBackWrap) {
  struct Case {
    int current, count, forward, back;
  } cases[] = {
      {0, 3, 1, 2}, {1, 3, 2, 0}, {2, 3, 0, 1},
      {0, 1, 0, 0},
      // Past the end of a shortened list both land inside it.
      {3, 3, 0, 2}, {7, 3, 0, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ForwardIndex(c.current, c.count), c.forward) << c.current << " of " << c.count;
    EXPECT_EQ(BackIndex(c.current, c.count), c.back) << c.current << " of " << c.count;
  }
}

TEST(PlaylistRules, RandomPickStaysInRangeAndRepeatsWithinOneSecond) {
  for (unsigned second = 1000; second < 1100; ++second) {
    EXPECT_EQ(RandomPickAt(0, second), 0);
    int pick = RandomPickAt(4, second);
    EXPECT_GE(pick, 0);
    EXPECT_LE(pick, 4);
    EXPECT_EQ(RandomPickAt(4, second), pick);
  }
  // Different seconds do not all give the same entry.
  bool varied = false;
  for (unsigned second = 1; second < 100 && !varied; ++second)
    varied = RandomPickAt(9, second) != RandomPickAt(9, 0);
  EXPECT_TRUE(varied);
}

TEST(PlaylistRules, SliderPercent) {
  struct Case {
    int position, duration, percent;
  } cases[] = {{0, 240, 0}, {120, 240, 50}, {239, 240, 99}, {240, 240, 100}, {5, 0, 0}, {5, -1, 0},
               {300, 240, 100}, {2000000000, 2100000000, 95}};
  for (const Case& c : cases) EXPECT_EQ(SliderPercent(c.position, c.duration), c.percent) << c.position;
}

}  // namespace
