// Recorders in front of the main window's subsystem entry points: each logs its
// name and then runs the real entry point, except the timers (logged with their
// period, real only when asked) and the quit and shutdown requests (never real).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/main_parts.h"

namespace parts_recorder {

extern std::vector<std::string> log;
extern bool realTimers;
// What the settings sheet answers.
extern INT_PTR sheetResult;

// Installs the recorders into g_mainParts.
void Install();
// Puts the real table back.
void Uninstall();

}  // namespace parts_recorder
