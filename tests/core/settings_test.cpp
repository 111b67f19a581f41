// The settings store against real profile files.
#include "core/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/stored_password.h"
#include "framework/app.h"
#include "framework/scoped_override.h"
#include "tests/test_files.h"

namespace {

int g_loads = 0, g_stores = 0;

bool CountingLoad(const char* file, std::string* bytes) {
  ++g_loads;
  return kFileProfileBackend.load(file, bytes);
}
bool CountingStore(const char* file, const std::string& bytes) {
  ++g_stores;
  return kFileProfileBackend.store(file, bytes);
}

// The keys of the profile text, as "SECTION/key" in file order.
std::vector<std::string> Keys(const std::string& text) {
  std::vector<std::string> keys;
  std::string section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    std::string line = text.substr(pos, end - pos);
    pos = end == std::string::npos ? text.size() : end + 2;
    if (!line.empty() && line[0] == '[') section = line.substr(1, line.size() - 2);
    else if (line.find('=') != std::string::npos) keys.push_back(section + "/" + line.substr(0, line.find('=')));
  }
  return keys;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class SettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    AppSettings = Settings();
    AfxGetApp()->SetProfileName(Profile().c_str());
    g_loads = g_stores = 0;
  }
  CScopedOverride<ProfileBackend> backend{g_profileBackend, {CountingLoad, CountingStore}};
  std::string Profile() const { return folder.File("tovix.ini"); }
  TempFolder folder;
};

void ExpectDefaults(int ddList) {
  const Settings& s = AppSettings;
  EXPECT_EQ(s.MainWindowX, 0);
  EXPECT_EQ(s.MainWindowY, 0);
  EXPECT_EQ(ddList, 0);
  EXPECT_EQ(s.Size, 67);
  EXPECT_EQ(s.LunWindowX, 0);
  EXPECT_EQ(s.LunWindowY, 0);
  EXPECT_EQ(s.RepeatMode, 0);
  EXPECT_EQ(s.Volume, 1000);
  EXPECT_EQ(s.Mail, 0);
  EXPECT_EQ(s.Item1, 0);
  EXPECT_EQ(s.Item2, 2);
  EXPECT_EQ(s.Item3, 3);
  EXPECT_EQ(s.R, 150);
  EXPECT_EQ(s.G, 200);
  EXPECT_EQ(s.B, 255);
  EXPECT_EQ(s.TopMostEnable, 0);
  EXPECT_EQ(s.MoveEnable, 0);
  EXPECT_EQ(s.Skelton, 100);
  EXPECT_EQ(s.TipEnable, 1);
  EXPECT_EQ(s.StartupEnable, 0);
  EXPECT_EQ(s.ShutdownHour, 0);
  EXPECT_EQ(s.ShutdownMinute, 0);
  EXPECT_EQ(s.AutoCleanEnable, 0);
  EXPECT_EQ(s.AutoCleanMinute, 0);
  EXPECT_EQ(s.Check1Enable + s.Check2Enable + s.Check3Enable, 0);
  EXPECT_STREQ(s.Server1, "");
  EXPECT_STREQ(s.Usr2, "");
  EXPECT_STREQ(s.Pass3, "");
  EXPECT_EQ(s.Pitch, 0);
  EXPECT_STREQ(s.HttpMailHost, "");
  EXPECT_EQ(s.LunResetEnable, 0);
  EXPECT_EQ(s.LunCloseEnable, 1);
  EXPECT_EQ(s.LunPosition, 0);
  EXPECT_EQ(s.CleanSizeEnable, 0);
  EXPECT_EQ(s.CleanSize, 0);
  EXPECT_STREQ(s.ListViewBKImage, "default.bmp");
  EXPECT_STREQ(s.Skin, "default");
  EXPECT_FALSE(s.ShutdownArmed);
}

