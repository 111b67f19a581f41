#include "settings.h"

#include <cstring>

#include "../framework/app.h"

Settings AppSettings;
SettingsCopy SettingsWorkingCopy;

namespace {

template <size_t N>
void ReadString(const char* section, const char* key, const char* def, char (&out)[N]) {
  AfxGetApp()->GetProfileStringA(section, key, def, out, N);
}

int ReadInt(const char* section, const char* key, int def) {
  return AfxGetApp()->GetProfileIntA(section, key, def);
}

void WriteInt(const char* section, const char* key, int value) {
  AfxGetApp()->WriteProfileInt(section, key, value);
}

void WriteString(const char* section, const char* key, const char* value) {
  AfxGetApp()->WriteProfileStringA(section, key, value);
}

template <size_t N>
void CopyText(char (&to)[N], const char (&from)[N]) {
  std::memcpy(to, from, N);
  to[N - 1] = '\0';
}

// The same field list both ways, so the two copies can never drift apart.
template <typename To, typename From>
void CopySheetFields(To& to, const From& from) {
  to.Mail = from.Mail;
  to.Item1 = from.Item1;
  to.Item2 = from.Item2;
  to.Item3 = from.Item3;
  to.B = from.B;
  to.R = from.R;
  to.G = from.G;
  to.TopMostEnable = from.TopMostEnable;
  to.MoveEnable = from.MoveEnable;
  to.Skelton = from.Skelton;
  to.TipEnable = from.TipEnable;
  to.StartupEnable = from.StartupEnable;
  to.ShutdownArmed = from.ShutdownArmed;
  to.ShutdownHour = from.ShutdownHour;
  to.ShutdownMinute = from.ShutdownMinute;
  to.AutoCleanEnable = from.AutoCleanEnable;
  to.AutoCleanMinute = from.AutoCleanMinute;
  to.Check1Enable = from.Check1Enable;
  to.Check2Enable = from.Check2Enable;
  to.Check3Enable = from.Check3Enable;
  CopyText(to.Server1, from.Server1);
  CopyText(to.Server2, from.Server2);
  CopyText(to.Server3, from.Server3);
  CopyText(to.Usr1, from.Usr1);
  CopyText(to.Usr2, from.Usr2);
  CopyText(to.Usr3, from.Usr3);
  CopyText(to.Pass1, from.Pass1);
  CopyText(to.Pass2, from.Pass2);
  CopyText(to.Pass3, from.Pass3);
  to.Pitch = from.Pitch;
  to.LunResetEnable = from.LunResetEnable;
  to.LunCloseEnable = from.LunCloseEnable;
  to.LunPosition = from.LunPosition;
  to.CleanSizeEnable = from.CleanSizeEnable;
  to.CleanSize = from.CleanSize;
  CopyText(to.ListViewBKImage, from.ListViewBKImage);
  CopyText(to.Skin, from.Skin);
}

}  // namespace

void InvertText(char* text, size_t size) {
  char buffer[256];
  size_t n = 0;
  // Only the bytes before the terminator; a byte that would complement to the
  // terminator itself (0xFF) cannot occur in Shift-JIS text.
  while (n < size && n < sizeof buffer - 1 && text[n]) {
    buffer[n] = char(255 - static_cast<unsigned char>(text[n]));
    ++n;
  }
  buffer[n] = '\0';
  std::memcpy(text, buffer, n + 1 <= size ? n + 1 : size);
}

void InvertPasswords() {
  InvertText(AppSettings.Pass1, sizeof AppSettings.Pass1);
  InvertText(AppSettings.Pass2, sizeof AppSettings.Pass2);
  InvertText(AppSettings.Pass3, sizeof AppSettings.Pass3);
}

void LoadSettings(int* ddList) {
  Settings& s = AppSettings;
  s.MainWindowX = ReadInt("WINDOW", "MainWindowX", 0);
  s.MainWindowY = ReadInt("WINDOW", "MainWindowY", 0);
  int dd = ReadInt("WINDOW", "DDList", 0);
  if (ddList) *ddList = dd;
  s.Size = ReadInt("WINDOW", "Size", 67);
  s.LunWindowX = ReadInt("WINDOW", "LunWindowX", 0);
  s.LunWindowY = ReadInt("WINDOW", "LunWindowY", 0);
  s.RepeatMode = ReadInt("MUSIC", "RepeatMode", 0);
  s.Volume = ReadInt("MUSIC", "Volume", 1000);
  s.Mail = ReadInt("ENTRY", "Mail", 0);
  s.Item1 = ReadInt("ENTRY", "Item1", 0);
  s.Item2 = ReadInt("ENTRY", "Item2", 2);
  s.Item3 = ReadInt("ENTRY", "Item3", 3);
  s.B = ReadInt("COLOR", "B", 255);
  s.R = ReadInt("COLOR", "R", 150);
  s.G = ReadInt("COLOR", "G", 200);
  s.TopMostEnable = ReadInt("WINDOW", "TopMostEnable", 0);
  s.MoveEnable = ReadInt("WINDOW", "MoveEnable", 0);
  s.Skelton = ReadInt("WINDOW", "Skelton", 100);
  s.TipEnable = ReadInt("WINDOW", "TipEnable", 1);
  s.StartupEnable = ReadInt("OPTION", "StartupEnable", 0);
  s.ShutdownHour = ReadInt("OPTION", "ShutdownHour", 0);
  s.ShutdownMinute = ReadInt("OPTION", "ShutdownMinute", 0);
  s.AutoCleanEnable = ReadInt("OPTION", "AutoCleanEnable", 0);
  s.AutoCleanMinute = ReadInt("OPTION", "AutoCleanMinute", 0);
  s.Check1Enable = ReadInt("MAILCHECK", "Check1Enable", 0);
  ReadString("MAILCHECK", "Server1", "", s.Server1);
  ReadString("MAILCHECK", "Usr1", "", s.Usr1);
  ReadString("MAILCHECK", "Pass1", "", s.Pass1);
  s.Check2Enable = ReadInt("MAILCHECK", "Check2Enable", 0);
  ReadString("MAILCHECK", "Server2", "", s.Server2);
  ReadString("MAILCHECK", "Usr2", "", s.Usr2);
  ReadString("MAILCHECK", "Pass2", "", s.Pass2);
  s.Check3Enable = ReadInt("MAILCHECK", "Check3Enable", 0);
  ReadString("MAILCHECK", "Server3", "", s.Server3);
  ReadString("MAILCHECK", "Usr3", "", s.Usr3);
  ReadString("MAILCHECK", "Pass3", "", s.Pass3);
  s.Pitch = ReadInt("MAILCHECK", "Pitch", 0);
  ReadString("MAILCHECK", "HttpMailHost", "localhost", s.HttpMailHost);
  s.LunResetEnable = ReadInt("WINDOW", "LunResetEnable", 0);
  s.LunCloseEnable = ReadInt("WINDOW", "LunCloseEnable", 1);
  s.LunPosition = ReadInt("WINDOW", "LunPosition", 0);
  s.CleanSizeEnable = ReadInt("OPTION", "CleanSizeEnable", 0);
  s.CleanSize = ReadInt("OPTION", "CleanSize", 0);
  ReadString("WINDOW", "ListViewBKImage", "default.bmp", s.ListViewBKImage);
  ReadString("WINDOW", "Skin", "default", s.Skin);
  s.ShutdownArmed = false;
  InvertPasswords();
}

