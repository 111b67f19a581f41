// The settings sheet's pages against the working copy, on the real property
// sheet driven by tab clicks, typing and list choices.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "filetools/archive_bridge.h"
#include "resources/resource.h"
#include "tests/settings_ui/sheet_fixture.h"

using namespace sheet_script;

namespace {

TEST_F(SettingsSheetTest, PagesNeverShownKeepTheirValuesExactly) {
  // The mail page passes its fields through its controls: give it values they hold.
  AppSettings.Check1Enable = 1;
  AppSettings.Pitch = 5;
  CopyToWorkingCopy();
  const SheetSettings before = SettingsWorkingCopy;
  CSettingsSheet sheet;
  sheet.m_startPage = kMail;
  INT_PTR result = RunSheet(sheet, {[&] {
                                      Type(sheet.m_mail, IDC_SET_MAIL_SERVER, "pop.example.jp");
                                      ClickOk(sheet);
                                    }});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(ChangedKeys(before, SettingsWorkingCopy), std::vector<std::string>{"Server1"});
  EXPECT_STREQ(SettingsWorkingCopy.Server1, "pop.example.jp");
}

TEST_F(SettingsSheetTest, AccountSwitchingKeepsEachAccountsEdits) {
  std::vector<std::string> shown;
  auto note = [&](CMailPage& page) {
    shown.push_back(ItemText(page.m_hWnd, IDC_SET_MAIL_SERVER) + "/" + ItemText(page.m_hWnd, IDC_SET_MAIL_USER) +
                    "/" + ItemText(page.m_hWnd, IDC_SET_MAIL_PASSWORD) + "/" +
                    (Checked(page, IDC_SET_MAIL_ENABLE) ? "on" : "off"));
  };
  std::vector<int> limits;
  AppSettings.Check1Enable = 0;
  AppSettings.Check2Enable = 1;
  AppSettings.Pitch = 4;
  CopyToWorkingCopy();
  CSettingsSheet sheet;
  CMailPage& mail = sheet.m_mail;
  INT_PTR result = RunSheet(sheet, {[&] { ClickTab(sheet, kMail); },
                                    [&] {
                                      for (int id : {IDC_SET_MAIL_SERVER, IDC_SET_MAIL_USER, IDC_SET_MAIL_PASSWORD,
                                                     IDC_SET_MAIL_HTTP_HOST})
                                        limits.push_back(int(SendMessageA(Item(mail, id), EM_GETLIMITTEXT, 0, 0)));
                                      note(mail);
                                      Type(mail, IDC_SET_MAIL_SERVER, "pop.changed");
                                      Click(mail, IDC_SET_MAIL_ENABLE);
                                      Type(mail, IDC_SET_MAIL_HTTP_HOST, "mail.example:8080");
                                      Choose(mail, IDC_SET_MAIL_ACCOUNT, 1);
                                      note(mail);
                                      Type(mail, IDC_SET_MAIL_USER, "二人目");
                                      Choose(mail, IDC_SET_MAIL_ACCOUNT, 0);
                                      note(mail);
                                      Choose(mail, IDC_SET_MAIL_PITCH, 19);
                                      ClickOk(sheet);
                                    }});
  EXPECT_EQ(result, IDOK);
  // What can be typed fits the settings' 256-byte fields.
  EXPECT_EQ(limits, (std::vector<int>{255, 255, 255, 255}));
  EXPECT_EQ(shown, (std::vector<std::string>{"Server1値/Usr1値/Pass1値/off", "Server2値/Usr2値/Pass2値/on",
                                             "pop.changed/Usr1値/Pass1値/on"}));
  EXPECT_STREQ(SettingsWorkingCopy.Server1, "pop.changed");
  EXPECT_EQ(SettingsWorkingCopy.Check1Enable, 1);
  EXPECT_STREQ(SettingsWorkingCopy.Usr2, "二人目");
  EXPECT_STREQ(SettingsWorkingCopy.Server2, "Server2値");
  EXPECT_STREQ(SettingsWorkingCopy.Server3, "Server3値");
  EXPECT_EQ(SettingsWorkingCopy.Pitch, 19);
  EXPECT_STREQ(SettingsWorkingCopy.HttpMailHost, "mail.example:8080");
}

TEST_F(SettingsSheetTest, ValuesOutOfRangeShowTheMessageAndKeepThePage) {
  const struct {
    SheetTab tab;
    int field;
    const char* typed;
    const char* message;
    int earlierField = 0;  // also refused, and checked first; 0 for none
    const char* earlierTyped = nullptr;
  } cases[] = {
      {kDisplay1, IDC_SET_COLOR_R, "256", "0 から 255 までの整数を入力してください。"},
      {kDisplay1, IDC_SET_COLOR_R, "256", "整数を入力してください。", IDC_SET_COLOR_B, "x"},
      {kDisplay1, IDC_SET_COLOR_B, "-1", "0 から 255 までの整数を入力してください。"},
      {kDisplay1, IDC_SET_COLOR_G, "abc", "整数を入力してください。"},
      {kDisplay2, IDC_SET_OPACITY, "101", "0 から 100 までの整数を入力してください。"},
      {kExtension2, IDC_SET_CLEAN_SIZE, "2001", "0 から 2000 までの整数を入力してください。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    g_messages.clear();
    CopyToWorkingCopy();
    CSettingsSheet sheet;
    CPropertyPage& page = *sheet.GetPage(c.tab);
    HWND stayedOn = nullptr, focus = nullptr, pageWindow = nullptr, field = nullptr;
    RunSheet(sheet, {[&] { ClickTab(sheet, c.tab); },
                     [&] {
                       Type(page, c.field, c.typed);
                       if (c.earlierField) Type(page, c.earlierField, c.earlierTyped);
                       ClickTab(sheet, c.tab == kDisplay1 ? kDisplay2 : kDisplay1);
                     },
                     [&] {
                       pageWindow = page.m_hWnd;
                       field = Item(page, c.earlierField ? c.earlierField : c.field);
                       stayedOn = CurrentPage(sheet);
                       focus = GetFocus();
                       PressEscape(sheet);
                     }});
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text, c.message);
    EXPECT_EQ(stayedOn, pageWindow);
    EXPECT_EQ(focus, field);
  }
}

TEST_F(SettingsSheetTest, ListsAndSpinButtonsOfferTheirRanges) {
  const struct {
    SheetTab tab;
    int id;
    int count;
    const char *first, *last;
  } lists[] = {
      {kDisplay1, IDC_SET_ITEM3, 7, "時計", "ﾈｯﾄ転送量"},
      {kDisplay1, IDC_SET_MAIL_ROW, 3, "一段目", "三段目"},
      {kExtension1, IDC_SET_SHUTDOWN_HOUR, 24, "0", "23"},
      {kExtension1, IDC_SET_SHUTDOWN_MINUTE, 60, "0", "59"},
      {kExtension1, IDC_SET_AUTO_CLEAN_MINUTE, 60, "1", "60"},
      {kExtension2, IDC_SET_LUN_POSITION, 3, "上", "任意"},
      {kMail, IDC_SET_MAIL_ACCOUNT, 3, "アカウント１", "アカウント３"},
      {kMail, IDC_SET_MAIL_PITCH, 20, "1", "20"},
  };
  CSettingsSheet sheet;
  std::vector<std::string> seen, expected;
  std::vector<std::function<void()>> steps;
  for (SheetTab tab : {kDisplay1, kDisplay2, kExtension1, kExtension2, kMail})
    steps.push_back([&sheet, tab] { ClickTab(sheet, tab); });
  steps.push_back([&] {
    for (const auto& l : lists) {
      HWND list = Item(*sheet.GetPage(l.tab), l.id);
      char first[64] = "", last[64] = "";
      int count = int(SendMessageA(list, CB_GETCOUNT, 0, 0));
      SendMessageA(list, CB_GETLBTEXT, 0, LPARAM(first));
      SendMessageA(list, CB_GETLBTEXT, WPARAM(count - 1), LPARAM(last));
      seen.push_back(std::to_string(count) + " " + first + "-" + last);
      expected.push_back(std::to_string(l.count) + " " + l.first + "-" + l.last);
    }
    LRESULT opacity = SendMessageA(Item(sheet.m_display2, IDC_SET_OPACITY_SPIN), UDM_GETRANGE, 0, 0);
    LRESULT cleanSize = SendMessageA(Item(sheet.m_extension2, IDC_SET_CLEAN_SIZE_SPIN), UDM_GETRANGE, 0, 0);
    seen.push_back(std::to_string(HIWORD(opacity)) + ".." + std::to_string(LOWORD(opacity)));
    seen.push_back(std::to_string(HIWORD(cleanSize)) + ".." + std::to_string(LOWORD(cleanSize)));
    expected.push_back("0..100");
    expected.push_back("0..2000");
    // The entry "1" is one minute: index 0.
    Choose(sheet.m_extension1, IDC_SET_AUTO_CLEAN_MINUTE, 0);
    Choose(sheet.m_extension1, IDC_SET_SHUTDOWN_HOUR, 23);
    ClickOk(sheet);
  });
  EXPECT_EQ(RunSheet(sheet, steps), IDOK);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(SettingsWorkingCopy.AutoCleanMinute, 0);
  EXPECT_EQ(SettingsWorkingCopy.ShutdownHour, 23);
}

TEST_F(SettingsSheetTest, SkinListsChooseByNamePrefixAndKeepANameNotFound) {
  CreateDirectoryA(folder.File("skin").c_str(), nullptr);
  // A folder named like a picture is a skin, not a picture.
  for (const char* name : {"red", "blue-dark", "blue", "pics.bmp"})
    CreateDirectoryA(folder.File(std::string("skin\\") + name).c_str(), nullptr);
  for (const char* name : {"stars.bmp", "default.bmp", "notes.txt"})
    TempFolder::Write(folder.File(std::string("skin\\") + name), "BM");

  const struct {
    const char* skin;
    const char* image;
    bool skinSelected, imageSelected;
  } cases[] = {
      {"BLU", "Default", true, true},
      {"green", "gone.bmp", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.skin);
    std::snprintf(AppSettings.Skin, sizeof AppSettings.Skin, "%s", c.skin);
    std::snprintf(AppSettings.ListViewBKImage, sizeof AppSettings.ListViewBKImage, "%s", c.image);
    CopyToWorkingCopy();
    CSettingsSheet sheet;
    std::vector<std::string> skins, images;
    std::string selectedSkin, selectedImage;
    auto entries = [&](int id, std::vector<std::string>* out) {
      HWND list = Item(sheet.m_skin, id);
      for (int i = 0; i < int(SendMessageA(list, CB_GETCOUNT, 0, 0)); ++i) {
        char text[300] = "";
        SendMessageA(list, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
        out->push_back(text);
      }
      int chosen = Selected(sheet.m_skin, id);
      return chosen >= 0 ? (*out)[size_t(chosen)] : std::string();
    };
    INT_PTR result = RunSheet(sheet, {[&] { ClickTab(sheet, kSkin); },
                                      [&] {
                                        selectedSkin = entries(IDC_SET_SKIN, &skins);
                                        selectedImage = entries(IDC_SET_LIST_IMAGE, &images);
                                        ClickOk(sheet);
                                      }});
    EXPECT_EQ(result, IDOK);
    // In the order the folder gives them, folders and pictures apart.
    std::vector<std::string> folders, pictures;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.File("skin\\*.*").c_str(), &found);
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        folders.push_back(name);
      else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0)
        pictures.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(skins, folders);
    EXPECT_EQ(images, pictures);
    std::sort(folders.begin(), folders.end());
    std::sort(pictures.begin(), pictures.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"blue", "blue-dark", "pics.bmp", "red"}));
    EXPECT_EQ(pictures, (std::vector<std::string>{"default.bmp", "stars.bmp"}));
    if (c.skinSelected) {
      // The first of the two in the order the folder gave them.
      std::string first;
      for (const std::string& s : skins)
        if (first.empty() && s.compare(0, 4, "blue") == 0) first = s;
      EXPECT_EQ(selectedSkin, first);
      EXPECT_STREQ(SettingsWorkingCopy.Skin, first.c_str());
      EXPECT_STREQ(SettingsWorkingCopy.ListViewBKImage, "default.bmp");
    } else {
      EXPECT_EQ(selectedSkin, "");
      EXPECT_EQ(selectedImage, "");
      EXPECT_STREQ(SettingsWorkingCopy.Skin, c.skin);
      EXPECT_STREQ(SettingsWorkingCopy.ListViewBKImage, c.image);
    }
  }
}

