// Arithmetic and text of the video window: window sizes for the size
// commands, the control strip's places, slider and volume scales, the time
// and information texts.
//
// Pure code: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "framework/text.h"

namespace video {

// Height of the control strip under the picture.
constexpr int kStripHeight = 55;
// Range of the position slider.
constexpr int kPositionRange = 200;

struct Size {
  int cx;
  int cy;
};

// Outer window size for a zoom in percent (200, 100 or 50) of a video of
// videoW x videoH, with the frame allowance added once.
inline Size WindowSizeFor(int percent, int videoW, int videoH, Size frame) {
  int w = videoW, h = videoH;
  if (percent == 200) {
    w = 2 * videoW;
    h = 2 * videoH;
  } else if (percent == 50) {
    w = videoW / 2;
    h = videoH / 2;
  }
  return {frame.cx + w, frame.cy + h};
}

struct Rect {
  int x, y, width, height;
};

// The outer size for a zoom, held to a work area of work.cx x work.cy: a
// picture too large is scaled down with its aspect ratio kept, leaving room
// for the frame and, below it, the control strip, so that the whole window
// and its strip fit on the screen.
inline Size FittedWindowSize(int percent, int videoW, int videoH, Size frame, Size work) {
  Size size = WindowSizeFor(percent, videoW, videoH, frame);
  long long w = size.cx - frame.cx, h = size.cy - frame.cy;
  long long maxW = work.cx - frame.cx, maxH = work.cy - frame.cy - kStripHeight;
  if (w <= 0 || h <= 0 || maxW <= 0 || maxH <= 0 || (w <= maxW && h <= maxH)) return size;
  if (w * maxH > h * maxW) {
    h = h * maxW / w;
    w = maxW;
  } else {
    w = w * maxH / h;
    h = maxH;
  }
  return {frame.cx + int(w > 0 ? w : 1), frame.cy + int(h > 0 ? h : 1)};
}

// The place of a window of `size` at `at`, moved as little as needed to lie
// inside the work area with room for the strip below it.
inline Rect PlaceInside(int x, int y, Size size, Rect work) {
  auto keep = [](int pos, int length, int start, int extent) {
    if (pos + length > start + extent) pos = start + extent - length;
    return pos < start ? start : pos;
  };
  return {keep(x, size.cx, work.x, work.width), keep(y, size.cy + kStripHeight, work.y, work.height), size.cx,
          size.cy};
}

// One control of the strip: its place below a client area of w x h.
struct StripPlace {
  int id;
  int x, yBelow, width, height;  // width -1 = the client width
};
// The controls in a strip of three rows of 18 pixels, one pixel below the
// picture: position slider; close, play, pause, stop, time, "Vol", volume;
// file information.
constexpr StripPlace kStrip[] = {
    {1065, 0, 1, -1, 18},   {1067, 0, 19, 18, 18},   {5, 18, 19, 18, 18},
    {3, 36, 19, 18, 18},    {4, 54, 19, 18, 18},     {1068, 72, 19, 110, 18},
    {1070, 182, 19, 38, 18}, {1066, 220, 19, 100, 18}, {1069, 0, 37, -1, 18},
};

inline const StripPlace& StripPlaceOf(int id) {
  for (const StripPlace& p : kStrip)
    if (p.id == id) return p;
  return kStrip[0];
}

inline Rect PlaceOf(const StripPlace& p, int clientW, int clientH) {
  return {p.x, clientH + p.yBelow, p.width < 0 ? clientW : p.width, p.height};
}

// The strip hides once the cursor has left the window rectangle; its edges,
// right and bottom included, still count as inside.
inline bool CursorOutside(int left, int top, int right, int bottom, int x, int y) {
  return x < left || x > right || y < top || y > bottom;
}

// Position slider for a position in a track of duration seconds.
inline int SliderFromPosition(int position, int duration) {
  if (duration <= 0) return 0;
  return int(static_cast<long long>(position) * kPositionRange / duration);
}
// Seek target in seconds for a slider position.
inline long long SecondsFromSlider(int slider, int duration) {
  return static_cast<long long>(slider) * duration / kPositionRange;
}

// Volume slider 0..100 onto the graph's hundredths of a decibel, -3000..0.
inline long GraphVolumeFromSlider(int slider) { return long(slider) * 30 - 3000; }
// The slider's first position from the graph's volume: full volume gives 100.
inline int SliderFromGraphVolume(long volume) { return int(volume / 100 + 100); }

// "hh:mm:ss" of a number of seconds.
inline void FormatClock(char* out, std::size_t size, int seconds) {
  if (seconds < 0) seconds = 0;
  std::snprintf(out, size, "%2.2d:%2.2d:%2.2d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}
// "hh:mm:ss / hh:mm:ss", the time display.
inline void FormatTime(char* out, std::size_t size, int position, int duration) {
  char pos[16], total[16];
  FormatClock(pos, sizeof pos, position);
  FormatClock(total, sizeof total, duration);
  std::snprintf(out, size, "%s / %s", pos, total);
}

// The file name of a Windows path: the part after its last backslash. The
// second byte of a two-byte character (表 is 95 5C) is not a separator.
inline const char* FileNameOf(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p) {
    if (text::IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      ++p;
    } else if (*p == '\\' || *p == '/') {
      name = p + 1;
    }
  }
  return name;
}

// The information text: " width×height／frames per second／file name". A
// stream that reports no frame time shows 0.00 frames per second.
inline void FormatInfo(char* out, std::size_t size, int width, int height, double secondsPerFrame,
                       const char* path) {
  double fps = secondsPerFrame > 0 ? 1.0 / secondsPerFrame : 0.0;
  std::snprintf(out, size, " %d×%d／%.2f／%s", width, height, fps, FileNameOf(path));
}

}  // namespace video
