// The mail page's "暗号化" list and "ポート" field: switched with the account
// like its server, and a port out of range keeps the account shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/settings_ui/sheet_fixture.h"

using namespace sheet_script;

namespace {

TEST_F(SettingsSheetTest, SecurityAndPortFollowTheAccountShown) {
  AppSettings.Security1 = 0;
  AppSettings.Port1 = 0;
  AppSettings.Security2 = 2;
  AppSettings.Port2 = 995;
  AppSettings.Security3 = 1;
  AppSettings.Port3 = 0;
  CopyToWorkingCopy();
  std::vector<std::string> shown, entries;
  CSettingsSheet sheet;
  CMailPage& mail = sheet.m_mail;
  auto note = [&] {
    shown.push_back(std::to_string(Selected(mail, IDC_SET_MAIL_SECURITY)) + "/" +
                    ItemText(mail.m_hWnd, IDC_SET_MAIL_PORT));
  };
  INT_PTR result = RunSheet(sheet, {[&] { ClickTab(sheet, kMail); },
                                    [&] {
                                      for (int i = 0; i < 3; ++i) {
                                        char text[64] = "";
                                        SendMessageA(Item(mail, IDC_SET_MAIL_SECURITY), CB_GETLBTEXT, WPARAM(i),
                                                     LPARAM(text));
                                        entries.push_back(text);
                                      }
                                      note();
                                      Choose(mail, IDC_SET_MAIL_SECURITY, 1);
                                      Type(mail, IDC_SET_MAIL_PORT, "1110");
                                      Choose(mail, IDC_SET_MAIL_ACCOUNT, 1);
                                      note();
                                      Type(mail, IDC_SET_MAIL_PORT, "70000");
                                      Choose(mail, IDC_SET_MAIL_ACCOUNT, 2);  // refused: out of range
                                      note();
                                      Type(mail, IDC_SET_MAIL_PORT, "0");
                                      Choose(mail, IDC_SET_MAIL_ACCOUNT, 0);
                                      note();
                                      ClickOk(sheet);
                                    }});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(entries, (std::vector<std::string>{"なし", "STARTTLS", "SSL/TLS"}));
  EXPECT_EQ(shown, (std::vector<std::string>{"0/0", "2/995", "2/70000", "1/1110"}));
  EXPECT_FALSE(g_messages.empty()) << "the range message for 70000";
  EXPECT_EQ(SettingsWorkingCopy.Security1, 1);
  EXPECT_EQ(SettingsWorkingCopy.Port1, 1110);
  EXPECT_EQ(SettingsWorkingCopy.Security2, 2);
  EXPECT_EQ(SettingsWorkingCopy.Port2, 0);
  EXPECT_EQ(SettingsWorkingCopy.Security3, 1);
}

}  // namespace
