// The system commands. Whatever would act on the machine (shutdown, the exit
// dialog, screen saver, display power, recycle bin, recent documents, the
// user's start-up folder, the shell's "open") is recorded instead; the
// start-up shortcut is a real .lnk in a scratch folder, read back through
// IShellLinkA.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/settings.h"
#include "core/side_effects.h"
#include "framework/scoped_override.h"
#include "app/system_commands.h"
#include "status/samplers.h"
#include "tests/test_files.h"

namespace {

using Log = std::vector<std::string>;

Log g_log;
std::string g_startupFolder;
BOOL g_startupFolderFound = TRUE;
ExitWindowsDialogEntry g_dialogEntry = nullptr;

std::string Hex(unsigned long long value) {
  char text[32];
  snprintf(text, sizeof text, "%llx", value);
  return text;
}
std::string Text(const char* text) { return text ? "\"" + std::string(text) + "\"" : "null"; }

const SideEffects kRecorders = {
    kSystemSideEffects.socketStartup,
    kSystemSideEffects.messageBox,
    [](DWORD message, NOTIFYICONDATAA*) {
      g_log.push_back("trayNotify " + std::to_string(message));
      return TRUE;
    },
    [] { g_log.push_back("enableShutdownPrivilege"); },
    [](UINT flags, DWORD reason) {
      g_log.push_back("exitWindows " + Hex(flags) + " " + Hex(reason));
      return TRUE;
    },
    [](ExitWindowsDialogEntry entry, HWND owner) {
      g_dialogEntry = entry;
      g_log.push_back("exitWindowsDialog owner " + Hex(UINT_PTR(owner)));
    },
    [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
      g_log.push_back("postMessage " + Hex(UINT_PTR(window)) + " " + Hex(message) + " " +
                      Hex(wParam) + " " + Hex(ULONG_PTR(lParam)));
      return TRUE;
    },
    [](HWND owner, const char* root, DWORD flags) {
      g_log.push_back("emptyRecycleBin " + Hex(UINT_PTR(owner)) + " " + Text(root) + " " +
                      Hex(flags));
      return S_OK;
    },
    [](UINT flags, const void* path) {
      g_log.push_back("addToRecentDocs " + Hex(flags) + " " + Text(static_cast<const char*>(path)));
    },
    [](HWND owner, char* folder) {
      g_log.push_back("startupFolder " + Hex(UINT_PTR(owner)));
      lstrcpynA(folder, g_startupFolder.c_str(), MAX_PATH);
      return g_startupFolderFound;
    },
    [](HWND owner, const char* verb, const char* file, const char* parameters, const char* folder,
       int show) {
      g_log.push_back("shellExecute " + Hex(UINT_PTR(owner)) + " " + Text(verb) + " " + Text(file) +
                      " " + Text(parameters) + " " + Text(folder) + " " + std::to_string(show));
      return HINSTANCE(UINT_PTR(42));
    },
    [](const char* command, HWND) -> DWORD {
      g_log.push_back(std::string("mci ") + command);
      return 0;
    },
    [](UINT type) -> BOOL {
      g_log.push_back("messageBeep " + std::to_string(type));
      return TRUE;
    },
    kSystemSideEffects.messageBoxW,
};

std::string ProgramPath() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

class SystemCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_dialogEntry = nullptr;
    g_startupFolder = startup.File("");
    g_startupFolderFound = TRUE;
    savedOsClass = OsClass;
    AppSettings = Settings();
  }
  void TearDown() override {
    OsClass = savedOsClass;
    AppSettings = Settings();
  }
  CScopedOverride<SideEffects> effects{g_sideEffects, kRecorders};
  std::string LinkPath() const { return startup.File("tovix.lnk"); }
  static bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  TempFolder startup;  // stands in for the user's start-up folder
  OsClassValue savedOsClass = kOs95;
};

// ------------------------------------------------------------- shutdown

TEST_F(SystemCommandsTest, ShutdownOnTheNtFamilyEnablesThePrivilegeThenPowersOff) {
  for (OsClassValue os : {kOsNt5, kOsNt}) {
    SCOPED_TRACE(os);
    g_log.clear();
    OsClass = os;
    ShutdownSystem();
    EXPECT_EQ(g_log, (Log{"enableShutdownPrivilege", "exitWindows " + Hex(EWX_POWEROFF) + " 0"}));
  }
}

