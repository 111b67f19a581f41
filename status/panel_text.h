// The status panel's rows: which figure goes on which row, and the texts and
// bar heights it draws (pure).
#pragma once
#include <cstddef>

#include "status/sampler_math.h"  // HundredthsOfMegabyte

// Figures a row can show; slot 7 is the mail row.
enum StatusItem {
  ItemClock = 0,
  ItemTotalMemory = 1,
  ItemFreeMemory = 2,
  ItemCpu = 3,
  ItemBattery = 4,
  ItemResources = 5,
  ItemNetwork = 6,
  SlotMail = 7,
  kPanelSlots = 8,
};

// Text origin of each slot's row (y 5, 17 or 29), 0 when not shown.
struct PanelRows {
  int position[kPanelSlots];
};

// Rows are filled from the bottom up and a later one overwrites an earlier
// one, so an item chosen twice shows only in the upper row. While mail waits
// (mailSum > 0) the mail row replaces row `mail` (0..2). Items outside 0..6
// leave their row empty.
PanelRows AssignRows(int item1, int item2, int item3, int mail, int mailSum);

// Height 0..8 of the newest CPU bar.
inline int CpuBarHeight(int reading) { return reading <= 80 ? reading / 10 : 8; }

// Network traffic in K between two raw octet sums. Each total is taken in K
// before the difference; a sum that wrapped around 32 bits counts the octets
// across the wrap, and one that fell back (an interface went away) shows 0.
int NetworkDeltaK(unsigned previousOctets, unsigned nowOctets);

// One refresh of the blinking mail row: advances the counter and says whether
// the counts show (six refreshes) or blanks (three).
bool MailBlinkStep(int* counter);

void FormatClock(char* out, size_t size, int month, int day, int hour, int minute, int second);
// "ALL  " or "FREE " and the figure in megabytes with two decimals.
void FormatMemory(char* out, size_t size, const char* label, unsigned long long hundredths);
void FormatCpu(char* out, size_t size, int reading);
void FormatBattery(char* out, size_t size, int percent);
void FormatResources(char* out, size_t size, bool read, int system, int gdi, int user);
void FormatNetwork(char* out, size_t size, int inK, int outK);
void FormatMail(char* out, size_t size, bool visible, const int counts[3]);
void FormatPlayTime(char* out, size_t size, int elapsed, int total);
