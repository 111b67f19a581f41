#include "core/settings.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "core/stored_password.h"
#include "framework/app.h"

Settings AppSettings;
SheetSettings SettingsWorkingCopy;

namespace {

constexpr int kNoLow = -2147483647 - 1, kNoHigh = 2147483647;

}  // namespace

#define TOVIX_FIELD(key) offsetof(StateSettings, key), 0
#define TOVIX_SHEET_FIELD(key) offsetof(SheetSettings, key), 0
#define TOVIX_SHEET_TEXT(key) offsetof(SheetSettings, key), sizeof(SheetSettings::key)
#define INT_ROW(section, key, use, def) \
  {section, #key, SettingKind::kInt, use, def, nullptr, TOVIX_FIELD(key), kNoLow, kNoHigh}
#define RANGE_ROW(section, key, use, def, low, high) \
  {section, #key, SettingKind::kInt, use, def, nullptr, TOVIX_FIELD(key), low, high}
#define SHEET_INT(section, key, def) SHEET_INT_USE(section, key, kSheet, def)
#define SHEET_INT_USE(section, key, use, def) \
  {section, #key, SettingKind::kInt, use, def, nullptr, TOVIX_SHEET_FIELD(key), kNoLow, kNoHigh}
#define SHEET_RANGE(section, key, def, low, high) \
  {section, #key, SettingKind::kInt, kSheet, def, nullptr, TOVIX_SHEET_FIELD(key), low, high}
#define SHEET_TEXT(section, key, def) \
  {section, #key, SettingKind::kText, kSheet, 0, def, TOVIX_SHEET_TEXT(key), 0, 0}
#define MAIL_SECURITY_ROWS(n)                                                                 \
  {"MAILCHECK", "Security" #n, SettingKind::kInt, kSheet | kOutsideIsDefault, 0, nullptr,        \
   TOVIX_SHEET_FIELD(Security##n), 0, 2},                                                         \
  {"MAILCHECK", "Port" #n, SettingKind::kInt, kSheet | kOutsideIsDefault, 0, nullptr,            \
   TOVIX_SHEET_FIELD(Port##n), 0, 65535}
#define SHEET_PASSWORD(section, key) \
  {section, #key, SettingKind::kPassword, kSheet, 0, "", TOVIX_SHEET_TEXT(key), 0, 0}

// Reading order; every writer (SaveSettings, SaveWindowState, the launcher's
// place, the menu toggles) writes its rows of it.
// A list index or number read outside what its control offers is held to
// that range: a list would show no selection, and every user of the value
// relies on the range (a colour byte, a timer period, a table index). The
// switches need none: any value other than 0 counts as on everywhere.
const SettingRow kSettingRows[] = {
    INT_ROW("WINDOW", MainWindowX, kWindowState, 0),
    INT_ROW("WINDOW", MainWindowY, kWindowState, 0),
    {"WINDOW", "DDList", SettingKind::kInt, kWindowState, 0, nullptr, kDropActionField, 0, 0, 4},
    INT_ROW("WINDOW", Size, kWindowState, 67),
    INT_ROW("WINDOW", LunWindowX, kLauncherPlace, 0),
    INT_ROW("WINDOW", LunWindowY, kLauncherPlace, 0),
    RANGE_ROW("MUSIC", RepeatMode, kWindowState, 0, 0, 2),
    RANGE_ROW("MUSIC", Volume, kWindowState, 1000, 0, 1000),
    SHEET_RANGE("ENTRY", Mail, 0, 0, 2),
    SHEET_RANGE("ENTRY", Item1, 0, 0, 6),
    SHEET_RANGE("ENTRY", Item2, 2, 0, 6),
    SHEET_RANGE("ENTRY", Item3, 3, 0, 6),
    SHEET_RANGE("COLOR", B, 255, 0, 255),
    SHEET_RANGE("COLOR", R, 150, 0, 255),
    SHEET_RANGE("COLOR", G, 200, 0, 255),
    SHEET_INT_USE("WINDOW", TopMostEnable, kSheet | kMenuToggle, 0),
    SHEET_INT_USE("WINDOW", MoveEnable, kSheet | kMenuToggle, 0),
    SHEET_RANGE("WINDOW", Skelton, 100, 0, 100),
    SHEET_INT("WINDOW", TipEnable, 1),
    SHEET_INT("OPTION", StartupEnable, 0),
    SHEET_RANGE("OPTION", ShutdownHour, 0, 0, 23),
    SHEET_RANGE("OPTION", ShutdownMinute, 0, 0, 59),
    SHEET_INT("OPTION", AutoCleanEnable, 0),
    SHEET_RANGE("OPTION", AutoCleanMinute, 0, 0, 59),
    SHEET_INT("MAILCHECK", Check1Enable, 0),
    SHEET_TEXT("MAILCHECK", Server1, ""),
    SHEET_TEXT("MAILCHECK", Usr1, ""),
    SHEET_PASSWORD("MAILCHECK", Pass1),
    SHEET_INT("MAILCHECK", Check2Enable, 0),
    SHEET_TEXT("MAILCHECK", Server2, ""),
    SHEET_TEXT("MAILCHECK", Usr2, ""),
    SHEET_PASSWORD("MAILCHECK", Pass2),
    SHEET_INT("MAILCHECK", Check3Enable, 0),
    SHEET_TEXT("MAILCHECK", Server3, ""),
    SHEET_TEXT("MAILCHECK", Usr3, ""),
    SHEET_PASSWORD("MAILCHECK", Pass3),
    SHEET_RANGE("MAILCHECK", Pitch, 0, 0, 19),
    // No default host: credentials go nowhere until the user names one.
    SHEET_TEXT("MAILCHECK", HttpMailHost, ""),
    // Security and port per account; anything unknown reads as plain text
    // on the standard port.
    MAIL_SECURITY_ROWS(1),
    MAIL_SECURITY_ROWS(2),
    MAIL_SECURITY_ROWS(3),
    SHEET_INT("WINDOW", LunResetEnable, 0),
    SHEET_INT("WINDOW", LunCloseEnable, 1),
    SHEET_RANGE("WINDOW", LunPosition, 0, 0, 2),
    SHEET_INT("OPTION", CleanSizeEnable, 0),
    SHEET_RANGE("OPTION", CleanSize, 0, 0, 2000),
    SHEET_TEXT("WINDOW", ListViewBKImage, "default.bmp"),
    SHEET_TEXT("WINDOW", Skin, "default"),
};
const size_t kSettingRowCount = sizeof kSettingRows / sizeof kSettingRows[0];

#undef TOVIX_FIELD
#undef TOVIX_SHEET_FIELD
#undef TOVIX_SHEET_TEXT
#undef INT_ROW
#undef RANGE_ROW
#undef SHEET_RANGE
#undef SHEET_INT
#undef SHEET_INT_USE
#undef SHEET_TEXT
#undef SHEET_PASSWORD
#undef MAIL_SECURITY_ROWS

namespace {

int* IntField(void* field) { return static_cast<int*>(field); }
char* TextField(void* field) { return static_cast<char*>(field); }

void ReadRow(const SettingRow& row, int* ddList) {
  CWinApp* app = AfxGetApp();
  if (row.kind == SettingKind::kInt) {
    int value = app->GetProfileIntA(row.section, row.key, row.intDefault);
    if ((row.use & kOutsideIsDefault) && (value < row.low || value > row.high)) value = row.intDefault;
    if (value < row.low) value = row.low;
    if (value > row.high) value = row.high;
    if (row.offset == kDropActionField) {
      if (ddList) *ddList = value;
    } else {
      *IntField(SettingField(AppSettings, row)) = value;
    }
    return;
  }
  char* field = TextField(SettingField(AppSettings, row));
  if (row.kind == SettingKind::kText) {
    app->GetProfileStringA(row.section, row.key, row.textDefault, field, row.size);
    return;
  }
  std::string raw, plain;
  if (app->GetProfileRawString(row.section, row.key, &raw)) plain = PasswordFromStored(raw);
  // Memory holds plain text up to its terminator; a longer one is cut.
  size_t n = plain.size() < row.size ? plain.size() : row.size - 1;
  std::memcpy(field, plain.data(), n);
  field[n] = '\0';
}

void WriteRow(const SettingRow& row, int ddList) {
  CWinApp* app = AfxGetApp();
  switch (row.kind) {
    case SettingKind::kInt:
      app->WriteProfileInt(row.section, row.key,
                           row.offset == kDropActionField ? ddList : *IntField(SettingField(AppSettings, row)));
      break;
    case SettingKind::kText:
      app->WriteProfileStringA(row.section, row.key, TextField(SettingField(AppSettings, row)));
      break;
    case SettingKind::kPassword:
      app->WriteProfileStringA(row.section, row.key,
                               StoredPassword(TextField(SettingField(AppSettings, row))).c_str());
      break;
  }
}

void WriteRows(unsigned use, int ddList) {
  CProfileBatch batch;
  for (size_t i = 0; i < kSettingRowCount; ++i)
    if (kSettingRows[i].use & use) WriteRow(kSettingRows[i], ddList);
}

}  // namespace

void* SettingField(Settings& record, const SettingRow& row) {
  if (row.offset == kDropActionField) return nullptr;
  char* part = row.use & kSheet ? reinterpret_cast<char*>(static_cast<SheetSettings*>(&record))
                                : reinterpret_cast<char*>(static_cast<StateSettings*>(&record));
  return part + row.offset;
}

const void* SheetField(const SheetSettings& part, const SettingRow& row) {
  if (!(row.use & kSheet)) return nullptr;
  return reinterpret_cast<const char*>(&part) + row.offset;
}

void LoadSettings(int* ddList) {
  CProfileBatch batch;
  for (size_t i = 0; i < kSettingRowCount; ++i) ReadRow(kSettingRows[i], ddList);
  AppSettings.ShutdownArmed = false;
}

void SaveSettings() { WriteRows(kSheet, 0); }

void SaveWindowState(HWND mainWindow, int ddList) {
  RECT r;
  if (mainWindow && GetWindowRect(mainWindow, &r)) {
    AppSettings.MainWindowX = r.left;
    AppSettings.MainWindowY = r.top;
  }
  WriteRows(kWindowState, ddList);
}

void CopyToWorkingCopy() { SettingsWorkingCopy = AppSettings; }

void CopyFromWorkingCopy() { static_cast<SheetSettings&>(AppSettings) = SettingsWorkingCopy; }

namespace {

// A menu toggle's own key alone, at once.
void WriteToggle(const int& field) {
  for (size_t i = 0; i < kSettingRowCount; ++i) {
    const SettingRow& row = kSettingRows[i];
    if ((row.use & kMenuToggle) && SettingField(AppSettings, row) == &field) WriteRow(row, 0);
  }
}

}  // namespace

void WriteTopMostEnable() { WriteToggle(AppSettings.TopMostEnable); }

void WriteMoveEnable() { WriteToggle(AppSettings.MoveEnable); }

void SaveLauncherPlace(int x, int y) {
  AppSettings.LunWindowX = x;
  AppSettings.LunWindowY = y;
  WriteRows(kLauncherPlace, 0);
}
