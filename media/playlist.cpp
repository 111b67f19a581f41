#include "playlist.h"

#include <commctrl.h>

#include "../core/settings.h"
#include "../resources/resource.h"
#include "media_player.h"


void PreparePlaylistControl(HWND list) {
  // Entries draw over the background picture.
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, LPARAM(CLR_NONE));
}

// The list itself comes with the player.
void PlaylistTick(HWND, CMediaPlayer&) {}

void StopPlayback(HWND, CMediaPlayer& player) {
  PlayState.position = 0;
  PlayState.state = Stopped;
  player.StopAndRewind();
}

void LoadBackupList(HWND) {}
void SeekBySlider(HWND, CMediaPlayer&) {}

void PlaylistCommand(HWND, CMediaPlayer&, int id) {
  // The repeat mode is kept in memory and written with the window state.
  if (id >= IDM_REPEAT_ALL && id <= IDM_REPEAT_RANDOM) AppSettings.RepeatMode = id - IDM_REPEAT_ALL;
}
void SaveBackupList(HWND) {}
