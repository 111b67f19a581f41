#include "playlist.h"

#include <commctrl.h>

#include "media_player.h"

PlayStateInfo PlayState;

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
void SaveBackupList(HWND) {}
