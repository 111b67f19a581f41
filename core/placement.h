// Sizes of the program's two skinned windows and the rule that keeps a
// dragged window on the screen (pure).
#pragma once

constexpr int kMainWidth = 220;
// The main window's three heights: compact, with the music row, with the list.
constexpr int kHeightCompact = 46;
constexpr int kHeightMusic = 67;
constexpr int kHeightList = 198;

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
