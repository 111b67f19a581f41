// Recorders in front of the main window's subsystem entry points: each logs its
// name and then runs the real entry point, except the timers (logged with their
// period, real only when asked) and the quit and shutdown requests (never real).
// The tray calls are recorded too, at the side-effect seam, and still reach
// the shell.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "app/main_parts.h"

namespace parts_recorder {

extern std::vector<std::string> log;
extern bool realTimers;
// What the settings sheet answers.
extern INT_PTR sheetResult;

// One Shell_NotifyIconA call as it reached the seam.
struct TrayCall {
  DWORD message;
  HWND window;
  UINT id;
  DWORD size;
};
extern std::vector<TrayCall> trayCalls;
// The icons added and not deleted since Install, as window and id.
std::vector<std::pair<HWND, UINT>> LiveTrayIcons();

// Installs the recorders into g_mainParts and g_sideEffects.trayNotify; the
// caller holds scoped overrides of both seams, which put them back.
void Install();
// Resets the recorders' own settings.
void Uninstall();

}  // namespace parts_recorder