TEST_F(SystemCommandsTest, ShutdownOnThe95FamilyShutsDownWithoutPrivilege) {
  for (OsClassValue os : {kOs95Later, kOs95}) {
    SCOPED_TRACE(os);
    g_log.clear();
    OsClass = os;
    ShutdownSystem();
    EXPECT_EQ(g_log, (Log{"exitWindows " + Hex(EWX_SHUTDOWN) + " 0"}));
  }
}

// The privilege step is harmless on its own: it only changes this process's
// token, so the real one runs here.
bool ShutdownPrivilegeEnabled() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  LUID shutdown;
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown);
  PRIVILEGE_SET set = {1, PRIVILEGE_SET_ALL_NECESSARY, {{shutdown, 0}}};
  BOOL held = FALSE;
  PrivilegeCheck(token, &set, &held);
  CloseHandle(token);
  return held != FALSE;
}

void SetShutdownPrivilege(DWORD attributes) {
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  TOKEN_PRIVILEGES p = {1, {{{0, 0}, attributes}}};
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &p.Privileges[0].Luid);
  AdjustTokenPrivileges(token, FALSE, &p, 0, nullptr, nullptr);
  CloseHandle(token);
}

TEST_F(SystemCommandsTest, PrivilegeStepEnablesShutdownInTheProcessToken) {
  SetShutdownPrivilege(0);
  ASSERT_FALSE(ShutdownPrivilegeEnabled());
  kSystemSideEffects.enableShutdownPrivilege();
  EXPECT_TRUE(ShutdownPrivilegeEnabled());
  SetShutdownPrivilege(0);
}

// ------------------------------------------------- the other commands

TEST_F(SystemCommandsTest, ExitDialogCallsShell32Ordinal60WithoutOwner) {
  ShowExitWindowsDialog();
  EXPECT_EQ(g_log, Log{"exitWindowsDialog owner 0"});
  HMODULE shell32 = LoadLibraryA("shell32.dll");
  ASSERT_NE(shell32, nullptr);
  EXPECT_NE(g_dialogEntry, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(g_dialogEntry),
            reinterpret_cast<void*>(GetProcAddress(shell32, MAKEINTRESOURCEA(60))));
  FreeLibrary(shell32);
}

TEST_F(SystemCommandsTest, ExitDialogMissingShowsNothing) {
  ShowExitWindowsDialogFrom("tovix_no_such_library.dll");
  // A library that exists but exports no ordinal 60.
  HMODULE small = LoadLibraryA("msimg32.dll");
  ASSERT_NE(small, nullptr);
  ASSERT_EQ(GetProcAddress(small, MAKEINTRESOURCEA(60)), nullptr);
  ShowExitWindowsDialogFrom("msimg32.dll");
  FreeLibrary(small);
  EXPECT_TRUE(g_log.empty());
}

TEST_F(SystemCommandsTest, ScreenSaverAndDisplayOffArePostedToTheMainWindow) {
  HWND main = HWND(UINT_PTR(0x1234));
  StartScreenSaver(main);
  TurnDisplayOff(main);
  EXPECT_EQ(g_log,
            (Log{"postMessage 1234 " + Hex(WM_SYSCOMMAND) + " " + Hex(SC_SCREENSAVE) + " 0",
                 "postMessage 1234 " + Hex(WM_SYSCOMMAND) + " " + Hex(SC_MONITORPOWER) + " 2"}));
}

TEST_F(SystemCommandsTest, RecycleBinOfAllDrivesIsEmptiedWithTheShellsQuestion) {
  EmptyRecycleBin();
  EXPECT_EQ(g_log, Log{"emptyRecycleBin 0 null 0"});
}

TEST_F(SystemCommandsTest, RecentDocumentsAreClearedWithAnEmptyPath) {
  ClearRecentDocuments();
  EXPECT_EQ(g_log, Log{"addToRecentDocs " + Hex(SHARD_PATH) + " null"});
}

