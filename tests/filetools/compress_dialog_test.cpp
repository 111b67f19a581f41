// The compress dialog on the display: its texts and keyboard, the command
// lines a recording library receives for every choice, failures reported,
// and real archives made by our libraries that the real tools accept.
#include "filetools/compress_dialog.h"

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/archivers/peers.h"
#include "tests/filetools/recording_archiver/archive_test_support.h"
#include "tests/support/modal_script.h"

namespace {

using archive_test::CMessageBoxRecorder;
using archive_test::CRecordingLibraries;

// Runs the dialog modally and plays `steps` inside its own modal loop, one
// per tick while it shows. Should the script run out while the dialog is
// still open, the dialog ends with -2.
class CScriptedRun {
 public:
  typedef std::function<void(HWND dialog)> Step;

  static INT_PTR Run(CCompressDialog& dialog, std::vector<Step> steps) {
    auto shown = [&dialog] { return dialog.m_hWnd && IsWindowVisible(dialog.m_hWnd); };
    std::vector<::Step> script;
    for (const Step& step : steps) script.push_back({"a step", shown, [&dialog, step] { step(dialog.m_hWnd); }});
    script.push_back({"the end of the script", shown, [&dialog] { dialog.EndDialog(-2); }});
    CScript run(std::move(script), kHangGuardMs, true);
    return dialog.DoModal();
  }
};

std::string TextOf(HWND w) {
  char text[512] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}

// Adds "[text]" of every static control to the string at `texts`.
BOOL CALLBACK CollectStatic(HWND child, LPARAM texts) {
  char cls[32] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0) *reinterpret_cast<std::string*>(texts) += "[" + TextOf(child) + "]";
  return TRUE;
}

void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Chooses the format and the self-extracting box as a user would leave them.
CScriptedRun::Step Choose(int format, bool selfExtracting) {
  return [=](HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_COMPRESS_FORMAT, CB_SETCURSEL, format, 0);
    CheckDlgButton(dialog, IDC_COMPRESS_SELF_EXTRACT, selfExtracting ? BST_CHECKED : BST_UNCHECKED);
  };
}

// The current folder is where the response file is read from; the test
// changes it and gives it back.
class CCurrentFolder {
 public:
  explicit CCurrentFolder(const std::string& folder) {
    GetCurrentDirectoryA(MAX_PATH, m_saved);
    SetCurrentDirectoryA(folder.c_str());
  }
  ~CCurrentFolder() { SetCurrentDirectoryA(m_saved); }

 private:
  char m_saved[MAX_PATH];
};

// ---- Texts and keyboard ----

TEST(CompressDialog, ShowsItsTextsAndOpensOnTheName) {
  CRecordingLibraries libraries({"unlha32.dll", "ZIP32J.DLL"});
  CCompressDialog dialog("C:\\work\\report.final", "res");
  struct Seen {
    std::string caption, statics, check, start, cancel, name, items;
    LRESULT selection = -1, defId = 0;
    bool checked = true, nameFocused = false;
    DWORD selStart = 1, selEnd = 0;
  } seen;
  INT_PTR result = CScriptedRun::Run(
      dialog, {[&](HWND d) {
        seen.caption = TextOf(d);
        EnumChildWindows(d, CollectStatic, reinterpret_cast<LPARAM>(&seen.statics));
        seen.check = TextOf(GetDlgItem(d, IDC_COMPRESS_SELF_EXTRACT));
        seen.start = TextOf(GetDlgItem(d, IDC_COMPRESS_START));
        seen.cancel = TextOf(GetDlgItem(d, IDCANCEL));
        seen.name = TextOf(GetDlgItem(d, IDC_COMPRESS_NAME));
        HWND format = GetDlgItem(d, IDC_COMPRESS_FORMAT);
        for (LRESULT i = 0; i < SendMessageA(format, CB_GETCOUNT, 0, 0); ++i) {
          char item[32] = "";
          SendMessageA(format, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
          seen.items += "[" + std::string(item) + "]";
        }
        seen.selection = SendMessageA(format, CB_GETCURSEL, 0, 0);
        seen.checked = IsDlgButtonChecked(d, IDC_COMPRESS_SELF_EXTRACT) == BST_CHECKED;
        seen.nameFocused = GetFocus() == GetDlgItem(d, IDC_COMPRESS_NAME);
        SendDlgItemMessageA(d, IDC_COMPRESS_NAME, EM_GETSEL, reinterpret_cast<WPARAM>(&seen.selStart),
                            reinterpret_cast<LPARAM>(&seen.selEnd));
        seen.defId = SendMessageA(d, DM_GETDEFID, 0, 0);
        Click(d, IDCANCEL);
      }});
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ("圧縮（拡張子不要）", seen.caption);
  EXPECT_EQ("[圧縮ファイル名][形式]", seen.statics);
  EXPECT_EQ("自己解凍形式", seen.check);
  EXPECT_EQ("圧縮", seen.start);
  EXPECT_EQ("やめる", seen.cancel);
  // Only the last extension was cut from the dropped file's name.
  EXPECT_EQ("report.final", seen.name);
  EXPECT_EQ("[LZH][ZIP]", seen.items);
  EXPECT_EQ(0, seen.selection);
  EXPECT_FALSE(seen.checked);
  EXPECT_TRUE(seen.nameFocused);
  EXPECT_EQ(0u, seen.selStart);
  EXPECT_EQ(12u, seen.selEnd);
  EXPECT_EQ(MAKELRESULT(IDC_COMPRESS_START, DC_HASDEFID), seen.defId);
  // やめる loads no library.
  EXPECT_TRUE(libraries.Log(false).empty());
}

TEST(CompressDialog, TypingANameAndEnterPacks) {
  CRecordingLibraries libraries({"unlha32.dll", "ZIP32J.DLL"});
  TempFolder folder;
  CCompressDialog dialog(folder.File("notes").c_str(), "res");
  INT_PTR result = CScriptedRun::Run(dialog, {[](HWND) {
                                        // Typed over the selected name, then Enter, all into the focused field.
                                        HWND focus = GetFocus();
                                        for (char c : std::string("data.bin")) PostMessageA(focus, WM_CHAR, c, 0);
                                        PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 0);
                                      }});
  EXPECT_EQ(0, result);
  EXPECT_EQ((std::vector<std::string>{"unlha32.dll Unlha owner=0 size=32767 zeroed=1 loaded=unlha32.dll a -d1a1 \"" +
                                      folder.File("data.bin.lzh") + "\" \"" + folder.File("") + "\\\" @res"}),
            libraries.Log());
}

