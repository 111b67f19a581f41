#include "core/run_state.h"

OsClassValue OsClass = kOs95;
int ClockHourMinute = -1;
int MailCounts[3] = {0, 0, 0};
PlayStateInfo PlayState;
bool LauncherVisible = false;
bool PeekHidden = false;
