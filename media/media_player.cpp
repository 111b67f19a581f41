#include "media_player.h"

// The graph and its interfaces come with the media engine.
void CMediaPlayer::SetVolume(int) {}
void CMediaPlayer::StopAndRewind() {}
int CMediaPlayer::CreateGraph() { return 0; }
void CMediaPlayer::ReleaseGraph() {}
