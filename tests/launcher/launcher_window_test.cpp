// The launcher on the real window: opened by the real main window's launcher
// command, driven with real messages, drop handles made as the shell makes
// them with the real cursor at the drop point, the real mouse and keyboard.
// Opening a file goes to a recorder at the side-effect seam: no program is
// started here.
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/files.h"
#include "framework/scoped_override.h"
#include "framework/wide_text.h"
#include "launcher/launcher_dialog.h"
#include "launcher/launcher_rules.h"
#include "tests/app/main_window_fixture.h"

namespace {

// The default skin of the source tree this test was built from.
std::string SourceSkin() { return std::string(TOVIX_SOURCE_DIR) + "/resources/skin/default/"; }

struct ShellCall {
  std::string verb, file, folder;
  bool parameters;
  int show;
};
std::vector<ShellCall> g_shellCalls;
INT_PTR g_shellResult = 42;  // what the shell answers: above 32 is a start
std::vector<std::string> g_boxes;

class LauncherTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    g_shellCalls.clear();
    g_shellResult = 42;
    g_boxes.clear();
    g_sideEffects.shellExecute = [](HWND, const char* verb, const char* file, const char* parameters,
                                    const char* dir, int show) {
      g_shellCalls.push_back({verb ? verb : "", file ? file : "", dir ? dir : "", parameters != nullptr, show});
      return reinterpret_cast<HINSTANCE>(g_shellResult);
    };
    g_sideEffects.messageBox = [](HWND, const char* text, const char*, UINT) {
      g_boxes.push_back(text);
      return IDOK;
    };
    g_sideEffects.messageBoxW = [](HWND, const wchar_t* text, const wchar_t*, UINT) {
      g_boxes.push_back(Narrow(text, CP_UTF8));
      return IDOK;
    };
    // The F keys reach the real launcher.
    g_mainParts.launchEntry = kMainWindowParts.launchEntry;
    // The default skin in the program's folder, as the program has it.
    CreateDirectoryA(folder.File("skin").c_str(), nullptr);
    CreateDirectoryA(folder.File("skin\\default").c_str(), nullptr);
    for (const char* name : {"00.bmp", "10.bmp", "11U.bmp", "11D.bmp", "12U.bmp", "12D.bmp", "13U.bmp", "13D.bmp"})
      ASSERT_TRUE(CopyFileA((SourceSkin() + name).c_str(), folder.File(std::string("skin\\default\\") + name).c_str(), FALSE))
          << SourceSkin() << name;
  }
  void TearDown() override {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    MainWindowTest::TearDown();
  }

  // Opens the main window at (x, y) and the launcher with its command.
  HWND OpenLauncher(const std::string& profile, int x = 100, int y = 300) {
    WriteProfile("[WINDOW]\r\nMainWindowX=" + std::to_string(x) + "\r\nMainWindowY=" + std::to_string(y) +
                 "\r\n" + profile);
    HWND w = Open();
    SendMessageA(w, WM_COMMAND, IDC_LAUNCHER, 0);
    HWND l = Launcher().m_hWnd;
    EXPECT_TRUE(l && IsWindowVisible(l));
    DrainThroughFramework();
    return l;
  }
  CLauncherDialog& Launcher() { return dialog->Launcher(); }
  void Command(int id, int code = BN_CLICKED) {
    SendMessageA(Launcher().m_hWnd, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(Launcher().GetDlgItem(id)));
  }
  void PageTo(int page) {
    for (int i = 0; i < kLauncherPages; ++i) Command(IDC_LUN_UP);
    for (int i = 0; i < page; ++i) Command(IDC_LUN_DOWN);
    ASSERT_EQ(Launcher().Page(), page);
  }
  std::string PageText() {
    char text[16] = "";
    GetDlgItemTextA(Launcher().m_hWnd, IDC_LUN_PAGE, text, sizeof text);
    return text;
  }
  std::string Entry(int n) {
    char key[16], value[1024];
    LauncherKey(n, key, sizeof key);
    AfxGetApp()->GetProfileStringA("LUN", key, "<none>", value, sizeof value);
    return value;
  }
  std::string TipText(int id) {
    char text[512] = "";
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = Launcher().m_hWnd;
    info.uId = UINT_PTR(Launcher().GetDlgItem(id));
    info.lpszText = text;
    if (!SendMessageA(Launcher().ToolTip(), TTM_GETTOOLINFOA, 0, LPARAM(&info))) return "<no tool>";
    SendMessageA(Launcher().ToolTip(), TTM_GETTEXTA, sizeof text, LPARAM(&info));
    return text;
  }
  void DropAt(int dx, int dy, const std::vector<std::string>& paths) { DropAt(dx, dy, ShellDrop(paths, true)); }
  void DropAt(int dx, int dy, HDROP drop) {
    RECT r;
    GetWindowRect(Launcher().m_hWnd, &r);
    SetCursorPos(r.left + dx, r.top + dy);
    POINT at;
    ASSERT_TRUE(PumpUntil([&] { return GetCursorPos(&at) && at.x == r.left + dx && at.y == r.top + dy; }));
    SendMessageA(Launcher().m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  }
  // A key pressed on a window of this thread, posted to it and handled by the
  // loop as the program handles it (pre-translation first): whichever window
  // the display's input focus is on plays no part.
  static void PressOn(HWND window, WORD key, UINT down = WM_KEYDOWN) {
    PostMessageA(window, down, key, 1);
    PostMessageA(window, down == WM_KEYDOWN ? WM_KEYUP : WM_SYSKEYUP, key, LPARAM(0xC0000001));
    DrainThroughFramework();
  }
  static void Shift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  std::string File(const std::string& name) {
    TempFolder::Write(folder.File(name), "x");
    return folder.File(name);
  }
  static RECT Rect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
  }
};