TEST_F(SystemCommandsTest, HelpOpensHelpHtmlBesideTheProgram) {
  std::string program = ProgramPath();
  std::string folder = program.substr(0, program.rfind('\\'));
  OpenHelpPage();
  EXPECT_EQ(g_log, Log{"shellExecute 0 \"open\" \"" + folder + "\\Help.html\" null \"" + folder +
                       "\" " + std::to_string(SW_SHOWNORMAL)});
}

// ------------------------------------------------------ start-up shortcut

struct LinkContent {
  std::string target, arguments, description, workingFolder, iconPath;
  int iconIndex = -1;
  int showCommand = -1;
};

// Reads a shortcut back through the shell; false when it is not one.
bool ReadLink(const std::string& path, LinkContent* content) {
  CoInitialize(nullptr);
  bool ok = false;
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      WCHAR wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[MAX_PATH] = "";
        link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        content->target = text;
        text[0] = '\0';
        link->GetArguments(text, MAX_PATH);
        content->arguments = text;
        text[0] = '\0';
        link->GetDescription(text, MAX_PATH);
        content->description = text;
        text[0] = '\0';
        link->GetWorkingDirectory(text, MAX_PATH);
        content->workingFolder = text;
        text[0] = '\0';
        link->GetIconLocation(text, MAX_PATH, &content->iconIndex);
        content->iconPath = text;
        ok = true;
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  // Wine's shell link reads every field back but the show command; take it
  // from the file's header (a 32-bit value at byte 0x3C).
  std::string bytes = TempFolder::Read(path);
  if (bytes.size() >= 0x40) {
    content->showCommand = 0;
    for (int i = 3; i >= 0; --i)
      content->showCommand = content->showCommand << 8 | (unsigned char)bytes[0x3C + i];
  }
  return ok;
}

TEST_F(SystemCommandsTest, StartupOnCreatesAShortcutToTheProgram) {
  AppSettings.StartupEnable = 1;
  HWND main = HWND(UINT_PTR(0x5678));
  SyncStartupShortcut(main);
  // The folder is asked for with the main window as owner.
  EXPECT_EQ(g_log, Log{"startupFolder 5678"});
  LinkContent link;
  ASSERT_TRUE(ReadLink(LinkPath(), &link));
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), ProgramPath().c_str()), 0) << link.target;
  EXPECT_EQ(link.arguments, "/s");
  EXPECT_EQ(link.description, "Tovix");
  EXPECT_EQ(link.workingFolder, "");
  EXPECT_EQ(link.iconPath, "");
  EXPECT_EQ(link.showCommand, SW_SHOWNORMAL);
}

TEST_F(SystemCommandsTest, StartupOnLeavesAnExistingFileUntouched) {
  AppSettings.StartupEnable = 1;
  const std::string bytes("not a shortcut\0\x81\x5C\r\n", 20);
  TempFolder::Write(LinkPath(), bytes);
  // A write time long past: any write now would change it.
  FILETIME before = {0x12345600u, 0x01C00000u}, after;
  HANDLE h = CreateFileA(LinkPath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &before));
  CloseHandle(h);
  SyncStartupShortcut(nullptr);
  EXPECT_EQ(TempFolder::Read(LinkPath()), bytes);
  h = CreateFileA(LinkPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                  nullptr);
  GetFileTime(h, nullptr, nullptr, &after);
  CloseHandle(h);
  EXPECT_EQ(CompareFileTime(&before, &after), 0);
}

TEST_F(SystemCommandsTest, StartupOnKeepsAShortcutThatPointsElsewhere) {
  CoInitialize(nullptr);
  ASSERT_HRESULT_SUCCEEDED(CreateShellLink(LinkPath().c_str(), "C:\\windows\\notepad.exe", "other",
                                           "", "", "", 0, SW_SHOWNORMAL));
  CoUninitialize();
  AppSettings.StartupEnable = 1;
  SyncStartupShortcut(nullptr);
  LinkContent link;
  ASSERT_TRUE(ReadLink(LinkPath(), &link));
  EXPECT_EQ(link.description, "other");
  EXPECT_EQ(link.arguments, "");
}

