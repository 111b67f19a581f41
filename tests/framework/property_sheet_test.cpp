// The framework's property sheet on real windows, driven by real messages
// from a script that runs inside the sheet's own loop, and its data exchange.
#include "framework/property_sheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/scoped_override.h"
#include "tests/framework/sheet_script.h"

namespace {

using namespace sheet_script;

constexpr UINT kNumberTemplate = 310;
constexpr UINT kTextTemplate = 311;
constexpr UINT kPlainTemplate = 330;
constexpr UINT kCaptionString = 320;
constexpr UINT kTitleString = 321;
constexpr int kApplyButton = 0x3021;  // the sheet's Apply button

// What happened to a page, in order.
class CLoggedPage : public CPropertyPage {
 public:
  using CPropertyPage::CPropertyPage;
  std::vector<std::string> log;
  int exchanges = 0;
  bool refuseActivation = false;

 protected:
  BOOL OnInitDialog() override {
    log.push_back("init");
    return CPropertyPage::OnInitDialog();
  }
  bool OnSetActive() override {
    log.push_back("active");
    return !refuseActivation && CPropertyPage::OnSetActive();
  }
  bool OnKillActive() override {
    bool ok = CPropertyPage::OnKillActive();
    log.push_back(ok ? "kill" : "kill refused");
    return ok;
  }
  void OnOK() override { log.push_back("ok"); }
  void OnCancel() override { log.push_back("cancel"); }
  void OnDestroy() override { log.push_back("destroy"); }
};

class CNumberPage : public CLoggedPage {
 public:
  explicit CNumberPage(UINT captionId = 0) : CLoggedPage(kNumberTemplate, captionId) {}
  int number = 10;
  int check = 1;
  int choice = 2;

 protected:
  BOOL OnInitDialog() override {
    for (const char* entry : {"赤", "緑", "青"})
      SendDlgItemMessageA(m_hWnd, 12, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    return CLoggedPage::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    ++exchanges;
    DDX_Text(dx, 10, number);
    DDV_MinMaxInt(dx, number, 0, 255);
    DDX_Check(dx, 11, check);
    DDX_CBIndex(dx, 12, choice);
  }
};

class CTextPage : public CLoggedPage {
 public:
  CTextPage() : CLoggedPage(kTextTemplate) {}
  char name[8] = "abc";
  std::string note = "メモ";
  int row = 1;