// The DLL page lists the eight libraries; ours are found beside the program.
TEST_F(SettingsSheetTest, DllPageShowsEveryLibraryEachTimeItOpens) {
  BuildFolderLibraries libraries;
  ASSERT_TRUE(libraries.ok);
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> firstRows;
  CSettingsSheet sheet;
  auto read = [&] {
    HWND list = Item(sheet.m_libraries, IDC_SET_DLL_LIST);
    rows.clear();
    for (int i = 0; i < int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); ++i) {
      std::vector<std::string> row;
      for (int column = 0; column < 3; ++column) {
        char text[64] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(i), LPARAM(&item));
        row.push_back(text);
      }
      rows.push_back(row);
    }
  };
  RunSheet(sheet, {[&] { ClickTab(sheet, kLibraries); },
                   [&] {
                     read();
                     HWND header = reinterpret_cast<HWND>(
                         SendMessageA(Item(sheet.m_libraries, IDC_SET_DLL_LIST), LVM_GETHEADER, 0, 0));
                     for (int i = 0; i < 3; ++i) {
                       char text[32] = "";
                       HDITEMA item = {};
                       item.mask = HDI_TEXT | HDI_WIDTH;
                       item.pszText = text;
                       item.cchTextMax = sizeof text;
                       SendMessageA(header, HDM_GETITEMA, WPARAM(i), LPARAM(&item));
                       headers.push_back(std::string(text) + " " + std::to_string(item.cxy));
                     }
                     ClickTab(sheet, kProcessor);
                     // The libraries go away while the sheet is open.
                     SetDllDirectoryA(folder.File("").c_str());
                   },
                   [&] { ClickTab(sheet, kLibraries); },
                   [&] {
                     firstRows = rows;
                     read();
                     PressEscape(sheet);
                   }});
  EXPECT_EQ(headers, (std::vector<std::string>{" DLL Name 120", " Version 80", " Format 70"}));
  using Row = std::vector<std::string>;
  EXPECT_EQ(firstRows, (std::vector<Row>{{" UNLHA32.DLL", " Ver 1.00", "LZH"},
                                    {" UNZIP32.DLL", " Ver 1.00", "ZIP"},
                                    {" ZIP32J.DLL", " Ver 1.00", "ZIP"},
                                    {" UNRAR32.DLL", " Not Found", "RAR"},
                                    {" cab32.dll", " Not Found", "CAB"},
                                    {" 7-Zip32.dll", " Not Found", "7-ZIP"},
                                    {" TAR32.dll", " Ver 1.00", "TAR"},
                                    {" UnGCA32.dll", " Not Found", "GCA"}}));
  // Filled anew at the next visit, not added to.
  ASSERT_EQ(rows.size(), 8u);
  for (const Row& row : rows) EXPECT_EQ(row[1], " Not Found") << row[0];
}