TEST_F(SystemCommandsTest, StartupOffDeletesTheFileWhateverItHolds) {
  AppSettings.StartupEnable = 1;
  SyncStartupShortcut(nullptr);
  ASSERT_TRUE(Exists(LinkPath()));
  AppSettings.StartupEnable = 0;
  SyncStartupShortcut(nullptr);
  EXPECT_FALSE(Exists(LinkPath()));

  TempFolder::Write(LinkPath(), "anything");
  SyncStartupShortcut(nullptr);
  EXPECT_FALSE(Exists(LinkPath()));
}

TEST_F(SystemCommandsTest, StartupOffWithoutShortcutDoesNothing) {
  TempFolder::Write(startup.File("other.lnk"), "kept");
  SyncStartupShortcut(nullptr);
  EXPECT_FALSE(Exists(LinkPath()));
  EXPECT_EQ(TempFolder::Read(startup.File("other.lnk")), "kept");
}

TEST_F(SystemCommandsTest, StartupWithoutStartupFolderTouchesNoOtherPlace) {
  // A failed lookup must not turn into "\tovix.lnk" at the root of the drive.
  ASSERT_FALSE(Exists("\\tovix.lnk"));
  g_startupFolder = "";
  g_startupFolderFound = FALSE;
  AppSettings.StartupEnable = 1;
  SyncStartupShortcut(nullptr);
  EXPECT_EQ(g_log, Log{"startupFolder 0"});
  EXPECT_FALSE(Exists("\\tovix.lnk"));
}

TEST_F(SystemCommandsTest, StartupFolderWithJapaneseNameGetsItsShortcut) {
  // "表" and "ソ" end in the byte 0x5C, the backslash.
  std::string folder = startup.File("表ソフト");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  g_startupFolder = folder;
  AppSettings.StartupEnable = 1;
  SyncStartupShortcut(nullptr);
  LinkContent link;
  ASSERT_TRUE(ReadLink(folder + "\\tovix.lnk", &link));
  EXPECT_EQ(link.arguments, "/s");
  EXPECT_FALSE(Exists(LinkPath()));
}

TEST_F(SystemCommandsTest, CreateShellLinkWritesEveryField) {
  CoInitialize(nullptr);
  std::string path = startup.File("full.lnk");
  EXPECT_HRESULT_SUCCEEDED(CreateShellLink(path.c_str(), "C:\\windows\\notepad.exe", "説明", "a b",
                                           "C:\\windows", "C:\\windows\\notepad.exe", 2,
                                           SW_SHOWMAXIMIZED));
  CoUninitialize();
  LinkContent link;
  ASSERT_TRUE(ReadLink(path, &link));
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), "C:\\windows\\notepad.exe"), 0) << link.target;
  EXPECT_EQ(link.description, "説明");
  EXPECT_EQ(link.arguments, "a b");
  EXPECT_EQ(lstrcmpiA(link.workingFolder.c_str(), "C:\\windows"), 0) << link.workingFolder;
  EXPECT_EQ(lstrcmpiA(link.iconPath.c_str(), "C:\\windows\\notepad.exe"), 0) << link.iconPath;
  EXPECT_EQ(link.iconIndex, 2);
  EXPECT_EQ(link.showCommand, SW_SHOWMAXIMIZED);
}

TEST_F(SystemCommandsTest, CreateShellLinkReportsAFailedSave) {
  CoInitialize(nullptr);
  std::string path = startup.File("missing\\x.lnk");
  EXPECT_TRUE(FAILED(CreateShellLink(path.c_str(), ProgramPath().c_str(), "Tovix", "/s", "", "", 0,
                                     SW_SHOWNORMAL)));
  CoUninitialize();
  EXPECT_FALSE(Exists(path));
}

TEST_F(SystemCommandsTest, CreateShellLinkWithoutComFailsQuietly) {
  std::string path = startup.File("nocom.lnk");
  HRESULT result = S_OK;
  // A fresh thread, where nothing has initialised COM.
  std::thread([&] {
    result = CreateShellLink(path.c_str(), ProgramPath().c_str(), "Tovix", "/s", "", "", 0,
                             SW_SHOWNORMAL);
  }).join();
  EXPECT_EQ(result, CO_E_NOTINITIALIZED);
  EXPECT_FALSE(Exists(path));
}

}  // namespace