// ---- Commands, against the recording library ----

TEST(CompressDialog, CommandsOfEveryChoice) {
  const struct {
    const char* label;
    int format;
    bool selfExtracting;
    const char* failing;  // the command that fails, or null
    std::vector<std::string> commands;  // {entry, command}, with F for the folder
  } rows[] = {
      {"lzh", 0, false, nullptr, {"Unlha", "a -d1a1 \"F\\notes.lzh\" \"F\\\" @res"}},
      {"zip", 1, false, nullptr, {"Zip", "-r -v \"F\\notes.zip\" \"F\\\" @res"}},
      {"lzh sfx",
       0,
       true,
       nullptr,
       {"Unlha", "a -d1a1 \"F\\notes.lzh\" \"F\\\" @res", "Unlha", "s -gw -x \"F\\notes.lzh\" \"F\\\""}},
      {"zip sfx",
       1,
       true,
       nullptr,
       {"Zip", "-r -v \"F\\notes.zip\" \"F\\\" @res", "Zip", "--sfx \"F\\notes.zip\""}},
      // The self-extracting step fails: its error is shown.
      {"lzh sfx failing",
       0,
       true,
       "s ",
       {"Unlha", "a -d1a1 \"F\\notes.lzh\" \"F\\\" @res", "Unlha", "s -gw -x \"F\\notes.lzh\" \"F\\\""}},
      // Nothing follows a packing that failed.
      {"zip sfx, packing failing", 1, true, "-r ", {"Zip", "-r -v \"F\\notes.zip\" \"F\\\" @res"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    CRecordingLibraries libraries({"unlha32.dll", "ZIP32J.DLL"});
    libraries.Set("TOVIX_RECORDING_FAIL", row.failing ? row.failing : "");
    libraries.Set("TOVIX_RECORDING_FAIL_CODE", "0x800D");
    libraries.Set("TOVIX_RECORDING_TEXT", "作れませんでした");
    TempFolder folder;
    std::string archive = folder.File(row.format ? "notes.zip" : "notes.lzh");
    TempFolder::Write(archive, "there before");  // the user's archive, which packing updates
    CMessageBoxRecorder boxes;
    CCompressDialog dialog(folder.File("notes").c_str(), "res");
    HWND shown = nullptr;
    INT_PTR result = CScriptedRun::Run(
        dialog, {Choose(row.format, row.selfExtracting), [&](HWND d) {
                   shown = d;
                   Click(d, IDC_COMPRESS_START);
                 }});
    EXPECT_EQ(0, result);

    const char* file = row.format ? "ZIP32J.DLL" : "unlha32.dll";
    std::vector<std::string> expected;
    for (size_t i = 0; i < row.commands.size(); i += 2) {
      // F stands for the folder in the table.
      std::string command;
      for (char c : row.commands[i + 1]) command += c == 'F' ? folder.File("") : std::string(1, c);
      expected.push_back(std::string(file) + " " + row.commands[i] + " owner=0 size=32767 zeroed=1 loaded=" + file +
                         " " + command);
    }
    EXPECT_EQ(expected, libraries.Log());
    // An archive that was there before the compression is never deleted.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(archive.c_str()));
    if (row.failing) {
      ASSERT_EQ(1u, boxes.Calls().size());
      EXPECT_EQ(shown, boxes.Calls()[0].owner);
      EXPECT_EQ("作れませんでした", boxes.Calls()[0].text);
      EXPECT_EQ("圧縮エラー", boxes.Calls()[0].caption);
    } else {
      EXPECT_TRUE(boxes.Calls().empty());
    }
    EXPECT_TRUE(archive_test::LoadedArchivers().empty());
  }
}

TEST(CompressDialog, AMissingLibraryIsNamedAndTheOtherStillWorks) {
  const struct {
    const char* present;
    int missingFormat;
    const char* message;
  } rows[] = {{"unlha32.dll", 1, "ZIP32J.DLL がみつかりません"}, {"ZIP32J.DLL", 0, "unlaha32.dll がみつかりません"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.present);
    CRecordingLibraries libraries({row.present});
    TempFolder folder;
    for (int format : {row.missingFormat, 1 - row.missingFormat}) {
      libraries.ClearLog();
      CMessageBoxRecorder boxes;
      CCompressDialog dialog(folder.File("notes").c_str(), "res");
      HWND shown = nullptr;
      INT_PTR result = CScriptedRun::Run(dialog, {Choose(format, false), [&](HWND d) {
                                                    shown = d;
                                                    Click(d, IDC_COMPRESS_START);
                                                  }});
      EXPECT_EQ(0, result);
      if (format == row.missingFormat) {
        ASSERT_EQ(1u, boxes.Calls().size());
        EXPECT_EQ(shown, boxes.Calls()[0].owner);
        EXPECT_EQ(row.message, boxes.Calls()[0].text);
        EXPECT_EQ("圧縮エラー", boxes.Calls()[0].caption);
        EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), boxes.Calls()[0].type);
        EXPECT_TRUE(libraries.Log().empty());
      } else {
        EXPECT_TRUE(boxes.Calls().empty());
        ASSERT_EQ(1u, libraries.Log().size());
        EXPECT_EQ(0u, libraries.Log()[0].find(std::string(row.present) + " "));
      }
    }
  }
}

