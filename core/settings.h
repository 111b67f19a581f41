// The program's settings: one process-wide record with a field per profile
// key of "tovix.ini", the working copy that the settings sheet edits, and the
// routines that move them between memory and the profile file.
#pragma once
#include <windows.h>

struct Settings {
  // WINDOW: place and height (written with the window state)
  int MainWindowX = 0;
  int MainWindowY = 0;
  int Size = 0;
  int LunWindowX = 0;
  int LunWindowY = 0;
  // MUSIC
  int RepeatMode = 0;
  int Volume = 0;
  // ENTRY: status rows
  int Mail = 0;
  int Item1 = 0;
  int Item2 = 0;
  int Item3 = 0;
  // COLOR: status text colour
  int B = 0;
  int R = 0;
  int G = 0;
  // WINDOW
  int TopMostEnable = 0;
  int MoveEnable = 0;
  int Skelton = 0;  // opacity in percent
  int TipEnable = 0;
  // OPTION
  int StartupEnable = 0;
  int ShutdownHour = 0;
  int ShutdownMinute = 0;
  int AutoCleanEnable = 0;
  int AutoCleanMinute = 0;
  // MAILCHECK (passwords hold plain text in memory)
  int Check1Enable = 0;
  char Server1[256] = "";
  char Usr1[256] = "";
  char Pass1[256] = "";
  int Check2Enable = 0;
  char Server2[256] = "";
  char Usr2[256] = "";
  char Pass2[256] = "";
  int Check3Enable = 0;
  char Server3[256] = "";
  char Usr3[256] = "";
  char Pass3[256] = "";
  int Pitch = 0;
  // Host (and optional :port) of the HTTPMail service that accounts with the
  // server name "hotmail" are checked at; empty: such accounts are not
  // checked. Edited on the settings sheet's mail page.
  char HttpMailHost[256] = "";
  // MAILCHECK: how each account's connection is secured (0 plain, 1 STLS,
  // 2 TLS from the first byte) and its port (0: the standard one of the mode).
  int Security1 = 0, Security2 = 0, Security3 = 0;
  int Port1 = 0, Port2 = 0, Port3 = 0;
  // WINDOW: launcher
  int LunResetEnable = 0;
  int LunCloseEnable = 0;
  int LunPosition = 0;
  // OPTION: memory cleaner
  int CleanSizeEnable = 0;
  int CleanSize = 0;
  // WINDOW: pictures
  char ListViewBKImage[260] = "";
  char Skin[256] = "";

  // The timed shutdown's switch: set only by the settings sheet, never stored.
  bool ShutdownArmed = false;
};

// What the settings sheet edits: the window place and height, the drop
// action, the launcher place and the player's own values are not in it.
struct SettingsCopy {
  int Mail, Item1, Item2, Item3;
  int B, R, G;
  int TopMostEnable, MoveEnable, Skelton, TipEnable;
  int StartupEnable;
  bool ShutdownArmed;
  int ShutdownHour, ShutdownMinute, AutoCleanEnable, AutoCleanMinute;
  int Check1Enable, Check2Enable, Check3Enable;
  char Server1[256], Server2[256], Server3[256];
  char Usr1[256], Usr2[256], Usr3[256];
  char Pass1[256], Pass2[256], Pass3[256];
  int Pitch;
  char HttpMailHost[256];
  int Security1, Security2, Security3, Port1, Port2, Port3;
  int LunResetEnable, LunCloseEnable, LunPosition;
  int CleanSizeEnable, CleanSize;
  char ListViewBKImage[260];
  char Skin[256];
};

extern Settings AppSettings;
extern SettingsCopy SettingsWorkingCopy;

// One profile key of the settings record.
enum class SettingKind { kInt, kText, kPassword };
enum SettingUse : unsigned {
  kLoadOnly = 0,
  kSheet = 1,        // edited by the settings sheet: working copy and SaveSettings
  kWindowState = 2,  // written by SaveWindowState
  kOutsideIsDefault = 4,  // an integer read outside low..high is the default, not held to the range
};
struct SettingRow {
  const char* section;
  const char* key;
  SettingKind kind;
  unsigned use;
  int intDefault;
  const char* textDefault;
  size_t offset;      // in Settings; kDropActionField for the drop action
  size_t copyOffset;  // in SettingsCopy, for kSheet rows
  size_t size;        // of a text field
  int low, high;      // an integer read outside is held to this range
};
constexpr size_t kDropActionField = size_t(-1);
// Every key of the profile except the launcher entries, in reading order.
extern const SettingRow kSettingRows[];
extern const size_t kSettingRowCount;

// Reads every key (except the launcher entries) in its fixed order with its
// default; the file is read once. The drop action is the main window's own
// and comes back in ddList.
void LoadSettings(int* ddList);
// Writes what the settings sheet edits, passwords complemented in the file,
// in one write of the file.
void SaveSettings();
// Takes the window's current left and top, then writes place, drop action,
// height, repeat mode and volume in one write of the file.
void SaveWindowState(HWND mainWindow, int ddList);
void CopyToWorkingCopy();
void CopyFromWorkingCopy();
// The two menu toggles write their own key at once.
void WriteTopMostEnable();
void WriteMoveEnable();

// Complements every byte of the three passwords (applied twice: plain again).
void InvertPasswords();
// The same for one text, in place, up to its terminator.
void InvertText(char* text, size_t size);