 protected:
  BOOL OnInitDialog() override {
    for (const char* entry : {"一", "二", "三"})
      SendDlgItemMessageA(m_hWnd, 22, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    return CLoggedPage::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    ++exchanges;
    DDX_Text(dx, 20, name);
    DDX_Text(dx, 21, note);
    DDX_LBIndex(dx, 22, row);
  }
};

// Notes the key-downs its loop offers it.
class CTestSheet : public CPropertySheet {
 public:
  using CPropertySheet::CPropertySheet;
  std::vector<WPARAM> keys;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) keys.push_back(msg->wParam);
    return CPropertySheet::PreTranslateMessage(msg);
  }
};

using Log = std::vector<std::string>;

TEST(PropertySheets, CaptionButtonsAndOwner) {
  CDialog owner(kPlainTemplate);
  ASSERT_TRUE(owner.Create(kPlainTemplate));
  const struct {
    bool fromResource;
    DWORD flags;
    bool helpShown, applyShown;
    HWND parent;
  } cases[] = {
      {true, PSH_NOAPPLYNOW, false, false, nullptr},
      {false, PSH_NOAPPLYNOW, false, false, owner.m_hWnd},
      {false, PSH_HASHELP, true, true, owner.m_hWnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    std::unique_ptr<CTestSheet> made(c.fromResource ? new CTestSheet(kCaptionString, c.parent)
                                                    : new CTestSheet("テスト　設定", c.parent));
    CTestSheet& sheet = *made;
    sheet.m_dwFlags = c.flags;
    CNumberPage page(kTitleString);
    sheet.AddPage(&page);
    std::string caption, tab;
    bool help = false, apply = false, ownerDisabled = false;
    HWND ownerSeen = nullptr;
    INT_PTR result = RunSheet(sheet, {[&] {
      char buffer[64] = "";
      GetWindowTextA(sheet.m_hWnd, buffer, sizeof buffer);
      caption = buffer;
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = buffer;
      item.cchTextMax = sizeof buffer;
      SendMessageA(TabControl(sheet), TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
      tab = buffer;
      help = IsWindowVisible(GetDlgItem(sheet.m_hWnd, IDHELP));
      apply = IsWindowVisible(GetDlgItem(sheet.m_hWnd, kApplyButton));
      ownerSeen = GetWindow(sheet.m_hWnd, GW_OWNER);
      ownerDisabled = !IsWindowEnabled(owner.m_hWnd);
      PressEscape(sheet);
    }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(caption, "テスト　設定");
    EXPECT_EQ(tab, "別名");
    EXPECT_EQ(help, c.helpShown);
    EXPECT_EQ(apply, c.applyShown);
    EXPECT_EQ(ownerSeen, c.parent ? owner.m_hWnd : nullptr);
    EXPECT_EQ(ownerDisabled, c.parent != nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    EXPECT_EQ(sheet.keys, std::vector<WPARAM>{VK_ESCAPE});
  }
  owner.DestroyWindow();
}

TEST(PropertySheets, SwitchingPagesActivatesEachTimeAndCancelDiscards) {
  CScopedOverride<FrameworkMessageBoxFn> box(g_frameworkMessageBox, RecordMessage);
  g_messages.clear();
  CTestSheet sheet("シート");
  CNumberPage numbers;
  CTextPage texts;
  CNumberPage unseen;
  unseen.number = 300;  // out of range, but never validated: never shown
  for (CPropertyPage* page : {static_cast<CPropertyPage*>(&numbers), static_cast<CPropertyPage*>(&texts),
                              static_cast<CPropertyPage*>(&unseen)})
    sheet.AddPage(page);
  std::vector<std::string> shownText;
  INT_PTR result = RunSheet(
      sheet, {[&] {
                // The controls show the fields.
                shownText.push_back(ItemText(numbers.m_hWnd, 10));
                SetDlgItemTextA(numbers.m_hWnd, 10, "20");
                SelectTab(sheet, 1);
              },
              [&] {
                shownText.push_back(ItemText(texts.m_hWnd, 20));
                shownText.push_back(ItemText(texts.m_hWnd, 21));
                ClickTab(sheet, 0);
              },
              [&] {
                EXPECT_EQ(CurrentPage(sheet), numbers.m_hWnd);
                SelectTab(sheet, 1);
              },
              [&] {
                // Typed after the last time the page was left: not kept.
                SetDlgItemTextA(texts.m_hWnd, 20, "xyz");
                PressEscape(sheet);
              }});
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(shownText, (std::vector<std::string>{"10", "abc", "メモ"}));
  EXPECT_EQ(numbers.log, (Log{"init", "active", "kill", "active", "kill", "cancel", "destroy"}));
  EXPECT_EQ(texts.log, (Log{"init", "active", "kill", "active", "cancel", "destroy"}));
  EXPECT_EQ(numbers.number, 20);  // saved when the page was left
  EXPECT_STREQ(texts.name, "abc");
  EXPECT_TRUE(unseen.log.empty());
  EXPECT_EQ(unseen.exchanges, 0);
  EXPECT_EQ(unseen.number, 300);
  EXPECT_TRUE(g_messages.empty());
}

TEST(PropertySheets, RefusedValueKeepsThePageUntilItIsValid) {
  CScopedOverride<FrameworkMessageBoxFn> box(g_frameworkMessageBox, RecordMessage);
  const std::string range = "0 から 255 までの整数を入力してください。";
  const std::string notNumber = "整数を入力してください。";
  const struct {
    const char* typed;
    void (*leave)(CPropertySheet&);
    std::string message;
  } cases[] = {
      {"256", [](CPropertySheet& s) { SelectTab(s, 1); }, range},
      {"256", [](CPropertySheet& s) { ClickTab(s, 1); }, range},
      {"256", ClickOk, range},
      {"-1", ClickOk, range},
      {"12a", [](CPropertySheet& s) { SelectTab(s, 1); }, notNumber},
      {"", ClickOk, notNumber},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + " / " + c.message);
    g_messages.clear();
    CTestSheet sheet("シート");
    CNumberPage numbers;
    CTextPage texts;
    sheet.AddPage(&numbers);
    sheet.AddPage(&texts);
    HWND edit = nullptr, focus = nullptr;
    DWORD selection = 0;
    int tab = -1;
    bool pageKept = false;
    INT_PTR result = RunSheet(sheet, {[&] {
                                        edit = GetDlgItem(numbers.m_hWnd, 10);
                                        SetWindowTextA(edit, c.typed);
                                        // After the refused field: not read while it is refused.
                                        SendDlgItemMessageA(numbers.m_hWnd, 11, BM_SETCHECK, BST_UNCHECKED, 0);
                                        c.leave(sheet);
                                      },
                                      [&] {
                                        focus = GetFocus();
                                        selection = DWORD(SendMessageA(edit, EM_GETSEL, 0, 0));
                                        tab = int(SendMessageA(TabControl(sheet), TCM_GETCURSEL, 0, 0));
                                        pageKept = CurrentPage(sheet) == numbers.m_hWnd;
                                        EXPECT_EQ(numbers.check, 1);
                                        SetWindowTextA(edit, " 200 ");
                                        ClickOk(sheet);
                                      }});
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text, c.message);
    EXPECT_EQ(g_messages[0].caption, "framework_tests");
    EXPECT_NE(g_messages[0].owner, nullptr);
    EXPECT_EQ(focus, edit);
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), std::strlen(c.typed));
    EXPECT_EQ(tab, 0);
    EXPECT_TRUE(pageKept);
    // Valid at last: saved, and OK reached the one page that has a window.
    EXPECT_EQ(numbers.number, 200);
    EXPECT_EQ(numbers.check, 0);
    EXPECT_EQ(numbers.log, (Log{"init", "active", "kill refused", "kill", "ok", "destroy"}));
    EXPECT_TRUE(texts.log.empty());
  }
}

TEST(PropertySheets, OkSavesEveryVisitedPageAndNoOther) {
  CTestSheet sheet("シート");
  CNumberPage numbers;
  CTextPage texts;
  CNumberPage unseen;
  sheet.AddPage(&numbers);
  sheet.AddPage(&texts);
  sheet.AddPage(&unseen);
  sheet.m_startPage = 1;
  INT_PTR result = RunSheet(sheet, {[&] {
                                      SetDlgItemTextA(texts.m_hWnd, 20, "あいうえお");
                                      SetDlgItemTextA(texts.m_hWnd, 21, "長い説明の文");
                                      SendDlgItemMessageA(texts.m_hWnd, 22, LB_SETCURSEL, 2, 0);
                                      ClickTab(sheet, 0);
                                    },
                                    [&] {
                                      SendDlgItemMessageA(numbers.m_hWnd, 12, CB_SETCURSEL, 0, 0);
                                      ClickOk(sheet);
                                    }});
  EXPECT_EQ(result, IDOK);
  EXPECT_STREQ(texts.name, "あいう");  // 7 bytes at most, never half a character
  EXPECT_EQ(texts.note, "長い説明の文");
  EXPECT_EQ(texts.row, 2);
  EXPECT_EQ(numbers.choice, 0);
  EXPECT_EQ(numbers.number, 10);
  EXPECT_EQ(texts.log, (Log{"init", "active", "kill", "ok", "destroy"}));
  EXPECT_EQ(numbers.log, (Log{"init", "active", "kill", "ok", "destroy"}));
  EXPECT_TRUE(unseen.log.empty());
  EXPECT_EQ(unseen.exchanges, 0);
}

TEST(PropertySheets, RefusedActivationAndQuitRequest) {
  CTestSheet sheet("シート");
  CNumberPage numbers;
  CTextPage texts;
  texts.refuseActivation = true;
  sheet.AddPage(&numbers);
  sheet.AddPage(&texts);
  HWND pageAfterRefusal = nullptr;
  INT_PTR result = RunSheet(sheet, {[&] { SelectTab(sheet, 1); },
                                    [&] {
                                      pageAfterRefusal = CurrentPage(sheet);
                                      PostQuitMessage(4);
                                    }});
  EXPECT_EQ(result, IDABORT);
  EXPECT_NE(pageAfterRefusal, texts.m_hWnd);
  EXPECT_EQ(numbers.log, (Log{"init", "active", "kill", "destroy"}));
  // The quit request is back in the queue for the loop outside.
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 4u);
}

// The exchange helpers on a plain dialog, both ways.
TEST(DataExchange, NumbersReadAsScanfReadsThem) {
  CScopedOverride<FrameworkMessageBoxFn> box(g_frameworkMessageBox, RecordMessage);
  CDialog dlg(kPlainTemplate);
  ASSERT_TRUE(dlg.Create(kPlainTemplate));
  const struct {
    const char* typed;
    bool ok;
    int value;
  } cases[] = {
      {"42", true, 42},     {" -7\t", true, -7}, {"+3", true, 3},         {"0", true, 0},
      {"", false, 5},       {"4 2", false, 5},   {"0x10", false, 5},      {"９", false, 5},
      {"99999999999", false, 5}, {"-2147483648", true, -2147483647 - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    g_messages.clear();
    SetDlgItemTextA(dlg.m_hWnd, 10, c.typed);
    int value = 5;
    CDataExchange dx(dlg.m_hWnd, true);
    DDX_Text(&dx, 10, value);
    EXPECT_EQ(!dx.Failed(), c.ok);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(g_messages.size(), c.ok ? 0u : 1u);
  }
  dlg.DestroyWindow();
}

TEST(DataExchange, ControlsLoadAndSave) {
  CScopedOverride<FrameworkMessageBoxFn> box(g_frameworkMessageBox, RecordMessage);
  g_messages.clear();
  CDialog dlg(kPlainTemplate);
  ASSERT_TRUE(dlg.Create(kPlainTemplate));
  for (const char* entry : {"a", "b", "c"}) {
    SendDlgItemMessageA(dlg.m_hWnd, 12, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    SendDlgItemMessageA(dlg.m_hWnd, 13, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    int check = round, combo = 2 - round, list = round + 1, number = 100 + round;
    std::string text = round ? "二" : "一";
    CDataExchange load(dlg.m_hWnd, false);
    DDX_Check(&load, 11, check);
    DDX_CBIndex(&load, 12, combo);
    DDX_LBIndex(&load, 13, list);
    DDX_Text(&load, 10, number);
    DDV_MinMaxInt(&load, number, 0, 1);  // never checked when loading
    EXPECT_FALSE(load.Failed());
    EXPECT_EQ(ItemText(dlg.m_hWnd, 10), std::to_string(number));
    int savedCheck = -1, savedCombo = -1, savedList = -1;
    CDataExchange save(dlg.m_hWnd, true);
    DDX_Check(&save, 11, savedCheck);
    DDX_CBIndex(&save, 12, savedCombo);
    DDX_LBIndex(&save, 13, savedList);
    EXPECT_EQ(savedCheck, check);
    EXPECT_EQ(savedCombo, combo);
    EXPECT_EQ(savedList, list);
    CDataExchange loadText(dlg.m_hWnd, false);
    DDX_Text(&loadText, 10, text);
    std::string savedText;
    CDataExchange saveText(dlg.m_hWnd, true);
    DDX_Text(&saveText, 10, savedText);
    EXPECT_EQ(savedText, text);
  }
  // A failure ends the exchange: later calls leave their fields alone.
  SetDlgItemTextA(dlg.m_hWnd, 10, "9");
  int number = 0, check = 7;
  CDataExchange dx(dlg.m_hWnd, true);
  DDX_Text(&dx, 10, number);
  DDV_MinMaxInt(&dx, number, -5, 5);
  DDX_Check(&dx, 11, check);
  EXPECT_TRUE(dx.Failed());
  EXPECT_EQ(check, 7);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0].text, "-5 から 5 までの整数を入力してください。");
  EXPECT_EQ(g_messages[0].owner, dlg.m_hWnd);
  dlg.DestroyWindow();
}

// A value the list does not offer shows no selection; reading the list back
// must not store "none" (-1) over it.
TEST(DataExchange, ListWithNoSelectionKeepsTheValue) {
  CDialog dlg(kPlainTemplate);
  ASSERT_TRUE(dlg.Create(kPlainTemplate));
  SendDlgItemMessageA(dlg.m_hWnd, 12, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
  SendDlgItemMessageA(dlg.m_hWnd, 13, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
  for (auto [exchange, id] : {std::pair{DDX_CBIndex, 12}, std::pair{DDX_LBIndex, 13}}) {
    int value = 25;
    CDataExchange load(dlg.m_hWnd, false), save(dlg.m_hWnd, true);
    exchange(&load, id, value);
    exchange(&save, id, value);
    EXPECT_EQ(value, 25) << id;
  }
  dlg.DestroyWindow();
}

}  // namespace