void SaveSettings() {
  const Settings& s = AppSettings;
  WriteInt("ENTRY", "Mail", s.Mail);
  WriteInt("ENTRY", "Item1", s.Item1);
  WriteInt("ENTRY", "Item2", s.Item2);
  WriteInt("ENTRY", "Item3", s.Item3);
  WriteInt("COLOR", "B", s.B);
  WriteInt("COLOR", "R", s.R);
  WriteInt("COLOR", "G", s.G);
  WriteInt("WINDOW", "TopMostEnable", s.TopMostEnable);
  WriteInt("WINDOW", "MoveEnable", s.MoveEnable);
  WriteInt("WINDOW", "Skelton", s.Skelton);
  WriteInt("WINDOW", "TipEnable", s.TipEnable);
  WriteInt("OPTION", "StartupEnable", s.StartupEnable);
  WriteInt("OPTION", "ShutdownHour", s.ShutdownHour);
  WriteInt("OPTION", "ShutdownMinute", s.ShutdownMinute);
  WriteInt("OPTION", "AutoCleanEnable", s.AutoCleanEnable);
  WriteInt("OPTION", "AutoCleanMinute", s.AutoCleanMinute);
  InvertPasswords();
  WriteInt("MAILCHECK", "Check1Enable", s.Check1Enable);
  WriteString("MAILCHECK", "Server1", s.Server1);
  WriteString("MAILCHECK", "Usr1", s.Usr1);
  WriteString("MAILCHECK", "Pass1", s.Pass1);
  WriteInt("MAILCHECK", "Check2Enable", s.Check2Enable);
  WriteString("MAILCHECK", "Server2", s.Server2);
  WriteString("MAILCHECK", "Usr2", s.Usr2);
  WriteString("MAILCHECK", "Pass2", s.Pass2);
  WriteInt("MAILCHECK", "Check3Enable", s.Check3Enable);
  WriteString("MAILCHECK", "Server3", s.Server3);
  WriteString("MAILCHECK", "Usr3", s.Usr3);
  WriteString("MAILCHECK", "Pass3", s.Pass3);
  WriteInt("MAILCHECK", "Pitch", s.Pitch);
  InvertPasswords();
  WriteInt("WINDOW", "LunResetEnable", s.LunResetEnable);
  WriteInt("WINDOW", "LunCloseEnable", s.LunCloseEnable);
  WriteInt("WINDOW", "LunPosition", s.LunPosition);
  WriteInt("OPTION", "CleanSizeEnable", s.CleanSizeEnable);
  WriteInt("OPTION", "CleanSize", s.CleanSize);
  WriteString("WINDOW", "ListViewBKImage", s.ListViewBKImage);
  WriteString("WINDOW", "Skin", s.Skin);
}

void SaveWindowState(HWND mainWindow, int ddList) {
  RECT r;
  if (mainWindow && GetWindowRect(mainWindow, &r)) {
    AppSettings.MainWindowX = r.left;
    AppSettings.MainWindowY = r.top;
  }
  WriteInt("WINDOW", "MainWindowX", AppSettings.MainWindowX);
  WriteInt("WINDOW", "MainWindowY", AppSettings.MainWindowY);
  WriteInt("WINDOW", "DDList", ddList);
  WriteInt("WINDOW", "Size", AppSettings.Size);
  WriteInt("MUSIC", "RepeatMode", AppSettings.RepeatMode);
  WriteInt("MUSIC", "Volume", AppSettings.Volume);
}

void CopyToWorkingCopy() { CopySheetFields(SettingsWorkingCopy, AppSettings); }

void CopyFromWorkingCopy() { CopySheetFields(AppSettings, SettingsWorkingCopy); }

void WriteTopMostEnable() { WriteInt("WINDOW", "TopMostEnable", AppSettings.TopMostEnable); }

void WriteMoveEnable() { WriteInt("WINDOW", "MoveEnable", AppSettings.MoveEnable); }