TEST_F(LauncherTest, EntriesAreNumberedByPageAndPlace) {
  std::string a = File("forty.txt"), b = File("hundred-one.txt");
  HWND l = OpenLauncher("[LUN]\r\nlun40=" + a + "\r\nlun101=" + b + "\r\n");
  EXPECT_EQ(PageText(), "0");
  PageTo(3);
  EXPECT_EQ(PageText(), "3");
  EXPECT_EQ(std::string(Launcher().Item(10).Item()), a);  // bottom right
  EXPECT_EQ(TipText(IDC_LUN_ITEM10), "forty.txt");
  EXPECT_EQ(TipText(IDC_LUN_ITEM9), "NONE");
  PageTo(10);
  EXPECT_EQ(std::string(Launcher().Item(1).Item()), b);  // top left
  EXPECT_EQ(TipText(IDC_LUN_ITEM1), "hundred-one.txt");
  EXPECT_EQ(std::string(Launcher().Item(10).Item()), "");
  // A stored path that names nothing: no icon, "NONE", but still stored.
  DeleteFileA(b.c_str());
  Command(IDC_LUN_DOWN);
  EXPECT_EQ(TipText(IDC_LUN_ITEM1), "NONE");
  EXPECT_TRUE(IsWindowVisible(l));
}

int g_profileLoads = 0;

TEST_F(LauncherTest, APageOfEntriesComesFromOneReadingOfTheProfile) {
  std::string eleven = File("eleven.txt");
  OpenLauncher("[LUN]\r\nlun11=" + eleven + "\r\n");
  CScopedOverride<ProfileBackend> counting{
      g_profileBackend, {[](const char* file, std::string* bytes) {
                           ++g_profileLoads;
                           return kFileProfileBackend.load(file, bytes);
                         },
                         kFileProfileBackend.store}};
  g_profileLoads = 0;
  Command(IDC_LUN_DOWN);
  EXPECT_EQ(std::string(Launcher().Item(1).Item()), eleven);
  EXPECT_EQ(g_profileLoads, 1);
}

TEST_F(LauncherTest, ArrowsAndWheelStopAtTheFirstAndLastPage) {
  HWND l = OpenLauncher("");
  Command(IDC_LUN_UP);
  EXPECT_EQ(Launcher().Page(), 0);
  for (int i = 0; i < 12; ++i) Command(IDC_LUN_DOWN);
  EXPECT_EQ(Launcher().Page(), 10);
  EXPECT_EQ(PageText(), "10");
  // The wheel: one page per message, towards the user turns the page on.
  SendMessageA(l, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(Launcher().Page(), 9);
  SendMessageA(l, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-3 * WHEEL_DELTA)), 0);
  EXPECT_EQ(Launcher().Page(), 10);
  for (int i = 0; i < 12; ++i) SendMessageA(l, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(Launcher().Page(), 0);
  EXPECT_EQ(PageText(), "0");
  // Each notification of a double click turns a page.
  Command(IDC_LUN_DOWN, BN_DOUBLECLICKED);
  EXPECT_EQ(Launcher().Page(), 1);
  Command(IDC_LUN_UP, BN_DOUBLECLICKED);
  EXPECT_EQ(Launcher().Page(), 0);
}

