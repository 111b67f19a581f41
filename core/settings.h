// The program's settings: one process-wide record with a field per profile
// key of "tovix.ini", the working copy of its sheet part that the settings
// sheet edits, and the routines that move them between memory and the file.
#pragma once
#include <windows.h>

// What the windows and the player keep for themselves: the settings sheet
// never edits these.
struct StateSettings {
  // WINDOW: place and height (written with the window state)
  int MainWindowX = 0;
  int MainWindowY = 0;
  int Size = 0;
  // WINDOW: the launcher's own place (written by the launcher)
  int LunWindowX = 0;
  int LunWindowY = 0;
  // MUSIC
  int RepeatMode = 0;
  int Volume = 0;
};

// What the settings sheet edits: its working copy is a copy of this part.
struct SheetSettings {
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

// The one record of the settings: a field per profile key (except the
// launcher entries and the drop action, which the main window keeps).
struct Settings : StateSettings, SheetSettings {};

extern Settings AppSettings;
extern SheetSettings SettingsWorkingCopy;

// One profile key of the settings record.
enum class SettingKind { kInt, kText, kPassword };
enum SettingUse : unsigned {
  kSheet = 1,        // in SheetSettings: edited by the settings sheet, written by SaveSettings
  kWindowState = 2,  // written by SaveWindowState
  kOutsideIsDefault = 4,  // an integer read outside low..high is the default, not held to the range
  kLauncherPlace = 8,     // written by SaveLauncherPlace
  kMenuToggle = 16,       // written at once by its menu item
};
struct SettingRow {
  const char* section;
  const char* key;
  SettingKind kind;
  unsigned use;
  int intDefault;
  const char* textDefault;
  size_t offset;  // in SheetSettings for kSheet rows, else in StateSettings;
                  // kDropActionField for the drop action
  size_t size;    // of a text field
  int low, high;  // an integer read outside is held to this range
};
constexpr size_t kDropActionField = size_t(-1);
// Every key of the profile except the launcher entries, in reading order.
extern const SettingRow kSettingRows[];
extern const size_t kSettingRowCount;

// The field a row names in a record: null for the drop action, and, in the
// sheet's part alone, for every row that is not the sheet's.
void* SettingField(Settings& record, const SettingRow& row);
const void* SheetField(const SheetSettings& part, const SettingRow& row);

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
// The sheet's part of AppSettings, whole, into the working copy and back.
void CopyToWorkingCopy();
void CopyFromWorkingCopy();
// The two menu toggles write their own key at once.
void WriteTopMostEnable();
void WriteMoveEnable();
// The launcher's place, into AppSettings and both keys in one write of the file.
void SaveLauncherPlace(int x, int y);
