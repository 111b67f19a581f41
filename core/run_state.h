// Run-time state that several subsystems share: the main window, the tick,
// the status panel, the tray and the mail check all read it. Each value has
// one writer, named beside it.
//
// Pure code: no <windows.h>.
#pragma once

// Operating-system class, fixed at start by the samplers. In this order, so
// that "the NT family" is OsClass >= kOsNt.
enum OsClassValue : int {
  kOs95 = 0,       // the 95 family at minor version 0
  kOs95Later = 1,  // the later 95 family
  kOsNt = 2,       // NT up to 4
  kOsNt5 = 3,      // NT 5 and later (semi-transparent windows)
};
extern OsClassValue OsClass;

// Local hour * 100 + minute at the last status-panel refresh, -1 before the
// first; written by the status panel, read by the timed shutdown.
extern int ClockHourMinute;

// Message counts of the three accounts from the latest mail check, 0 to 99
// each; written by the mail check.
extern int MailCounts[3];

enum PlayStateValue { Stopped = 0, Paused = 1, Playing = 2 };

// Playback state, written by the playlist.
struct PlayStateInfo {
  int state = Stopped;
  int position = 0;  // seconds
  int duration = 0;  // seconds; -1 after a file that could not be opened
};
extern PlayStateInfo PlayState;

// Whether the launcher is shown by the launcher command (written by the main
// window and the launcher), and whether the main window is hidden by a double
// click until the pointer leaves its place.
extern bool LauncherVisible;
extern bool PeekHidden;