TEST_F(LauncherTest, DoubleClickWithTheMouseOnAnArrowTurnsTwoPages) {
  OpenLauncher("");
  // What a double click gives the button under the pointer: the second press
  // comes as a double click.
  HWND down = Launcher().GetDlgItem(IDC_LUN_DOWN);
  LPARAM at = MAKELPARAM(8, 8);
  for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
    PostMessageA(down, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
  DrainThroughFramework();
  EXPECT_EQ(Launcher().Page(), 2);
  EXPECT_EQ(PageText(), "2");
}

TEST_F(LauncherTest, DropsRegisterOnTheButtonBandOnly) {
  std::string file = File("tool.exe"), other = File("other.txt");
  OpenLauncher("");
  PageTo(2);
  struct Case {
    int dx, dy, entry;  // 0: nothing registered
  } const cases[] = {{24, 10, 21}, {197, 60, 30}, {100, 41, 23}, {100, 42, 28},
                     {23, 10, 0},  {198, 60, 0},  {10, 60, 0},   {210, 20, 0}};
  for (const Case& c : cases) {
    for (int n = 21; n <= 30; ++n) AfxGetApp()->WriteProfileStringA("LUN", ("lun" + std::to_string(n)).c_str(), nullptr);
    DropAt(c.dx, c.dy, {file, other});  // the first dropped file counts
    for (int n = 21; n <= 30; ++n)
      EXPECT_EQ(Entry(n), n == c.entry ? file : "<none>") << c.dx << "," << c.dy << " lun" << n;
    if (c.entry) {
      EXPECT_EQ(std::string(Launcher().Item(c.entry - 20).Item()), file);
      EXPECT_EQ(TipText(kLauncherItems[c.entry - 21].id), "tool.exe");
    }
  }
  // A later drop replaces the entry.
  DropAt(24, 10, {other});
  EXPECT_EQ(Entry(21), other);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_TRUE(g_shellCalls.empty());
}

TEST_F(LauncherTest, PathsUpToTheLongestPathRegisterShowAndOpenWhole) {
  std::string base = folder.File("") + "\\";
  // 259 bytes in all, the platform's longest path.
  std::string name(259 - base.size(), 'n');
  name.replace(name.size() - 4, 4, ".txt");
  std::string longest = File(name);
  ASSERT_EQ(longest.size(), 259u);
  std::string tooLong = longest.substr(0, longest.size() - 4) + "nn.txt";  // 261 bytes
  OpenLauncher("LunCloseEnable=0\r\n");
  DropAt(24, 10, {longest});
  EXPECT_EQ(Entry(1), longest);
  EXPECT_EQ(std::string(Launcher().Item(1).Item()), longest);
  // The tip holds the whole name; the reader gets as much as its buffer takes.
  std::string tip = TipText(IDC_LUN_ITEM1);
  EXPECT_GE(tip.size(), 80u);
  EXPECT_EQ(tip, name.substr(0, tip.size()));
  Command(IDC_LUN_ITEM1);
  ASSERT_EQ(g_shellCalls.size(), 1u);
  EXPECT_EQ(g_shellCalls[0].file, longest);
  EXPECT_EQ(g_shellCalls[0].folder, base);
  // Longer: refused with a message, nothing stored cut.
  DropAt(60, 10, {tooLong});
  EXPECT_EQ(Entry(2), "<none>");
  EXPECT_EQ(g_boxes.size(), 1u);
  // Made longer by hand in the profile: shown as nothing, never opened cut.
  AfxGetApp()->WriteProfileStringA("LUN", "lun03", tooLong.c_str());
  Command(IDC_LUN_DOWN);
  Command(IDC_LUN_UP);
  EXPECT_EQ(std::string(Launcher().Item(3).Item()), "");
  EXPECT_EQ(TipText(IDC_LUN_ITEM3), "NONE");
  Command(IDC_LUN_ITEM3);
  EXPECT_EQ(g_shellCalls.size(), 1u);
  EXPECT_EQ(g_boxes.size(), 2u);
}

TEST_F(LauncherTest, NamesCodePage932CannotHoldAreRefusedWithTheRealName) {
  const std::wstring name = folder.File(L"Caf\u00e9 \U0001F600.txt");
  ASSERT_TRUE(TempFolder::Write(name, ""));
  OpenLauncher("LunCloseEnable=0\r\n");
  DropAt(24, 10, ShellDrop(std::vector<std::wstring>{name}));
  EXPECT_EQ(Entry(1), "<none>");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find(Narrow(name, CP_UTF8)), std::string::npos) << g_boxes[0];
}

