// The application object's profile file on disk: encodings written by
// editors, the read-only attribute, failed writes and batches.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/app.h"
#include "framework/ini_file.h"
#include "framework/scoped_override.h"
#include "tests/test_files.h"

namespace {

int g_stores = 0;
bool CountingStore(const char* file, const std::string& bytes) {
  ++g_stores;
  return kFileProfileBackend.store(file, bytes);
}

class ProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    profile = folder.File("tovix.ini");
    AfxGetApp()->SetProfileName(profile.c_str());
    g_stores = 0;
  }
  void TearDown() override {
    SetFileAttributesA(profile.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  std::string Get(const char* section, const char* key) {
    char value[64];
    AfxGetApp()->GetProfileStringA(section, key, "<absent>", value, sizeof value);
    return value;
  }
  CScopedOverride<ProfileBackend> backend{g_profileBackend, {kFileProfileBackend.load, CountingStore}};
  TempFolder folder;
  std::string profile;
};

TEST_F(ProfileTest, Utf8FileWithMarkIsReadConvertedAndWrittenBackInUtf8) {
  // "スキン" in UTF-8.
  TempFolder::Write(profile, "\xEF\xBB\xBF[WINDOW]\r\nSkin=\xE3\x82\xB9\xE3\x82\xAD\xE3\x83\xB3\r\n");
  EXPECT_EQ(Get("WINDOW", "Skin"), "スキン");
  AfxGetApp()->WriteProfileStringA("WINDOW", "ListViewBKImage", "青.bmp");
  EXPECT_EQ(TempFolder::Read(profile),
            "\xEF\xBB\xBF[WINDOW]\r\nSkin=\xE3\x82\xB9\xE3\x82\xAD\xE3\x83\xB3\r\n"
            "ListViewBKImage=\xE9\x9D\x92.bmp\r\n");
}

TEST_F(ProfileTest, Utf16FileIsWrittenBackWholeInUtf16) {
  std::wstring wide = L"[WINDOW]\r\nSkin=スキン\r\n";
  std::string bytes = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  TempFolder::Write(profile, bytes);
  EXPECT_EQ(Get("window", "skin"), "スキン");
  AfxGetApp()->WriteProfileInt("WINDOW", "Size", 198);
  std::wstring expected = L"[WINDOW]\r\nSkin=スキン\r\nSize=198\r\n";
  EXPECT_EQ(TempFolder::Read(profile),
            "\xFF\xFE" + std::string(reinterpret_cast<const char*>(expected.data()), expected.size() * 2));
}

TEST_F(ProfileTest, ReadOnlyProfileIsLeftAsItIs) {
  TempFolder::Write(profile, "[WINDOW]\r\nSize=46\r\n");
  SetFileAttributesA(profile.c_str(), FILE_ATTRIBUTE_READONLY);
  AfxGetApp()->WriteProfileInt("WINDOW", "Size", 198);
  EXPECT_EQ(TempFolder::Read(profile), "[WINDOW]\r\nSize=46\r\n");
  EXPECT_NE(GetFileAttributesA(profile.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(ProfileTest, FailedTemporaryWriteLeavesTheProfileUntouched) {
  TempFolder::Write(profile, "[WINDOW]\r\nSize=46\r\n");
  // Where this process writes its new version, a folder stands: the write
  // fails as on a full disk.
  std::string temporary = profile + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
  ASSERT_TRUE(CreateDirectoryA(temporary.c_str(), nullptr));
  AfxGetApp()->BeginProfileBatch();
  AfxGetApp()->WriteProfileInt("WINDOW", "Size", 198);
  EXPECT_FALSE(AfxGetApp()->EndProfileBatch());
  EXPECT_EQ(TempFolder::Read(profile), "[WINDOW]\r\nSize=46\r\n");
  RemoveDirectoryA(temporary.c_str());
  // Another copy's temporary file does not stand in the way.
  TempFolder::Write(profile + ".tmp", "");
  AfxGetApp()->WriteProfileInt("WINDOW", "Size", 198);
  EXPECT_EQ(TempFolder::Read(profile), "[WINDOW]\r\nSize=198\r\n");
}

TEST_F(ProfileTest, BatchReadsOnceAndWritesOnceOnlyWhenChanged) {
  AfxGetApp()->BeginProfileBatch();
  AfxGetApp()->WriteProfileInt("A", "x", 1);
  AfxGetApp()->WriteProfileInt("B", "y", 2);
  EXPECT_EQ(AfxGetApp()->GetProfileIntA("a", "X", 0), 1);  // sees its own writes
  EXPECT_EQ(GetFileAttributesA(profile.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(AfxGetApp()->EndProfileBatch());
  EXPECT_EQ(g_stores, 1);
  EXPECT_EQ(TempFolder::Read(profile), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  { CProfileBatch readOnly; EXPECT_EQ(AfxGetApp()->GetProfileIntA("B", "y", 0), 2); }
  EXPECT_EQ(g_stores, 1);
}

}  // namespace

namespace {

// Run as a child by the test below: saves a batch of keys many times over.
TEST(ProfileChild, DISABLED_SaveLoop) {
  const char* file = getenv("TOVIX_SAVE_LOOP_FILE");
  const char* mark = getenv("TOVIX_SAVE_LOOP_MARK");
  ASSERT_TRUE(file && mark);
  AfxGetApp()->SetProfileName(file);
  for (int round = 0; round < 150; ++round) {
    CProfileBatch batch;
    for (int key = 0; key < 30; ++key)
      AfxGetApp()->WriteProfileStringA("WINDOW", ("k" + std::to_string(key)).c_str(),
                                       (std::string(mark) + "-" + std::to_string(round)).c_str());
  }
}

// Two copies of the program quitting together (as at log-off) each save the
// whole profile: what is left is always one complete version.
TEST(Profile, TwoProcessesSavingAtOnceLeaveOneCompleteVersion) {
  TempFolder folder;
  std::string file = folder.File("tovix.ini");
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  PROCESS_INFORMATION children[2] = {};
  for (int i = 0; i < 2; ++i) {
    SetEnvironmentVariableA("TOVIX_SAVE_LOOP_FILE", file.c_str());
    SetEnvironmentVariableA("TOVIX_SAVE_LOOP_MARK", i ? "second" : "first");
    std::string command = std::string("\"") + self +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=ProfileChild.DISABLED_SaveLoop";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessA(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                               &children[i]));
  }
  for (PROCESS_INFORMATION& child : children) {
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
  }
  std::string text = TempFolder::Read(file);
  std::string version;
  ASSERT_TRUE(ini::FindValue(text, "WINDOW", "k0", &version)) << text;
  std::string expected = "[WINDOW]\r\n";
  for (int key = 0; key < 30; ++key) expected += "k" + std::to_string(key) + "=" + version + "\r\n";
  EXPECT_EQ(text, expected);
}

}  // namespace
