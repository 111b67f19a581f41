// Placement and size rules of the main window and the launcher (pure).
#pragma once

constexpr int kLauncherWidth = 220;
constexpr int kLauncherHeight = 82;

struct Placement {
  bool move;
  int x, y;
};

// After the window moved to (x, y): pulls it back onto a screen of the given
// size. Moves only when an edge was out.
inline Placement KeepOnScreen(int x, int y, int left, int top, int right, int bottom,
                              int screenWidth, int screenHeight, int width, int height) {
  Placement p = {false, x, y};
  bool adjusted = false;
  if (left < 0) {
    p.x = 0;
    adjusted = true;
  } else if (right > screenWidth) {
    p.x = screenWidth - width;
    adjusted = true;
  }
  if (top < 0) {
    p.y = 0;
    p.move = true;
  } else if (bottom > screenHeight) {
    p.y = screenHeight - height;
    p.move = true;
  } else {
    p.move = adjusted;
  }
  return p;
}

// Where the launcher opens: 0 above the main window (below it when there is no
// room above), 1 below it (above when there is no room below), anything else
// at its stored place.
inline Placement LauncherPlacement(int lunPosition, int mainX, int mainY, int screenHeight,
                                   int lunX, int lunY) {
  switch (lunPosition) {
    case 0:
      return {true, mainX, mainY < kLauncherHeight ? mainY + 46 : mainY - kLauncherHeight};
    case 1:
      return {true, mainX, screenHeight < mainY + 92 ? mainY - kLauncherHeight : mainY + 46};
    default:
      return {true, lunX, lunY};
  }
}

// The music-row toggle: from the list or music height to compact, from
// compact (or less) to the music height.
inline int MusicBarToggledHeight(int size) { return size <= 46 ? 67 : 46; }

// Volume keys: steps of 20 within 0..1000.
inline int SteppedVolume(int volume, int step) {
  int v = volume + step;
  return v > 1000 ? 1000 : (v < 0 ? 0 : v);
}
