// The playlist and its playback control.
#pragma once
#include <windows.h>

class CMediaPlayer;

#include "../core/run_state.h"  // PlayState

// Columns, image list and transparent text background of list control 1048.
void PreparePlaylistControl(HWND list);
// While a track plays: position display, end of track and advance.
void PlaylistTick(HWND mainWindow, CMediaPlayer& player);
void StopPlayback(HWND list, CMediaPlayer& player);
// "backup.m3u" in the program's folder.
void LoadBackupList(HWND list);
// The player's buttons and menu items (1007-1011, 1014-1019, 32783-32785).
void PlaylistCommand(HWND mainWindow, CMediaPlayer& player, int id);
// The position slider moved.
void SeekBySlider(HWND mainWindow, CMediaPlayer& player);
void SaveBackupList(HWND list);
