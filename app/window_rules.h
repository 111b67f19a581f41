// Size rules of the main window's keys and music row (pure).
#pragma once
#include "core/placement.h"

// The music-row toggle: from the list or music height to compact, from
// compact (or less) to the music height.
inline int MusicBarToggledHeight(int size) { return size <= kHeightCompact ? kHeightMusic : kHeightCompact; }

// Volume keys: steps of 20 within 0..1000.
inline int SteppedVolume(int volume, int step) {
  int v = volume + step;
  return v > 1000 ? 1000 : (v < 0 ? 0 : v);
}
