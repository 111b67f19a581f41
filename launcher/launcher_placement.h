// Where the launcher opens beside the main window (pure).
#pragma once
#include "core/placement.h"

// 0 above the main window (below it when there is no room above), 1 below it
// (above when the screen ends within two compact heights of its top),
// anything else at its stored place.
inline Placement LauncherPlacement(int lunPosition, int mainX, int mainY, int screenHeight,
                                   int lunX, int lunY) {
  switch (lunPosition) {
    case 0:
      return {true, mainX, mainY < kLauncherHeight ? mainY + kHeightCompact : mainY - kLauncherHeight};
    case 1:
      return {true, mainX,
              screenHeight < mainY + 2 * kHeightCompact ? mainY - kLauncherHeight : mainY + kHeightCompact};
    default:
      return {true, lunX, lunY};
  }
}