TEST_F(SettingsSheetTest, CpuPageShowsTheProbe) {
  CSettingsSheet sheet;
  std::vector<std::string> labels;
  RunSheet(sheet, {[&] { ClickTab(sheet, kProcessor); },
                   [&] {
                     for (int id : {IDC_SET_CPU_VENDOR, IDC_SET_CPU_TYPE, IDC_SET_CPU_FAMILY, IDC_SET_CPU_MODEL,
                                    IDC_SET_CPU_STEPPING, IDC_SET_CPU_MMX, IDC_SET_CPU_SSE, IDC_SET_CPU_SSE2,
                                    IDC_SET_CPU_3DNOW, IDC_SET_CPU_CLOCK})
                       labels.push_back(ItemText(sheet.m_processor.m_hWnd, id));
                     PressEscape(sheet);
                   }});
  ASSERT_EQ(labels.size(), 10u);
  // Every processor this runs on has the instruction and the counter.
  const char* patterns[] = {" VenderID : [A-Za-z ]{12}", " Type : \\d+", " Family : \\d+", " Model : \\d+",
                            " Stepping : \\d+", " MMX : OK", " SSE : OK", " SSE2 : OK",
                            labels[0].find("AuthenticAMD") != std::string::npos ? " 3DNow! : (OK|NG)" : " 3DNow! : NG",
                            " ｸﾛｯｸ周波数 : [1-9]\\d* MHz"};
  for (size_t i = 0; i < labels.size(); ++i)
    EXPECT_TRUE(std::regex_match(labels[i], std::regex(patterns[i]))) << labels[i];
}

}  // namespace