TEST_F(LauncherTest, ShiftClickDeletesTheEntryAndStaysOpen) {
  std::string file = File("keep.txt");
  HWND l = OpenLauncher("LunCloseEnable=1\r\n[LUN]\r\nlun13=" + file + "\r\nlun14=" + file + "\r\n");
  PageTo(1);
  RECT before = Rect(l);
  Shift(true);
  Command(IDC_LUN_ITEM3);
  Command(IDC_LUN_ITEM5);  // empty: deletes nothing
  Shift(false);
  EXPECT_EQ(Entry(13), "<none>");
  EXPECT_EQ(ReadProfile().find("lun13"), std::string::npos);
  EXPECT_EQ(Entry(14), file);
  EXPECT_EQ(std::string(Launcher().Item(3).Item()), "");
  EXPECT_EQ(TipText(IDC_LUN_ITEM3), "NONE");
  EXPECT_TRUE(g_shellCalls.empty());
  EXPECT_TRUE(IsWindowVisible(l));
  EXPECT_TRUE(LauncherVisible);
  EXPECT_EQ(Rect(l).left, before.left);
  EXPECT_EQ(ReadProfile().find("LunWindowX"), std::string::npos);  // no position stored
}

TEST_F(LauncherTest, ClickOnAnEmptyButtonStoresThePlaceAndHidesByLunCloseEnable) {
  for (int close : {0, 1}) {
    SCOPED_TRACE(close);
    HWND l = OpenLauncher("LunCloseEnable=" + std::to_string(close) + "\r\n", 140, 300);
    MoveWindow(l, 130, 150, 220, 82, TRUE);
    Command(IDC_LUN_ITEM7);
    EXPECT_TRUE(g_shellCalls.empty());
    EXPECT_NE(ReadProfile().find("LunWindowX=130"), std::string::npos);
    EXPECT_NE(ReadProfile().find("LunWindowY=150"), std::string::npos);
    EXPECT_EQ(AppSettings.LunWindowX, 130);
    EXPECT_EQ(LauncherVisible, close == 0);
    EXPECT_EQ(bool(IsWindowVisible(l)), close == 0);
    dialog.reset();
  }
}

TEST_F(LauncherTest, CloseButtonStoresThePlaceAndHides) {
  HWND l = OpenLauncher("");
  MoveWindow(l, 33, 44, 220, 82, TRUE);
  Command(IDC_LUN_CLOSE);
  EXPECT_FALSE(IsWindowVisible(l));
  EXPECT_FALSE(LauncherVisible);
  EXPECT_NE(ReadProfile().find("LunWindowX=33"), std::string::npos);
  EXPECT_NE(ReadProfile().find("LunWindowY=44"), std::string::npos);
  // The launcher command opens it again.
  SendMessageA(dialog->m_hWnd, WM_COMMAND, IDC_LAUNCHER, 0);
  EXPECT_TRUE(IsWindowVisible(l));
}