TEST_F(SettingsTest, AbsentProfileGivesDefaultsAndCreatesNoFile) {
  int dd = -7;
  AppSettings.ShutdownArmed = true;
  LoadSettings(&dd);
  ExpectDefaults(dd);
  EXPECT_EQ(GetFileAttributesA(Profile().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsTest, EmptyProfileGivesDefaults) {
  TempFolder::Write(Profile(), "");
  int dd = -7;
  LoadSettings(&dd);
  ExpectDefaults(dd);
}

TEST_F(SettingsTest, KeysAndSectionsMatchWithoutRegardToCase) {
  TempFolder::Write(Profile(),
                    "[window]\r\nmainwindowx=-30\r\nSIZE=198\r\nddlist=3\r\nskin=blue\r\n"
                    "[Music]\r\nVOLUME=400\r\n[mailcheck]\r\nserver2=pop.example\r\n"
                    "httpmailhost=mail.example:8080\r\n");
  int dd = 0;
  LoadSettings(&dd);
  EXPECT_EQ(AppSettings.MainWindowX, -30);
  EXPECT_EQ(AppSettings.Size, 198);
  EXPECT_EQ(dd, 3);
  EXPECT_STREQ(AppSettings.Skin, "blue");
  EXPECT_EQ(AppSettings.Volume, 400);
  EXPECT_STREQ(AppSettings.Server2, "pop.example");
  EXPECT_STREQ(AppSettings.HttpMailHost, "mail.example:8080");
}

TEST_F(SettingsTest, PasswordsAreStoredComplementedAndReadBackPlain) {
  std::strcpy(AppSettings.Pass1, "abc");
  std::strcpy(AppSettings.Pass2, "");
  std::strcpy(AppSettings.Pass3, "パス");
  SaveSettings();
  // Memory holds plain text again.
  EXPECT_STREQ(AppSettings.Pass1, "abc");
  EXPECT_STREQ(AppSettings.Pass3, "パス");

  std::string file = TempFolder::Read(Profile());
  EXPECT_NE(file.find("Pass1=\x9e\x9d\x9c\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Pass2=\r\n"), std::string::npos) << file;  // empty stays empty
  // Each write replaced the profile whole; nothing is left beside it.
  WIN32_FIND_DATAA found;
  HANDLE leftover = FindFirstFileA(folder.File("*.tmp").c_str(), &found);
  EXPECT_EQ(leftover, INVALID_HANDLE_VALUE) << found.cFileName;
  if (leftover != INVALID_HANDLE_VALUE) FindClose(leftover);
  EXPECT_EQ(file.find("abc"), std::string::npos);

  AppSettings = Settings();
  LoadSettings(nullptr);
  EXPECT_STREQ(AppSettings.Pass1, "abc");
  EXPECT_STREQ(AppSettings.Pass2, "");
  EXPECT_STREQ(AppSettings.Pass3, "パス");
}

// Complemented, these bytes are blanks, quotes, line ends or a zero byte,
// which the profile's own rules used to trim, strip or split.
TEST_F(SettingsTest, EveryPasswordByteSurvivesASaveAndALoad) {
  std::vector<std::string> passwords = {"\xDF" "abc\xDF", "\xF6x\xF6", "\xDD" "abc\xDD",
                                        "a\xF2" "b\xF5" "c", "\xFF\xA3x", "\xA3\xA3", "\xDD"};
  std::string all;
  for (int b = 1; b <= 255; ++b) all += char(b);
  for (size_t at = 0; at < all.size(); at += 85) passwords.push_back(all.substr(at, 85));
  for (const std::string& password : passwords) {
    std::strcpy(AppSettings.Pass2, password.c_str());
    SaveSettings();
    AppSettings = Settings();
    LoadSettings(nullptr);
    EXPECT_EQ(std::string(AppSettings.Pass2), password);
  }
}

TEST_F(SettingsTest, PasswordsThatAlwaysStoredWellStayByteIdentical) {
  // Complemented: 9E 9D 9C, a Shift-JIS pair with 0x5C, and inner blanks and quotes.
  for (const char* password : {"abc", "\x7C\xA3", "a\xDF\xDDz", "\xDDz"}) {
    std::strcpy(AppSettings.Pass1, password);
    SaveSettings();
    std::string expected = "Pass1=";
    for (const char* p = password; *p; ++p) expected += char(255 - static_cast<unsigned char>(*p));
    EXPECT_NE(TempFolder::Read(Profile()).find(expected + "\r\n"), std::string::npos) << password;
  }
}

// What a list can select or a field accepts; a hand-edited value outside is
// held to the nearest end. Size and places have no range.
TEST_F(SettingsTest, ListsAndNumbersOutsideTheirRangeAreHeldToIt) {
  using S = Settings;
  const struct {
    const char *section, *key;
    int S::*field;  // null: the drop action
    const char* stored;
    int loaded;
  } cases[] = {
      {"MUSIC", "Volume", &S::Volume, "2147483647", 1000}, {"MUSIC", "Volume", &S::Volume, "-40", 0},
      {"MUSIC", "Volume", &S::Volume, "99999999999", 1000}, {"MUSIC", "Volume", &S::Volume, "640", 640},
      {"MUSIC", "RepeatMode", &S::RepeatMode, "3", 2}, {"WINDOW", "DDList", nullptr, "-1", 0},
      {"WINDOW", "DDList", nullptr, "5", 4}, {"ENTRY", "Mail", &S::Mail, "3", 2},
      {"ENTRY", "Item1", &S::Item1, "42", 6}, {"ENTRY", "Item2", &S::Item2, "-3", 0},
      {"ENTRY", "Item3", &S::Item3, "7", 6}, {"COLOR", "R", &S::R, "999", 255}, {"COLOR", "G", &S::G, "-1", 0},
      {"COLOR", "B", &S::B, "256", 255}, {"WINDOW", "Skelton", &S::Skelton, "-5", 0},
      {"WINDOW", "Skelton", &S::Skelton, "101", 100}, {"OPTION", "ShutdownHour", &S::ShutdownHour, "99", 23},
      {"OPTION", "ShutdownMinute", &S::ShutdownMinute, "60", 59},
      {"OPTION", "AutoCleanMinute", &S::AutoCleanMinute, "-1", 0}, {"MAILCHECK", "Pitch", &S::Pitch, "25", 19},
      {"WINDOW", "LunPosition", &S::LunPosition, "3", 2}, {"OPTION", "CleanSize", &S::CleanSize, "2001", 2000},
      {"OPTION", "CleanSize", &S::CleanSize, "1999", 1999}, {"WINDOW", "Size", &S::Size, "0", 0},
      {"WINDOW", "MainWindowX", &S::MainWindowX, "-3000", -3000},
  };
  for (const auto& c : cases) {
    TempFolder::Write(Profile(), std::string("[") + c.section + "]\r\n" + c.key + "=" + c.stored + "\r\n");
    int dd = -9;
    LoadSettings(&dd);
    EXPECT_EQ(c.field ? AppSettings.*c.field : dd, c.loaded) << c.key << "=" << c.stored;
  }
}

TEST_F(SettingsTest, LoadReadsTheFileOnce) {
  // A large profile: every key looked up in one reading of it.
  std::string big = "[FILLER]\r\n";
  for (int i = 0; i < 20000; ++i) big += "k" + std::to_string(i) + "=some filler value\r\n";
  TempFolder::Write(Profile(), big + "[ENTRY]\r\nItem3=5\r\n");
  LoadSettings(nullptr);
  EXPECT_EQ(AppSettings.Item3, 5);
  EXPECT_EQ(g_loads, 1);
  EXPECT_EQ(g_stores, 0);
}

TEST_F(SettingsTest, InversionIsItsOwnInverse) {
  std::string text = Complemented("abc");
  EXPECT_EQ(text, "\x9e\x9d\x9c");
  text = Complemented(text);
  EXPECT_EQ(text, "abc");
  std::string full = Complemented(std::string(255, 'x'));
  EXPECT_EQ(full.size(), 255u);
  EXPECT_EQ(static_cast<unsigned char>(full[254]), 255 - 'x');
}

TEST_F(SettingsTest, SaveSettingsWritesExactlyItsKeysInOneWrite) {
  AppSettings.ShutdownArmed = true;
  AppSettings.ShutdownHour = 22;
  SaveSettings();
  const std::vector<std::string> expected = {
      "ENTRY/Mail", "ENTRY/Item1", "ENTRY/Item2", "ENTRY/Item3",
      "COLOR/B", "COLOR/R", "COLOR/G",
      "WINDOW/TopMostEnable", "WINDOW/MoveEnable", "WINDOW/Skelton", "WINDOW/TipEnable",
      "OPTION/StartupEnable", "OPTION/ShutdownHour", "OPTION/ShutdownMinute",
      "OPTION/AutoCleanEnable", "OPTION/AutoCleanMinute",
      "MAILCHECK/Check1Enable", "MAILCHECK/Server1", "MAILCHECK/Usr1", "MAILCHECK/Pass1",
      "MAILCHECK/Check2Enable", "MAILCHECK/Server2", "MAILCHECK/Usr2", "MAILCHECK/Pass2",
      "MAILCHECK/Check3Enable", "MAILCHECK/Server3", "MAILCHECK/Usr3", "MAILCHECK/Pass3",
      "MAILCHECK/Pitch", "MAILCHECK/HttpMailHost",
      "MAILCHECK/Security1", "MAILCHECK/Port1", "MAILCHECK/Security2", "MAILCHECK/Port2",
      "MAILCHECK/Security3", "MAILCHECK/Port3",
      "WINDOW/LunResetEnable", "WINDOW/LunCloseEnable", "WINDOW/LunPosition",
      "OPTION/CleanSizeEnable", "OPTION/CleanSize",
      "WINDOW/ListViewBKImage", "WINDOW/Skin"};
  EXPECT_EQ(Sorted(Keys(TempFolder::Read(Profile()))), Sorted(expected));
  EXPECT_EQ(g_loads, 1);
  EXPECT_EQ(g_stores, 1);

  // The armed shutdown is never stored: the next start has it off.
  std::string file = TempFolder::Read(Profile());
  EXPECT_EQ(file.find("Armed"), std::string::npos);
  AppSettings = Settings();
  LoadSettings(nullptr);
  EXPECT_FALSE(AppSettings.ShutdownArmed);
  EXPECT_EQ(AppSettings.ShutdownHour, 22);
}

TEST_F(SettingsTest, SaveWindowStateWritesItsSixKeysFromTheWindow) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 123, 45, 220, 67, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  AppSettings.Size = 198;
  AppSettings.RepeatMode = 2;
  AppSettings.Volume = 480;
  SaveWindowState(window, 4);
  DestroyWindow(window);
  EXPECT_EQ(Keys(TempFolder::Read(Profile())),
            (std::vector<std::string>{"WINDOW/MainWindowX", "WINDOW/MainWindowY", "WINDOW/DDList",
                                      "WINDOW/Size", "MUSIC/RepeatMode", "MUSIC/Volume"}));
  EXPECT_EQ(g_stores, 1);
  EXPECT_EQ(AppSettings.MainWindowX, 123);
  EXPECT_EQ(AppSettings.MainWindowY, 45);
  AppSettings = Settings();
  int dd = 0;
  LoadSettings(&dd);
  EXPECT_EQ(AppSettings.MainWindowX, 123);
  EXPECT_EQ(AppSettings.MainWindowY, 45);
  EXPECT_EQ(dd, 4);
  EXPECT_EQ(AppSettings.Size, 198);
  EXPECT_EQ(AppSettings.RepeatMode, 2);
  EXPECT_EQ(AppSettings.Volume, 480);
}

TEST_F(SettingsTest, WorkingCopyCarriesOnlyTheSheetsFields) {
  AppSettings.Item1 = 5;
  AppSettings.ShutdownArmed = true;
  std::strcpy(AppSettings.Skin, "blue");
  std::strcpy(AppSettings.Pass2, "secret");
  CopyToWorkingCopy();
  EXPECT_EQ(SettingsWorkingCopy.Item1, 5);
  EXPECT_TRUE(SettingsWorkingCopy.ShutdownArmed);
  EXPECT_STREQ(SettingsWorkingCopy.Skin, "blue");
  EXPECT_STREQ(SettingsWorkingCopy.Pass2, "secret");

  SettingsWorkingCopy.Item1 = 6;
  SettingsWorkingCopy.Pitch = 19;
  std::strcpy(SettingsWorkingCopy.Server3, "hotmail");
  AppSettings.MainWindowX = 300;
  AppSettings.Size = 46;
  AppSettings.Volume = 20;
  AppSettings.RepeatMode = 1;
  AppSettings.LunWindowX = 9;
  CopyFromWorkingCopy();
  EXPECT_EQ(AppSettings.Item1, 6);
  EXPECT_EQ(AppSettings.Pitch, 19);
  EXPECT_STREQ(AppSettings.Server3, "hotmail");
  // Window place and height, the player's values and the launcher place stay.
  EXPECT_EQ(AppSettings.MainWindowX, 300);
  EXPECT_EQ(AppSettings.Size, 46);
  EXPECT_EQ(AppSettings.Volume, 20);
  EXPECT_EQ(AppSettings.RepeatMode, 1);
  EXPECT_EQ(AppSettings.LunWindowX, 9);
}

TEST_F(SettingsTest, MenuTogglesWriteTheirOwnKeyAtOnce) {
  AppSettings.TopMostEnable = 1;
  WriteTopMostEnable();
  EXPECT_EQ(Keys(TempFolder::Read(Profile())), std::vector<std::string>{"WINDOW/TopMostEnable"});
  AppSettings.MoveEnable = 1;
  WriteMoveEnable();
  EXPECT_EQ(g_stores, 2);
  std::string file = TempFolder::Read(Profile());
  EXPECT_NE(file.find("TopMostEnable=1"), std::string::npos);
  EXPECT_NE(file.find("MoveEnable=1"), std::string::npos);
}

TEST_F(SettingsTest, UnwritableProfileLeavesSettingsUnsavedWithoutFailing) {
  // A profile in a folder that does not exist can be neither read nor written.
  std::string unwritable = folder.File("missing\\tovix.ini");
  AfxGetApp()->SetProfileName(unwritable.c_str());
  AppSettings.Size = 198;
  SaveWindowState(nullptr, 0);
  SaveSettings();
  EXPECT_EQ(GetFileAttributesA(unwritable.c_str()), INVALID_FILE_ATTRIBUTES);
  LoadSettings(nullptr);
  EXPECT_EQ(AppSettings.Size, 67);
}

}  // namespace
