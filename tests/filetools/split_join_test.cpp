// Split and join: the arithmetic and texts on their own, and the real split
// and join dialogs on the test display, driven with real messages from a
// thread timer that runs inside their modal loops, with the files on disk
// checked afterwards. Message boxes are recorded (a test cannot press a real
// one), except where a test presses Enter on a real one.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/side_effects.h"
#include "filetools/join_dialog.h"
#include "filetools/split_dialog.h"
#include "filetools/split_plan.h"
#include "framework/scoped_override.h"
#include "resources/resource.h"
#include "tests/support/data.h"
#include "tests/support/modal_script.h"
#include "tests/test_files.h"

namespace {

using namespace splitjoin;

// ---- Pure parts ----

TEST(SplitPlan, SlicesOfAPiece) {
  // 2,500,000 bytes: three slices, the last one the rest.
  ASSERT_EQ(3u, SliceCount(2500000));
  EXPECT_EQ(1000000u, SliceBytes(2500000, 0));
  EXPECT_EQ(1000000u, SliceBytes(2500000, 1));
  EXPECT_EQ(500000u, SliceBytes(2500000, 2));
  EXPECT_EQ(2u, SliceCount(2000000));
  EXPECT_EQ(1000000u, SliceBytes(2000000, 1));
  EXPECT_EQ(1u, SliceCount(1));
  EXPECT_EQ(1u, SliceBytes(1, 0));
  // Pieces beyond 4 GiB.
  EXPECT_EQ(4295u, SliceCount(4294967297ull));
  EXPECT_EQ(967297u, SliceBytes(4294967297ull, 4294));
}

TEST(SplitPlan, PieceSizes) {
  struct {
    uint64_t file, piece, index, bytes;
  } cases[] = {
      {2500000, 1000000, 0, 1000000}, {2500000, 1000000, 1, 1000000}, {2500000, 1000000, 2, 500000},
      {2000000, 1000000, 1, 1000000}, {4297967296ull, 2147483648ull, 1, 2147483648ull},
      {4297967296ull, 2147483648ull, 2, 3000000},
  };
  for (const auto& c : cases) {
    uint64_t count = PieceCount(c.file, c.piece);
    EXPECT_EQ(c.bytes, PieceBytes(c.file, c.piece, count, c.index)) << c.file << "/" << c.piece << " #" << c.index;
  }
}

TEST(SplitPlan, PieceSizeText) {
  struct {
    const char* text;
    bool ok;
    uint64_t value;
  } cases[] = {{"1", true, 1},
               {"0", true, 0},
               {"4294967297", true, 4294967297ull},
               {"18446744073709551615", true, 18446744073709551615ull},
               {"18446744073709551616", false, 0},
               {"", false, 0},
               {"12a", false, 0},
               {"-1", false, 0}};
  for (const auto& c : cases) {
    uint64_t value = 7;
    EXPECT_EQ(c.ok, ParsePieceSize(c.text, &value)) << c.text;
    if (c.ok) {
      EXPECT_EQ(c.value, value) << c.text;
    }
  }
}

TEST(SplitPlan, BatchLines) {
  EXPECT_EQ((std::vector<std::string>{"copy /B \"movie.avi.001\" + \"movie.avi.002\" \"movie.avi\"\r\n"}),
            BatchLines("movie.avi", 2));
  EXPECT_EQ((std::vector<std::string>{"copy /B \"a b.avi.001\" + \"a b.avi.002\" \"a b.avi\"\r\n",
                                      "copy /B \"a b.avi\" + \"a b.avi.003\" \"a b.avi\"\r\n",
                                      "copy /B \"a b.avi\" + \"a b.avi.004\" \"a b.avi\"\r\n",
                                      "copy /B \"a b.avi\" + \"a b.avi.005\" \"a b.avi\"\r\n"}),
            BatchLines("a b.avi", 5));
  // One piece: the batch copies it back.
  EXPECT_EQ((std::vector<std::string>{"copy /B \"x.bin.001\" \"x.bin\"\r\n"}), BatchLines("x.bin", 1));
  // The interpreter expands %...% even inside quotes: every % is doubled.
  EXPECT_EQ((std::vector<std::string>{"copy /B \"50%%off.avi.001\" + \"50%%off.avi.002\" \"50%%off.avi\"\r\n"}),
            BatchLines("50%off.avi", 2));
  EXPECT_EQ(998u, BatchLines("x", 999).size());
  EXPECT_EQ("copy /B \"x\" + \"x.999\" \"x\"\r\n", BatchLines("x", 999).back());
}

// Which pieces a join takes, from the pieces' sizes (-1: no such file).
TEST(SplitPlan, JoinSet) {
  struct {
    std::vector<int64_t> sizes;  // of .001, .002, ...
    uint64_t count, missing;
  } cases[] = {
      {{1000, 1000, 500}, 3, 0},
      {{1000, 1000, 1000}, 3, 0},
      {{1000, 1000, 0}, 3, 0},
      {{1000, 1000, 500, 1000}, 3, 0},       // a stale piece after the short last one
      {{1000, 500, -1, 1000}, 2, 0},         // the same past a gap
      {{1000, 2000, 2000}, 1, 0},            // larger than the first: another split's
      {{3000, -1, 3000}, 1, 2},              // a gap: the missing piece is named
      {{1000, 1000, -1, -1, -1, 700}, 2, 3},
      {{-1, 1000}, 0, 0},
      {std::vector<int64_t>(1200, 7), 999, 0},  // three digits end the set
  };
  for (const auto& c : cases) {
    JoinSet set = PlanJoin([&](uint64_t number) {
      EXPECT_LE(number, kMaxPieces);
      return number <= c.sizes.size() ? c.sizes[number - 1] : -1;
    });
    EXPECT_EQ(c.count, set.count) << ::testing::PrintToString(c.sizes).substr(0, 40);
    EXPECT_EQ(c.missing, set.missing) << ::testing::PrintToString(c.sizes).substr(0, 40);
  }
}

TEST(SplitPlan, NamesAndJoinOutput) {
  EXPECT_EQ("C:\\data\\movie.avi.001", PieceName("C:\\data\\movie.avi", 1));
  EXPECT_EQ("C:\\data\\movie.avi.042", PieceName("C:\\data\\movie.avi", 42));
  EXPECT_EQ("C:\\data\\movie.avi.bat", BatchName("C:\\data\\movie.avi"));
  // ソ is 83 5C: its second byte is no separator.
  EXPECT_EQ("\x83\x5C.avi", FileNameOf("C:\\d\\\x83\x5C.avi"));
  struct {
    const char* dropped;
    const char* output;  // null: refused
  } cases[] = {
      {"C:\\data\\movie.avi.001", "C:\\data\\movie.avi"},
      {"C:\\data\\movie.001", "C:\\data\\movie"},
      {"C:\\d\\\x83\x5C.001", "C:\\d\\\x83\x5C"},
      {"movie.avi.001", "movie.avi"},
      {"C:\\data\\movie.avi.002", nullptr},
      {"C:\\data\\movie.avi", nullptr},
      {"C:\\data\\movie.avi.0011", nullptr},
      {"C:\\data.001\\movie", nullptr},
      {"C:\\data\\.001", nullptr},
      {"C:.001", nullptr},
  };
  for (const auto& c : cases) {
    std::string output = "unchanged";
    EXPECT_EQ(c.output != nullptr, JoinOutputPath(c.dropped, &output)) << c.dropped;
    EXPECT_EQ(c.output ? c.output : "unchanged", output) << c.dropped;
  }
}

// The pattern that finds a name the console's code page cannot spell: one ?
// per UTF-16 unit of such a character and of one that would break the line.
TEST(SplitPlan, BatchPattern) {
  auto spell = [](const std::wstring& character, std::string* spelt) {
    if (character.size() != 1 || character[0] > 0x7F) return character == L"\u8868" ? (*spelt = "\x95\x5C", true) : false;
    *spelt = std::string(1, char(character[0]));
    return true;
  };
  EXPECT_EQ("Caf??????1?????\x95\x5C.bin", BatchPattern(L"Caf\u00e9 \U0001F600 (1) & %\u8868.bin", spell));
}

TEST(SplitPlan, Texts) {
  EXPECT_EQ("4297967296 Byte", SizeText(4297967296ull));
  EXPECT_EQ("0 Byte", SizeText(0));
  EXPECT_EQ(0, ProgressPercent(0, 3));
  EXPECT_EQ(33, ProgressPercent(1, 3));
  EXPECT_EQ(49, ProgressPercent(2147483647ull, 4294967296ull));
  EXPECT_EQ(100, ProgressPercent(0, 0));
  std::string text = FailureText(Failure::kCreate, "C:\\a.001", "reason");
  EXPECT_EQ("ファイルを作成できませんでした。\nC:\\a.001\nreason", text);
  EXPECT_EQ("ファイルを開けませんでした。\nC:\\a", FailureText(Failure::kOpen, "C:\\a", ""));
}

// ---- The dialogs on the display ----

// A message box as it was asked for, with what its owner showed then: the
// path static (1040 in both dialogs) and the progress bar.
struct Box {
  HWND owner;
  std::string text, caption;
  UINT type;
  std::string shownPath;
  int progress;
};
std::vector<Box> g_boxes;

int RecordBox(HWND owner, const char* text, const char* caption, UINT type) {
  char shown[MAX_PATH] = "";
  GetDlgItemTextA(owner, IDC_JOIN_PATH, shown, sizeof shown);
  HWND bar = GetDlgItem(owner, IDC_JOIN_PROGRESS);
  if (!bar) bar = GetDlgItem(owner, IDC_SPLIT_PROGRESS);
  int progress = bar ? int(SendMessageA(bar, PBM_GETPOS, 0, 0)) : -1;
  g_boxes.push_back({owner, text, caption, type, shown, progress});
  return IDOK;
}
// Records, then shows the real box, which a test closes with Enter.
int RecordAndShowBox(HWND owner, const char* text, const char* caption, UINT type) {
  RecordBox(owner, text, caption, type);
  return kSystemSideEffects.messageBox(owner, text, caption, type);
}

std::string ItemText(HWND dialog, int id) {
  char text[512] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// A button pressed: the notification its parent gets.
void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Keys as the keyboard sends them, to the window with the focus: through the
// modal loop and its dialog manager.
void PressKeys(const std::string& keys) {
  HWND focus = GetFocus();
  for (char c : keys) {
    UINT vk = c == '\r' ? VK_RETURN : UINT(c);
    LPARAM scan = LPARAM(MapVirtualKeyA(vk, 0)) << 16;
    PostMessageA(focus, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(focus, WM_KEYUP, vk, scan | 1 | (LPARAM(3) << 30));
  }
}

bool EditHasFocusAllSelected(HWND dialog) {
  HWND edit = GetDlgItem(dialog, IDC_SPLIT_PIECE_SIZE);
  if (GetFocus() != edit) return false;
  DWORD start = 0, end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == 0 && end == DWORD(GetWindowTextLengthA(edit));
}

// A file of that size without writing it: the rest reads as zeros.
bool MakeSparseFile(const std::string& path, uint64_t size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD unused = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = LONGLONG(size);
  bool ok = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}

bool WriteAt(const std::string& path, uint64_t offset, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at;
  at.QuadPart = LONGLONG(offset);
  DWORD put = 0;
  bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
            WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr) && put == bytes.size();
  CloseHandle(h);
  return ok;
}

// -1 when the file is missing.
long long SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (long long)(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

// Nobody holds the file open any more: it opens with no sharing at all.
bool NotHeldOpen(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// Compares two files in chunks; the first differing offset, or -1 when equal.
long long FirstDifference(const std::string& a, const std::string& b) {
  HANDLE ha = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  HANDLE hb = CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  long long result = -1;
  if (ha == INVALID_HANDLE_VALUE || hb == INVALID_HANDLE_VALUE) {
    result = 0;
  } else {
    const DWORD chunk = 8 << 20;
    std::vector<char> ba(chunk), bb(chunk);
    for (long long offset = 0;; offset += chunk) {
      DWORD na = 0, nb = 0;
      ReadFile(ha, ba.data(), chunk, &na, nullptr);
      ReadFile(hb, bb.data(), chunk, &nb, nullptr);
      if (na != nb || memcmp(ba.data(), bb.data(), na) != 0) {
        DWORD i = 0;
        while (i < na && i < nb && ba[i] == bb[i]) ++i;
        result = offset + i;
        break;
      }
      if (na == 0) break;
    }
  }
  if (ha != INVALID_HANDLE_VALUE) CloseHandle(ha);
  if (hb != INVALID_HANDLE_VALUE) CloseHandle(hb);
  return result;
}

class SplitJoinDialogs : public testing::Test {
 protected:
  CScopedOverride<SideEffects> effects_{g_sideEffects};
  TempFolder folder_;

  void SetUp() override {
    g_boxes.clear();
    g_sideEffects.messageBox = RecordBox;
  }
  std::string File(const std::string& name) const { return folder_.File(name); }

  // Opens the split dialog for `path`, sets the piece size, ticks the batch
  // box if asked, and presses 分割; the run ends when the dialog closes or,
  // after a failure, when `afterFailure` has looked and pressed やめる.
  // A path in the code page, or a wide one.
  static const char* Arg(const std::string& path) { return path.c_str(); }
  static const std::wstring& Arg(const std::wstring& path) { return path; }

  template <typename Path>
  void Split(const Path& path, const char* pieceSize, bool batch,
             std::function<void(HWND)> afterFailure = nullptr, DWORD guardMs = 60000,
             std::function<void(HWND)> watch = nullptr) {
    HWND dialog = nullptr;
    size_t boxes = g_boxes.size();
    std::vector<Step> steps = {
        {"the split dialog", [&] { return (dialog = FindDialog(kSplitCaption)) != nullptr; },
         [&] {
           SetDlgItemTextA(dialog, IDC_SPLIT_PIECE_SIZE, pieceSize);
           if (batch) PostMessageA(GetDlgItem(dialog, IDC_SPLIT_BATCH), BM_CLICK, 0, 0);
           Click(dialog, IDC_SPLIT_START);
         }}};
    if (afterFailure) {
      steps.push_back({"a failure shown, the dialog enabled again",
                       [&] { return g_boxes.size() > boxes && IsWindowEnabled(dialog); },
                       [&] {
                         afterFailure(dialog);
                         Click(dialog, IDCANCEL);
                       }});
    }
    CScript script(steps, guardMs);
    if (watch) script.watch = [&] { if (dialog && IsWindow(dialog)) watch(dialog); };
    StartSplit(nullptr, Arg(path));
    EXPECT_TRUE(script.Finished());
  }

  // Joins from `first`; the join dialog closes itself.
  void Join(const std::string& first, HWND owner = nullptr, DWORD guardMs = 60000,
            std::function<void(HWND)> watch = nullptr) {
    HWND dialog = nullptr;
    CScript script({}, guardMs);
    if (watch) script.watch = [&] {
      if (!dialog) dialog = FindDialog(kJoinCaption);
      if (dialog && IsWindow(dialog)) watch(dialog);
    };
    StartJoin(owner, first.c_str());
  }
};

// The count the dialog shows as the piece size changes, and which sizes it
// refuses: the file sizes as they come, empty, small, and beyond 4 GiB.
TEST_F(SplitJoinDialogs, CountsAndRefusals) {
  struct Case {
    uint64_t fileSize;
    const char* pieceSize;  // null: as the dialog opens (piece size 1)
    const char* count;
  } cases[] = {
      {2500000, "1000000", "3"},
      {2500000, "2500000", "1"},
      {2500000, "2500001", "不可"},
      {1000000, "1000", "不可"},
      {1000000, "1002", "999"},
      {1000000, "0", "不可"},
      {1000000, "", "不可"},
      {500, nullptr, "500"},
      {999, nullptr, "999"},
      {1000, nullptr, "不可"},
      {0, nullptr, "0"},
      {0, "1", "不可"},
      {5000000000ull, "2147483648", "3"},
      {5000000000ull, "4294967297", "2"},
      {5000000000ull, "5000000000", "1"},
      {5000000000ull, "5000000001", "不可"},
      {5000000000ull, "18446744073709551616", "不可"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.fileSize) + " / " + (c.pieceSize ? c.pieceSize : "(opening)"));
    std::string path = File("file" + std::to_string(n++) + ".bin");
    ASSERT_TRUE(MakeSparseFile(path, c.fileSize));
    g_boxes.clear();
    HWND dialog = nullptr;
    std::string sizeText, pieceText, count;
    bool refuses = std::string(c.count) == "不可" || std::string(c.count) == "0";
    CScript script({
        {"the split dialog", [&] { return (dialog = FindDialog(kSplitCaption)) != nullptr; },
         [&] {
           sizeText = ItemText(dialog, IDC_SPLIT_FILE_SIZE);
           pieceText = ItemText(dialog, IDC_SPLIT_PIECE_SIZE);
           if (c.pieceSize) SetDlgItemTextA(dialog, IDC_SPLIT_PIECE_SIZE, c.pieceSize);
           count = ItemText(dialog, IDC_SPLIT_COUNT);
           if (refuses) Click(dialog, IDC_SPLIT_START);
         }},
        {"the refusal", [&] { return !refuses || (g_boxes.size() == 1 && IsWindowEnabled(dialog)); },
         [&] {
           // The values stay as they were.
           if (refuses) {
             EXPECT_EQ(c.count, ItemText(dialog, IDC_SPLIT_COUNT));
           }
           Click(dialog, IDCANCEL);
         }},
    });
    StartSplit(nullptr, path.c_str());
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ(std::to_string(c.fileSize) + " Byte", sizeText);
    EXPECT_EQ("1", pieceText);
    EXPECT_EQ(c.count, count);
    if (refuses) {
      ASSERT_EQ(1u, g_boxes.size());
      EXPECT_EQ("分割サイズが不正です", g_boxes[0].text);
      EXPECT_EQ("分割エラー", g_boxes[0].caption);
      EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), g_boxes[0].type);
    } else {
      EXPECT_TRUE(g_boxes.empty());
    }
    // やめる and a refusal create nothing.
    EXPECT_EQ(-1, SizeOf(path + ".001"));
    DeleteFileA(path.c_str());
  }
}

// The piece size has the focus with its text selected and 分割 is the default
// button: a size typed and Enter start the split. The messages are real boxes
// that Enter closes.
TEST_F(SplitJoinDialogs, KeyboardAlone) {
  g_sideEffects.messageBox = RecordAndShowBox;
  std::string path = File("keys.bin");
  std::string bytes = test_data::Noise(2500000, 1);
  TempFolder::Write(path, bytes);
  HWND dialog = nullptr;
  bool focusedAtOpen = false;
  LRESULT defId = 0;
  auto boxFocused = [](const char* caption) {
    HWND box = FindDialog(caption);
    return box && GetFocus() && GetParent(GetFocus()) == box && GetDlgCtrlID(GetFocus()) == IDOK;
  };
  auto typed = [&](const char* text) { return ItemText(dialog, IDC_SPLIT_PIECE_SIZE) == text; };
  // Keys are pressed as a person does: Enter once the typing shows.
  CScript script({
      {"the split dialog", [&] { return (dialog = FindDialog(kSplitCaption)) != nullptr && GetFocus(); },
       [&] {
         focusedAtOpen = EditHasFocusAllSelected(dialog);
         defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
         PressKeys("0");  // no valid split
       }},
      {"0 in place of 1", [&] { return typed("0"); }, [] { PressKeys("\r"); }},
      {"the refusal's box, OK focused", [&] { return boxFocused(kSplitErrorCaption); }, [] { PressKeys("\r"); }},
      {"the size again, selected",
       [&] { return !FindDialog(kSplitErrorCaption) && IsWindowEnabled(dialog) && EditHasFocusAllSelected(dialog); },
       [&] { PressKeys("1000000"); }},
      {"1000000 in place of 0", [&] { return typed("1000000"); }, [] { PressKeys("\r"); }},
      {"the completion's box, OK focused", [&] { return boxFocused(kSplitDoneCaption); }, [] { PressKeys("\r"); }},
  });
  StartSplit(nullptr, path.c_str());
  ASSERT_TRUE(script.Finished());
  EXPECT_TRUE(focusedAtOpen);
  EXPECT_EQ(MAKELRESULT(IDC_SPLIT_START, DC_HASDEFID), defId);
  ASSERT_EQ(2u, g_boxes.size());
  EXPECT_EQ("分割サイズが不正です", g_boxes[0].text);
  EXPECT_EQ("分割しました", g_boxes[1].text);
  EXPECT_EQ("分割完了", g_boxes[1].caption);
  EXPECT_EQ(UINT(MB_OK), g_boxes[1].type);
  EXPECT_EQ(dialog, g_boxes[1].owner);
  EXPECT_EQ(100, g_boxes[1].progress);
  EXPECT_TRUE(bytes.substr(0, 1000000) == TempFolder::Read(path + ".001"));
  EXPECT_TRUE(bytes.substr(1000000, 1000000) == TempFolder::Read(path + ".002"));
  EXPECT_TRUE(bytes.substr(2000000) == TempFolder::Read(path + ".003"));
  EXPECT_EQ(-1, SizeOf(path + ".004"));
  EXPECT_EQ(-1, SizeOf(path + ".bat"));
}

// The batch file's lines as the split writes them: two pieces, five, a name
// with blanks and Shift-JIS, one piece.
TEST_F(SplitJoinDialogs, BatchFiles) {
  struct {
    const char* name;
    size_t size;
    const char* pieceSize;
    const char* text;
  } cases[] = {
      {"movie.avi", 2000000, "1000000", "copy /B \"movie.avi.001\" + \"movie.avi.002\" \"movie.avi\"\r\n"},
      {"movie.avi", 5000000, "1000000",
       "copy /B \"movie.avi.001\" + \"movie.avi.002\" \"movie.avi\"\r\n"
       "copy /B \"movie.avi\" + \"movie.avi.003\" \"movie.avi\"\r\n"
       "copy /B \"movie.avi\" + \"movie.avi.004\" \"movie.avi\"\r\n"
       "copy /B \"movie.avi\" + \"movie.avi.005\" \"movie.avi\"\r\n"},
      {"my holiday movie.avi", 2500000, "1000000",
       "copy /B \"my holiday movie.avi.001\" + \"my holiday movie.avi.002\" \"my holiday movie.avi\"\r\n"
       "copy /B \"my holiday movie.avi\" + \"my holiday movie.avi.003\" \"my holiday movie.avi\"\r\n"},
      {"表 ソ.avi", 20, "10", "copy /B \"表 ソ.avi.001\" + \"表 ソ.avi.002\" \"表 ソ.avi\"\r\n"},
      {"one.bin", 1000, "1000", "copy /B \"one.bin.001\" \"one.bin\"\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + std::string(" / ") + c.pieceSize);
    g_boxes.clear();
    std::string path = File(c.name);
    TempFolder::Write(path, test_data::Noise(c.size, 1));
    Split(path, c.pieceSize, true);
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ("分割しました", g_boxes[0].text);
    EXPECT_EQ(c.text, TempFolder::Read(path + ".bat"));
    DeleteFileA((path + ".bat").c_str());
  }
}

// Files beside the output whose names start with its name and ".~": what a
// join writes before the output is replaced.
int TemporaryFilesBeside(const std::string& output) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((output + ".~*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileA(search, &found));
  FindClose(search);
  return n;
}

// Runs a batch file with the system's command interpreter in the batch
// file's folder, as a double click does; its exit code, -1 when it did not
// run or end (a hang guard, not a timing).
int RunBatch(const std::string& folder, const std::string& batch) {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  std::string interpreter = std::string(system) + "\\cmd.exe";
  std::string line = "cmd.exe /c \"" + batch + "\"";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process = {};
  DWORD code = DWORD(-1);
  if (CreateProcessA(interpreter.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     folder.c_str(), &startup, &process)) {
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code))
      code = DWORD(-1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(nul);
  return int(code);
}

// The batch file of a split run as a person runs it, in the pieces' folder
// without the original: the command interpreter rebuilds the original bytes
// whatever the name holds (%, a variable's name between two %, blanks, and
// characters whose second byte is a backslash). The interpreter reads the
// batch file in the console code page, 932 here as on a Japanese system.
TEST_F(SplitJoinDialogs, BatchFileJoinsWithTheCommandInterpreter) {
  for (const char* name : {"50%off.avi", "my %TEMP% 表ソ 100%.avi"}) {
    SCOPED_TRACE(name);
    g_boxes.clear();
    std::string path = File(name);
    std::string bytes = test_data::Noise(2500, 7);
    TempFolder::Write(path, bytes);
    Split(path, "1000", true);
    ASSERT_EQ(1u, g_boxes.size());
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    // Run under a plain name: a variable's name between two % in the batch
    // file's own name would be expanded on the interpreter's command line.
    ASSERT_TRUE(MoveFileA(BatchName(path).c_str(), File("join.bat").c_str()));
    EXPECT_EQ(0, RunBatch(File(""), "join.bat"));
    EXPECT_TRUE(bytes == TempFolder::Read(path)) << SizeOf(path);
    for (int n = 1; n <= 3; ++n) DeleteFileA(PieceName(path, n).c_str());
    DeleteFileA(path.c_str());
    DeleteFileA(File("join.bat").c_str());
  }
}

// A name the console's code page cannot spell: the batch file finds its
// pieces by a pattern and joins them, and it copies nothing when a second
// file (here a look-alike) matches the pattern too. No % in the name: Wine's
// interpreter expands a variable's value once more (Windows does not).
TEST_F(SplitJoinDialogs, BatchFileForANameTheCodePageLacksJoinsWithTheCommandInterpreter) {
  const std::wstring path = folder_.File(L"Caf\u00e9 \U0001F600 (1) & x.bin");
  const std::string bytes = test_data::Noise(2500, 7);
  ASSERT_TRUE(TempFolder::Write(path, bytes));
  Split(path, "1000", true);
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  // Under a plain name, as the test above for the code page does.
  ASSERT_TRUE(MoveFileW(BatchName(path).c_str(), folder_.File(L"join.bat").c_str()));
  EXPECT_EQ(0, RunBatch(File(""), "join.bat"));
  EXPECT_TRUE(bytes == TempFolder::Read(path));
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  ASSERT_TRUE(TempFolder::Write(folder_.File(L"Cafe \U0001F600 (1) & x.bin.001"), "other"));
  EXPECT_EQ(1, RunBatch(File(""), "join.bat"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
}

// A join takes one set of pieces: up to a piece shorter than the first (an
// empty one too), without a stale piece after it. It replaces a file of the
// output's name only when it ends normally; a gap in the numbers stops it
// with the missing piece named and the file left alone.
TEST_F(SplitJoinDialogs, JoinTakesOneSetAndReplacesTheOutputOnlyAtTheEnd) {
  std::string out = File("movie.avi");
  std::string one = test_data::Noise(1500000, 1), two = test_data::Noise(1500000, 2), three = test_data::Noise(700000, 3);
  struct Case {
    const char* what;
    std::vector<std::string> pieces;  // .001 on; "-" for a missing number
    std::string joined;               // the output afterwards
    const char* text;                 // the message
    std::string shownPath;            // the last piece shown; empty: no check
  } cases[] = {
      {"short last piece, stale piece after it", {one, two, three, test_data::Noise(1500000, 4)}, one + two + three,
       "結合しました", out + ".003"},
      {"empty last piece", {one, two, ""}, one + two, "結合しました", out + ".003"},
      {"gap", {test_data::Noise(3000, 1), "-", test_data::Noise(3000, 3)}, "the original", "分割ファイルが見つかりません。\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_boxes.clear();
    TempFolder::Write(out, "the original");
    for (size_t i = 0; i < c.pieces.size(); ++i)
      if (c.pieces[i] != "-") TempFolder::Write(PieceName(out, i + 1), c.pieces[i]);
    Join(out + ".001");
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_TRUE(c.joined == TempFolder::Read(out)) << SizeOf(out);
    EXPECT_EQ(0, TemporaryFilesBeside(out));
    if (c.shownPath.empty()) {
      EXPECT_EQ("結合エラー", g_boxes[0].caption);
      EXPECT_EQ(c.text + out + ".002", g_boxes[0].text);
    } else {
      EXPECT_EQ(c.text, g_boxes[0].text);
      EXPECT_EQ("結合完了", g_boxes[0].caption);
      EXPECT_EQ(UINT(MB_OK), g_boxes[0].type);
      EXPECT_EQ(c.shownPath, g_boxes[0].shownPath);
      EXPECT_EQ(100, g_boxes[0].progress);
    }
    for (size_t i = 0; i < c.pieces.size(); ++i) DeleteFileA(PieceName(out, i + 1).c_str());
  }
}

// Only the first piece starts a join: anything else is refused with a message
// owned by the main window, and nothing is created.
TEST_F(SplitJoinDialogs, JoinRefusesAnyButTheFirstPiece) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  std::string out = File("movie.avi");
  TempFolder::Write(out + ".001", "a");
  TempFolder::Write(out + ".002", "b");
  for (const char* dropped : {".002", "", ".bat"}) {
    g_boxes.clear();
    StartJoin(owner, (out + dropped).c_str());
    ASSERT_EQ(1u, g_boxes.size()) << dropped;
    EXPECT_EQ(owner, g_boxes[0].owner);
    EXPECT_EQ("拡張子「.001」のファイルをドロップしてください", g_boxes[0].text);
    EXPECT_EQ("結合エラー", g_boxes[0].caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), g_boxes[0].type);
    EXPECT_EQ(-1, SizeOf(out)) << dropped;
  }
  DestroyWindow(owner);
}

// A folder the system holds read-only for everyone, root included: where the
// tests run under Wine on Linux, the kernel's sysfs. The file in it has a
// size; creating anything beside it fails.
std::string FileInReadOnlyFolder() {
  const char* path = "Z:\\sys\\devices\\system\\cpu\\possible";
  return SizeOf(path) > 0 ? path : std::string();
}

// Whatever cannot be opened, created or written stops the split with the
// reason, closes what it opened, removes the pieces and batch file it wrote,
// and leaves the dialog ready for another try;
// "分割しました" never shows.
TEST_F(SplitJoinDialogs, SplitFailuresAreReported) {
  std::string readOnly = FileInReadOnlyFolder();
  if (readOnly.empty()) GTEST_SKIP() << "no read-only folder with a readable file on this system";
  std::string source = File("source.bin");
  std::string bytes = test_data::Noise(2500000, 1);
  TempFolder::Write(source, bytes);
  struct Case {
    const char* what;
    std::string path;
    const char* pieceSize;
    bool batch;
    std::function<void()> prepare;  // makes the trouble
    const char* reason;             // first line of the message
    std::string failedFile;
  } cases[] = {
      {"read-only folder", readOnly, "4096", false, [] {}, "ファイルを作成できませんでした。", readOnly + ".001"},
      {"read-only folder, batch", readOnly, "4096", true, [] {}, "ファイルを作成できませんでした。", readOnly + ".bat"},
      {"second piece taken by a folder", source, "1000000", true,
       [&] { CreateDirectoryA((source + ".002").c_str(), nullptr); }, "ファイルを作成できませんでした。",
       source + ".002"},
      {"batch name taken by a folder", source, "1000000", true,
       [&] { CreateDirectoryA((source + ".bat").c_str(), nullptr); }, "ファイルを作成できませんでした。",
       source + ".bat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_boxes.clear();
    c.prepare();
    bool enabledWithFocus = false, released = false;
    Split(c.path, c.pieceSize, c.batch, [&](HWND dialog) {
      enabledWithFocus = IsWindowEnabled(dialog) && EditHasFocusAllSelected(dialog);
      released = NotHeldOpen(c.path);
    });
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ("分割エラー", g_boxes[0].caption);
    EXPECT_EQ(0u, g_boxes[0].text.find(std::string(c.reason) + "\n" + c.failedFile)) << g_boxes[0].text;
    EXPECT_NE(0u, g_boxes[0].type & MB_ICONEXCLAMATION);
    EXPECT_TRUE(enabledWithFocus);
    EXPECT_TRUE(released) << "the source is still open";
    RemoveDirectoryA((source + ".002").c_str());
    RemoveDirectoryA((source + ".bat").c_str());
    // Nothing of the failed split is left to join into a broken file.
    EXPECT_EQ(-1, SizeOf(source + ".001"));
    EXPECT_EQ(-1, SizeOf(source + ".bat"));
    DeleteFileA((source + ".001").c_str());
    DeleteFileA((source + ".bat").c_str());
  }

  // A source that another program holds without sharing.
  g_boxes.clear();
  HANDLE lock = CreateFileA(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  Split(source, "1000000", false, [](HWND) {});
  CloseHandle(lock);
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ(0u, g_boxes[0].text.find("ファイルを開けませんでした。\n" + source)) << g_boxes[0].text;
  EXPECT_EQ("分割エラー", g_boxes[0].caption);
}

// The same for the join: the dialog closes after "結合エラー", never with
// "結合しました"; a join that cannot start leaves a file of the output's name
// alone.
TEST_F(SplitJoinDialogs, JoinFailuresAreReported) {
  std::string out = File("movie.avi");
  struct Case {
    const char* what;
    std::function<void()> prepare;
    std::string message;  // its start
    std::string kept;     // the output's content afterwards, when it is a file
  } cases[] = {
      {"output name taken by a folder",
       [&] {
         TempFolder::Write(out + ".001", "one");
         CreateDirectoryA(out.c_str(), nullptr);
       },
       "ファイルを作成できませんでした。\n" + out, ""},
      {"first piece missing", [&] { TempFolder::Write(out, "keep me"); },
       "ファイルを開けませんでした。\n" + out + ".001", "keep me"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_boxes.clear();
    c.prepare();
    Join(out + ".001");
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ("結合エラー", g_boxes[0].caption);
    EXPECT_EQ(0u, g_boxes[0].text.find(c.message)) << g_boxes[0].text;
    if (!c.kept.empty()) {
      EXPECT_EQ(c.kept, TempFolder::Read(out));
    }
    EXPECT_FALSE(FindDialog(kJoinCaption));
    RemoveDirectoryA(out.c_str());
    DeleteFileA(out.c_str());
    DeleteFileA((out + ".001").c_str());
  }

  // A piece in the middle that another program holds without sharing: the
  // file of the output's name stays as it was.
  g_boxes.clear();
  TempFolder::Write(out, "keep me");
  TempFolder::Write(out + ".001", test_data::Noise(1000, 1));
  TempFolder::Write(out + ".002", test_data::Noise(1000, 2));
  HANDLE lock = CreateFileA((out + ".002").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  Join(out + ".001");
  CloseHandle(lock);
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ("結合エラー", g_boxes[0].caption);
  EXPECT_EQ(0u, g_boxes[0].text.find("ファイルを開けませんでした。\n" + out + ".002")) << g_boxes[0].text;
  EXPECT_TRUE(NotHeldOpen(out)) << "the output is still open";
  EXPECT_TRUE(NotHeldOpen(out + ".001")) << "a piece is still open";
  EXPECT_TRUE(TempFolder::Read(out) == "keep me") << SizeOf(out);
  EXPECT_EQ(0, TemporaryFilesBeside(out));
}

// A file over 4 GiB, sparse and made here with marks at the places where
// 32-bit sizes would go wrong, split into 2 GiB pieces and joined back: byte
// for byte the same, with the true figures shown and the progress moving.
TEST_F(SplitJoinDialogs, OverFourGibibytesByteExact) {
  const uint64_t size = 4297967296ull;  // 4 GiB + 3,000,000
  const uint64_t piece = 2147483648ull;
  std::string source = File("big.bin");
  ASSERT_TRUE(MakeSparseFile(source, size));
  for (uint64_t at : {uint64_t(0), piece - 8, 2 * piece - 8, uint64_t(4294967295ull), size - 16})
    ASSERT_TRUE(WriteAt(source, at, test_data::Noise(16, unsigned(at % 1000 + 1))));

  std::string sizeText, count;
  int lowest = 101, highest = -1;
  auto watchProgress = [&](HWND dialog, int id) {
    int pos = int(SendDlgItemMessageA(dialog, id, PBM_GETPOS, 0, 0));
    if (pos > 0 && pos < 100) {
      lowest = pos < lowest ? pos : lowest;
      highest = pos > highest ? pos : highest;
    }
  };
  Split(source, "2147483648", false, nullptr, 900000, [&](HWND dialog) {
    sizeText = ItemText(dialog, IDC_SPLIT_FILE_SIZE);
    count = ItemText(dialog, IDC_SPLIT_COUNT);
    watchProgress(dialog, IDC_SPLIT_PROGRESS);
  });
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ("分割しました", g_boxes[0].text);
  EXPECT_EQ("4297967296 Byte", sizeText);
  EXPECT_EQ("3", count);
  EXPECT_LT(lowest, highest) << "the split's progress did not move";
  EXPECT_EQ((long long)piece, SizeOf(source + ".001"));
  EXPECT_EQ((long long)piece, SizeOf(source + ".002"));
  EXPECT_EQ(3000000, SizeOf(source + ".003"));
  EXPECT_EQ(-1, SizeOf(source + ".004"));

  // The pieces under another name, joined into a second file.
  std::string copy = File("copy.bin");
  for (int n = 1; n <= 3; ++n) ASSERT_TRUE(MoveFileA(PieceName(source, n).c_str(), PieceName(copy, n).c_str()));
  g_boxes.clear();
  lowest = 101, highest = -1;
  Join(copy + ".001", nullptr, 900000, [&](HWND dialog) { watchProgress(dialog, IDC_JOIN_PROGRESS); });
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ("結合しました", g_boxes[0].text);
  EXPECT_LT(lowest, highest) << "the join's progress did not move";
  for (int n = 1; n <= 3; ++n) DeleteFileA(PieceName(copy, n).c_str());
  EXPECT_EQ((long long)size, SizeOf(copy));
  EXPECT_EQ(-1, FirstDifference(source, copy));
}

}  // namespace