TEST_F(LauncherTest, LaunchOpensThroughTheShellInTheEntrysFolder) {
  CreateDirectoryA(folder.File("tools").c_str(), nullptr);
  std::string tool = File("tools\\run.exe");
  HWND l = OpenLauncher("LunCloseEnable=1\r\n[LUN]\r\nlun01=" + tool +
                        "\r\nlun02=bare.exe\r\nlun03=NONE\r\nlun04=\r\nlun05=" + folder.File("missing.exe") + "\r\n");
  // A double click: the click launches, the second notification does not.
  Command(IDC_LUN_ITEM1);
  Command(IDC_LUN_ITEM1, BN_DOUBLECLICKED);
  ASSERT_EQ(g_shellCalls.size(), 1u);
  EXPECT_EQ(g_shellCalls[0].verb, "open");
  EXPECT_EQ(g_shellCalls[0].file, tool);
  EXPECT_EQ(g_shellCalls[0].folder, folder.File("tools") + "\\");
  EXPECT_FALSE(g_shellCalls[0].parameters);
  EXPECT_EQ(g_shellCalls[0].show, SW_SHOWNORMAL);
  EXPECT_FALSE(IsWindowVisible(l));
  EXPECT_FALSE(LauncherVisible);

  // A bare name works in the program's folder.
  SendMessageA(dialog->m_hWnd, WM_COMMAND, IDC_LAUNCHER, 0);
  Command(IDC_LUN_ITEM2);
  ASSERT_EQ(g_shellCalls.size(), 2u);
  EXPECT_EQ(g_shellCalls[1].file, "bare.exe");
  char program[MAX_PATH];
  ASSERT_TRUE(ProgramFolder(program, sizeof program));
  EXPECT_EQ(g_shellCalls[1].folder, program);
  // "NONE" and an empty value are no entries; a missing file is still asked for.
  SendMessageA(dialog->m_hWnd, WM_COMMAND, IDC_LAUNCHER, 0);
  Command(IDC_LUN_ITEM3);
  SendMessageA(dialog->m_hWnd, WM_COMMAND, IDC_LAUNCHER, 0);
  Command(IDC_LUN_ITEM4);
  EXPECT_EQ(g_shellCalls.size(), 2u);
  SendMessageA(dialog->m_hWnd, WM_COMMAND, IDC_LAUNCHER, 0);
  Command(IDC_LUN_ITEM5);
  ASSERT_EQ(g_shellCalls.size(), 3u);
  EXPECT_EQ(g_shellCalls[2].file, folder.File("missing.exe"));
}

TEST_F(LauncherTest, AnEntryThatCannotBeOpenedSaysWhyByClickAndByFunctionKey) {
  std::string gone = folder.File("gone\\tool.exe"), tooLong = folder.File(std::string(300, 'n') + ".exe");
  auto cannot = [&](DWORD error) {  // the path and the system's own words
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                   sizeof reason, nullptr);
    return "次のファイルを開けませんでした。\n" + gone + "\n\n" + std::string(reason, std::strcspn(reason, "\r\n"));
  };
  const struct {
    std::string stored;
    INT_PTR shell;  // the shell's answer
    std::string box;
  } cases[] = {
      {gone, SE_ERR_FNF, cannot(ERROR_FILE_NOT_FOUND)}, {gone, SE_ERR_NOASSOC, cannot(ERROR_NO_ASSOCIATION)},
      {gone, 42, ""},
      {tooLong, 42, "登録されているパスが長すぎるため起動できません。\nこのボタンにファイルを登録し直してください。"},
  };
  OpenLauncher("LunCloseEnable=0\r\n");
  for (bool byKey : {false, true})
    for (const auto& c : cases) {
      AfxGetApp()->WriteProfileStringA("LUN", "lun01", c.stored.c_str());
      g_shellResult = c.shell;
      g_shellCalls.clear();
      g_boxes.clear();
      if (byKey) PressOn(GetDlgItem(dialog->m_hWnd, IDC_DROP_ACTION), VK_F1);
      else Command(IDC_LUN_ITEM1);
      EXPECT_EQ(g_shellCalls.size(), c.stored == tooLong ? 0u : 1u) << byKey << " " << c.shell;
      EXPECT_EQ(g_boxes, c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box});
    }
}

TEST_F(LauncherTest, FunctionKeysOpenTheFirstTenEntriesWhateverThePage) {
  std::string one = File("one.txt"), ten = File("ten.txt");
  OpenLauncher("[LUN]\r\nlun01=" + one + "\r\nlun10=" + ten + "\r\nlun31=" + File("page3.txt") + "\r\n");
  PageTo(3);
  // F10 comes as a system key, as the keyboard gives it.
  HWND box = GetDlgItem(dialog->m_hWnd, IDC_DROP_ACTION);
  PressOn(box, VK_F1);
  PressOn(box, VK_F10, WM_SYSKEYDOWN);
  PressOn(box, VK_F5);
  ASSERT_EQ(g_shellCalls.size(), 2u);  // F5: lun05 is empty
  EXPECT_EQ(g_shellCalls[0].file, one);
  EXPECT_EQ(g_shellCalls[1].file, ten);
  EXPECT_EQ(Launcher().Page(), 3);
}