// Dropped names the code page lacks: the dialog shows the real name; a
// library with the wide entry packs them from a UTF-8 response file, one
// without it is not called and the user is told which name it cannot take.
TEST(CompressDialog, RealNamesGoOnlyToTheWideEntry) {
  TempFolder folder;
  CCurrentFolder current(folder.File(""));
  const std::wstring dir = folder.File(L"") + L"\\";
  for (bool wide : {true, false}) {
    SCOPED_TRACE(wide);
    CRecordingLibraries libraries;
    libraries.Add({"ZIP32J.DLL"}, wide);
    CMessageBoxRecorder boxes;
    CCompressDialog dialog(dir + L"Caf\u00e9", "res", {L"Caf\u00e9.txt", L"\u8868.txt"});
    wchar_t shown[64] = L"";
    CScriptedRun::Run(dialog, {Choose(1, true), [&](HWND d) {
                                 GetDlgItemTextW(d, IDC_COMPRESS_NAME, shown, 64);
                                 Click(d, IDC_COMPRESS_START);
                               }});
    EXPECT_EQ(std::wstring(L"Caf\u00e9"), shown);
    if (wide) {
      std::string d = archive_test::Utf8(dir), zip = d + "Caf\xC3\xA9.zip";
      std::string call = "ZIP32J.DLL ZipW owner=0 size=32767 zeroed=1 loaded=ZIP32J.DLL ";
      EXPECT_EQ((std::vector<std::string>{call + "-r -v \"" + zip + "\" \"" + d + "\" @res", call + "--sfx \"" + zip + "\""}),
                libraries.Log());
      EXPECT_EQ("\"Caf\xC3\xA9.txt\"\r\n\"\xE8\xA1\xA8.txt\"\r\n", TempFolder::Read(folder.File("res")));
      EXPECT_TRUE(boxes.Calls().empty());
    } else {
      EXPECT_TRUE(libraries.Log().empty());
      ASSERT_EQ(1u, boxes.Calls().size());
      EXPECT_EQ(0u, boxes.Calls()[0].wideText.find(L"Caf\u00e9.txt\nZIP32J.DLL "));
      EXPECT_EQ("圧縮エラー", boxes.Calls()[0].caption);
    }
  }
}

