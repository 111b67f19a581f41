// The status panel: three figure rows, the blinking mail row and the playback
// time, composed in an off-screen surface over the skin's background and
// copied onto the main window by the tick.
#pragma once
#include <windows.h>

#include "status/panel_text.h"

#include "core/run_state.h"  // ClockHourMinute, MailCounts, PlayState

// The CPU usage of the last sampling cycle, in percent.
extern int LastCpuUsage;

// What one refresh shows. RefreshStatusPanel fills it from the samplers;
// tests fill it with chosen figures and hand it to UpdateStatusPanel.
struct PanelFigures {
  SYSTEMTIME now;
  unsigned long long totalBytes;      // used once, at the first refresh
  unsigned long long availableBytes;
  int battery;
  bool sampling;  // a sampling cycle: the three figures below are fresh
  int cpu;
  bool resourcesRead;
  int resources[3];  // system, GDI, user
  bool networkRead;  // only while the network row is shown
  unsigned networkIn, networkOut;  // raw octet sums
  int elapsed, total;  // playback seconds
  int mail[3];
};

// Panel geometry in window pixels.
constexpr RECT kPanelRect = {56, 3, 156, 43};
constexpr RECT kPlayTimeRect = {103, 49, 195, 62};

// Clock reader used by the refresh; tests replace it to choose the time.
extern void(WINAPI* g_readLocalTime)(SYSTEMTIME* now);

void CreatePanelSurfaces(HWND mainWindow);
// The skin's background picture; false (and nothing changes) when it cannot be loaded.
bool LoadPanelBackground(const char* path);
// Samples (the costly figures every fourth refresh), composes the panel off
// screen and updates ClockHourMinute.
void RefreshStatusPanel(HWND mainWindow);
// Copies the two panel areas onto the window, when the window does not show
// them already.
void BlitStatusPanel(HWND mainWindow);
// The window painted its background over the panel areas: the next blit copies them again.
void PanelWindowRepainted();

// The refresh with given figures: state, texts and drawing.
void UpdateStatusPanel(const PanelFigures& figures);
// The rows the current settings and mail counts give.
PanelRows CurrentPanelRows(const int mail[3]);
// The working surface (for the cleaner's banner and for tests), or null.
HDC PanelWorkSurface();
HDC PanelBackgroundSurface();
// The panel's text colour and its font, as the rows use them.
COLORREF PanelTextColour();
HFONT CreatePanelFont(HDC dc);
// The next refresh draws the panel even if its figures did not change (the
// working surface was drawn over, or its background changed).
void InvalidatePanelDrawing();
// Forgets everything the panel learnt (first refresh again, countdown, history).
void ResetStatusPanel();
// The text a slot showed at the last refresh (empty when not shown), and the
// playback-time line.
const char* PanelRowText(int slot);
const char* PanelPlayTimeText();
// Bar heights of the CPU history, newest first.
const int* PanelCpuHistory();