TEST_F(LauncherTest, EnterAndEscapeDoNothing) {
  std::string file = File("x.txt");
  HWND l = OpenLauncher("[LUN]\r\nlun01=" + file + "\r\n");
  for (WORD key : {WORD(VK_RETURN), WORD(VK_ESCAPE)}) PressOn(Launcher().GetDlgItem(IDC_LUN_ITEM1), key);
  EXPECT_TRUE(IsWindow(l));
  EXPECT_TRUE(IsWindowVisible(l));
  EXPECT_TRUE(LauncherVisible);
  EXPECT_TRUE(g_shellCalls.empty());
}

TEST_F(LauncherTest, PlacedByLunPositionWithItsFallBacks) {
  int H = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    int position, mainY, x, y;
  } const cases[] = {
      {0, 300, 100, 218},       // above
      {0, 40, 100, 86},         // no room above: below
      {0, 81, 100, 127},        //
      {0, 82, 100, 0},          // just room above
      {1, 300, 100, 346},       // below
      {1, H - 92, 100, H - 82}, // below, pulled up onto the screen
      {1, H - 91, 100, H - 173},// no room below: above
      {2, 300, 400, 222},       // the stored place
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("position " + std::to_string(c.position) + " y " + std::to_string(c.mainY));
    HWND l = OpenLauncher("LunPosition=" + std::to_string(c.position) + "\r\nLunWindowX=400\r\nLunWindowY=222\r\n",
                          100, c.mainY);
    RECT r = Rect(l);
    EXPECT_EQ(r.left, c.x);
    EXPECT_EQ(r.top, c.y);
    EXPECT_EQ(r.right - r.left, 220);
    EXPECT_EQ(r.bottom - r.top, 82);
    dialog.reset();
  }
}

TEST_F(LauncherTest, KeptOnTheScreen) {
  int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    int storedX, storedY, x, y;
  } const cases[] = {
      {-50, 100, 0, 100}, {W - 100, 100, W - 220, 100}, {100, -30, 100, 0},
      {100, H - 20, 100, H - 82}, {-5, H - 1, 0, H - 82}, {W - 10, -10, W - 220, 0}, {10, 10, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.storedX) + "," + std::to_string(c.storedY));
    HWND l = OpenLauncher("LunPosition=2\r\nLunWindowX=" + std::to_string(c.storedX) +
                          "\r\nLunWindowY=" + std::to_string(c.storedY) + "\r\n");
    EXPECT_EQ(Rect(l).left, c.x);
    EXPECT_EQ(Rect(l).top, c.y);
    // Dragged out again: pulled back.
    MoveWindow(l, -40, c.y, 220, 82, TRUE);
    EXPECT_EQ(Rect(l).left, 0);
    dialog.reset();
  }
  // Hidden, it may stand anywhere (the launcher command shows it off the screen first).
  HWND l = OpenLauncher("");
  Command(IDC_LUN_CLOSE);
  MoveWindow(l, W + 5, H + 5, 220, 82, FALSE);
  EXPECT_EQ(Rect(l).left, W + 5);
}

TEST_F(LauncherTest, ToolTipsOfTheArrowsFollowTipEnable) {
  for (int tips : {0, 1}) {
    SCOPED_TRACE(tips);
    OpenLauncher("TipEnable=" + std::to_string(tips) + "\r\n");
    EXPECT_EQ(SendMessageA(Launcher().ToolTip(), TTM_GETTOOLCOUNT, 0, 0), tips ? 12 : 10);
    EXPECT_EQ(TipText(IDC_LUN_ITEM1), "NONE");
    EXPECT_EQ(TipText(IDC_LUN_UP), tips ? "スクロール↑" : "<no tool>");
    EXPECT_EQ(TipText(IDC_LUN_DOWN), tips ? "スクロール↓" : "<no tool>");
    dialog.reset();
  }
}