// ---- End to end with our libraries ----

// The names in a folder, sorted.
std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& f : peers::Tree(folder)) names.insert(f.first);
  return names;
}

// Two dropped files of one folder (a third one is not dropped), the response
// file in the program's folder, as the drop dispatcher leaves them.
struct DropScene {
  archive_test::CPeerFolder dropped{"compress"};
  archive_test::CPeerFolder programFolder{"compress-program"};
  const std::string& folder = dropped.Path();
  const std::string& program = programFolder.Path();
  DropScene() {
    peers::WriteFile(folder + "\\notes.txt", std::string(5000, 'n'));
    peers::WriteFile(folder + "\\plan.doc", "plan\r\n");
    peers::WriteFile(folder + "\\other.txt", "not dropped\r\n");
    peers::WriteFile(program + "\\res", "\"notes.txt\"\n\"plan.doc\"\n");
  }
};

TEST(CompressDialogEndToEnd, PacksTwoDroppedFilesForTheRealTools) {
  archive_test::CLibraryFolder real(archive_test::BuildFolder());
  const struct {
    int format;
    bool selfExtracting;
    const char* made;
    const char* check;  // run in the folder; must name both files and not the third
    const char* before = nullptr;  // makes the archive before the compression, which then keeps it
  } rows[] = {
      {0, false, "notes.lzh", "lhasa t notes.lzh && lhasa l notes.lzh"},
      {1, false, "notes.zip", "unzip -t notes.zip"},
      {0, true, "notes.exe", nullptr},
      {1, true, "notes.exe", "unzip -t notes.exe"},
      {0, true, "notes.exe", "lhasa l notes.lzh | grep old.txt && lhasa l notes.lzh", "jlha a notes.lzh old.txt"},
      {1, true, "notes.exe", "unzip -l notes.zip | grep old.txt && unzip -l notes.zip", "zip -q notes.zip old.txt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.made) + (row.selfExtracting ? " sfx" : "") + (row.before ? " into an archive" : ""));
    DropScene scene;
    std::set<std::string> expected{row.made, "notes.txt", "other.txt", "plan.doc"};
    if (row.before) {
      std::string make = "echo old > old.txt && " + std::string(row.before) + " >/dev/null && rm old.txt";
      ASSERT_EQ(0, peers::Run(peers::UnixPath(scene.folder), make).exitCode);
      expected.insert(row.format ? "notes.zip" : "notes.lzh");
    }
    CCurrentFolder current(scene.program);
    CMessageBoxRecorder boxes;
    CCompressDialog dialog((scene.folder + "\\notes").c_str(), "res");
    INT_PTR result = CScriptedRun::Run(
        dialog, {Choose(row.format, row.selfExtracting), [](HWND d) { Click(d, IDC_COMPRESS_START); }});
    EXPECT_EQ(0, result);
    EXPECT_TRUE(boxes.Calls().empty()) << (boxes.Calls().empty() ? "" : boxes.Calls()[0].text);
    // Only the archive (or only the self-extracting program) was added; an
    // archive there before stays.
    EXPECT_EQ(expected, Listing(scene.folder));
    if (row.check) {
      peers::Result r = peers::Run(peers::UnixPath(scene.folder), row.check);
      EXPECT_EQ(0, r.exitCode) << r.output;
      EXPECT_NE(std::string::npos, r.output.find("notes.txt")) << r.output;
      EXPECT_NE(std::string::npos, r.output.find("plan.doc")) << r.output;
      EXPECT_EQ(std::string::npos, r.output.find("other.txt")) << r.output;
    }
  }
}

TEST(CompressDialogEndToEnd, WithoutLibrariesNothingIsMade) {
  TempFolder empty;
  archive_test::CLibraryFolder none(empty.File(""));
  for (int format : {0, 1}) {
    SCOPED_TRACE(format);
    DropScene scene;
    CCurrentFolder current(scene.program);
    CMessageBoxRecorder boxes;
    CCompressDialog dialog((scene.folder + "\\notes").c_str(), "res");
    INT_PTR result = CScriptedRun::Run(
        dialog, {Choose(format, true), [](HWND d) { Click(d, IDC_COMPRESS_START); }});
    EXPECT_EQ(0, result);
    ASSERT_EQ(1u, boxes.Calls().size());
    EXPECT_EQ(format ? "ZIP32J.DLL がみつかりません" : "unlaha32.dll がみつかりません", boxes.Calls()[0].text);
    EXPECT_EQ((std::set<std::string>{"notes.txt", "other.txt", "plan.doc"}), Listing(scene.folder));
  }
}

}  // namespace
