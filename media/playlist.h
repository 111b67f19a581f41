// The playlist and its playback control: list control 1048 of the main window
// is the only store of the tracks (column 0 the file name, column 1 the path
// as added), the position slider 1062, the player buttons and menu items, the
// repeat modes, and the list files.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

class CMediaPlayer;

#include "core/run_state.h"  // PlayState
#include "media/playlist_rules.h"

// The player's own state beside PlayState, written by the playlist only.
struct PlaylistPlayerState {
  // Index of the last track started; edits of the list do not move it.
  int current = 0;
  // Set while the user drags the position slider, so the tick leaves it be.
  bool sliderDragged = false;
  // Tracks that could not be opened or broke off since one last played to
  // its end.
  int failedInRow = 0;
  // Forward or Back chose `current`, whose track starts once the presses
  // pause (a burst of presses builds one graph, not one each).
  bool movePending = false;
};
extern PlaylistPlayerState PlaylistState;

// The open and save dialogs of the list commands, so tests can answer them.
// Wide, so a list may have any name the file system holds.
struct ListFileDialogs {
  BOOL(WINAPI* open)(OPENFILENAMEW* dialog);
  BOOL(WINAPI* save)(OPENFILENAMEW* dialog);
};
extern ListFileDialogs g_listFileDialogs;
extern const ListFileDialogs kSystemListFileDialogs;

// Columns, image list, text colours of list control 1048.
void PreparePlaylistControl(HWND list);
// The list's text in the status panel's colour (COLOR R, G, B), over a
// transparent background; again after the colour changed.
void ApplyPlaylistColours(HWND list);

// Appends an entry with the file name and the path, exactly as the file
// system names the file, unmarked; a device name (which would hold the window
// when played) is not added.
void AddTrack(HWND list, const std::wstring& path);
// The same for a path in the system code page.
void AddTrack(HWND list, const char* path);
// The text of an entry: column 0 the name, column 1 the full path.
std::wstring PlaylistItemText(HWND list, int index, int column);
// Lists larger than this are not read (1 MB = 1,000,000 bytes).
constexpr unsigned long kMaxListBytes = 64000000;

// Appends the existing files a list file names; false if it cannot be read
// or is larger than kMaxListBytes.
bool LoadListFile(HWND list, const std::wstring& listPath);
bool LoadListFile(HWND list, const char* listPath);
// Writes every entry's path (see m3u::FormatList); the old file stays whole
// if that fails.
bool WriteListFile(HWND list, const std::wstring& listPath);
bool WriteListFile(HWND list, const char* listPath);
// The backup list in the current folder (the program's): "backup.m3u" in
// the system code page holds every entry that code page holds, for older
// copies of the program and other tools; when an entry is not held there,
// "backup.m3u8" beside it holds the whole list in UTF-8 (and is removed when
// no such entry is left). At start "backup.m3u8" is read when it is not
// older than "backup.m3u" (an older copy may have rewritten that one alone),
// else "backup.m3u". A backup that could not be read is never replaced by an
// empty list.
void LoadBackupList(HWND list);
void SaveBackupList(HWND list);

// While a track plays: position, slider, end of track and advance.
void PlaylistTick(HWND mainWindow, CMediaPlayer& player);
// Stops and rewinds; no entry keeps the mark.
void StopPlayback(HWND list, CMediaPlayer& player);
// The player's buttons and menu items (1007-1011, 1014-1019, 32783-32785).
void PlaylistCommand(HWND mainWindow, CMediaPlayer& player, int id);
// A scroll notification (TB_THUMBTRACK, TB_ENDTRACK, ...) of the slider.
void SliderScroll(HWND mainWindow, CMediaPlayer& player, int scrollCode);
// Starts at once the track that Forward and Back presses chose, if one
// waits; a one-shot timer of the main window does this once the presses pause.
void StartChosenTrack(HWND mainWindow, CMediaPlayer& player);
// How long the presses must pause before the chosen track starts.
constexpr UINT kChosenTrackDelayMs = 200;