TEST_F(LauncherTest, OpacityAndRecreationAfterTheSettingsSheet) {
  HWND l = OpenLauncher("Skelton=50\r\n");
  if (OsClass == kOsNt5) {
    EXPECT_TRUE(GetWindowLongA(l, GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(l, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 155);
    EXPECT_TRUE(flags & LWA_ALPHA);
  } else {
    EXPECT_FALSE(GetWindowLongA(l, GWL_EXSTYLE) & WS_EX_LAYERED);
  }
  PageTo(4);
  parts_recorder::sheetResult = IDOK;
  SendMessageA(dialog->m_hWnd, WM_COMMAND, IDC_SETTINGS, 0);
  HWND again = Launcher().m_hWnd;
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(IsWindowVisible(again));
  EXPECT_FALSE(LauncherVisible);
  EXPECT_EQ(Launcher().Page(), 0);
  SendMessageA(dialog->m_hWnd, WM_COMMAND, IDC_LAUNCHER, 0);
  EXPECT_TRUE(IsWindowVisible(again));
  EXPECT_EQ(PageText(), "0");
}

// --- What the window shows with the default skin ---

// How far apart two colours are; a display of fewer colours rounds a little.
int Distance(COLORREF a, COLORREF b) {
  return abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) + abs(GetBValue(a) - GetBValue(b));
}

class LauncherPixelTest : public LauncherTest {
 protected:
  HBITMAP background = nullptr;
  HDC pictureDc = nullptr;
  void SetUp() override {
    LauncherTest::SetUp();
    background = static_cast<HBITMAP>(LoadImageA(nullptr, folder.File("skin\\default\\10.bmp").c_str(),
                                                 IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_NE(background, nullptr);
    pictureDc = CreateCompatibleDC(nullptr);
    SelectObject(pictureDc, background);
  }
  void TearDown() override {
    DeleteDC(pictureDc);
    DeleteObject(background);
    LauncherTest::TearDown();
  }
  // Lets the window paint what it was asked to, as the program's loop would:
  // nothing is forced to repaint here.
  void Settle(HWND l) {
    SetCursorPos(0, 0);  // no tool tip over the window
    POINT at;
    ASSERT_TRUE(PumpUntil([&] { return GetCursorPos(&at) && at.x == 0 && at.y == 0; }));
    DrainThroughFramework();
    EXPECT_FALSE(GetUpdateRect(l, nullptr, FALSE));
  }
  // Pixels of the window's area that differ clearly from the skin's picture.
  int DifferingPixels(HWND l, const RECT& area) {
    int differing = 0;
    HDC dc = GetDC(l);
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        if (Distance(GetPixel(dc, x, y), GetPixel(pictureDc, x, y)) > 120) ++differing;
      }
    ReleaseDC(l, dc);
    return differing;
  }
};

TEST_F(LauncherPixelTest, BackgroundButtonsIconsAndThePageNumberShow) {
  std::string program = folder.File("tool.exe");
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  ASSERT_TRUE(CopyFileA(self, program.c_str(), FALSE));
  HWND l = OpenLauncher("[LUN]\r\nlun02=" + program + "\r\n");
  Settle(l);
  // The background and the empty buttons show the skin's picture as it is,
  // outside the icon, the page number and the three skin buttons.
  EXPECT_EQ(DifferingPixels(l, {0, 0, 220, 82}) - DifferingPixels(l, {60, 8, 92, 40}) -
                DifferingPixels(l, {4, 62, 20, 74}) - DifferingPixels(l, {200, 23, 216, 59}) -
                DifferingPixels(l, {4, 4, 20, 20}),
            0);
  EXPECT_EQ(DifferingPixels(l, {26, 8, 58, 40}), 0);
  // The registered program's icon on its button.
  EXPECT_GT(DifferingPixels(l, {60, 8, 92, 40}), 20);
  // The page number stands out from the picture, on every page.
  for (int page : {0, 7, 10}) {
    PageTo(page);
    Settle(l);
    EXPECT_GT(DifferingPixels(l, {4, 62, 20, 74}), 6) << "page " << page;
  }
  // The arrows and the close button show their released pictures.
  for (const char* name : {"11U.bmp", "12U.bmp", "13U.bmp"}) {
    HBITMAP picture = static_cast<HBITMAP>(LoadImageA(nullptr, folder.File(std::string("skin\\default\\") + name).c_str(),
                                                      IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    HDC p = CreateCompatibleDC(nullptr);
    SelectObject(p, picture);
    int id = name[1] == '1' ? IDC_LUN_UP : name[1] == '2' ? IDC_LUN_DOWN : IDC_LUN_CLOSE;
    HWND button = Launcher().GetDlgItem(id);
    HDC dc = GetDC(button);
    int same = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) same += Distance(GetPixel(dc, x, y), GetPixel(p, x, y)) < 24;
    ReleaseDC(button, dc);
    DeleteDC(p);
    DeleteObject(picture);
    EXPECT_EQ(same, 256) << name;
  }
}

}  // namespace
