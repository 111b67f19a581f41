#include "status/panel_text.h"

#include <cstdio>

PanelRows AssignRows(int item1, int item2, int item3, int mail, int mailSum) {
  PanelRows rows = {};
  auto put = [&rows](int slot, int y) {
    if (slot >= 0 && slot < kPanelSlots - 1) rows.position[slot] = y;
  };
  if (mail == 2 && mailSum > 0) {
    rows.position[SlotMail] = 29;
    put(item2, 17);
    put(item1, 5);
    return rows;
  }
  put(item3, 29);
  if (mail == 1 && mailSum > 0) {
    rows.position[SlotMail] = 17;
    put(item1, 5);
    return rows;
  }
  put(item2, 17);
  if (mail == 0 && mailSum > 0)
    rows.position[SlotMail] = 5;
  else
    put(item1, 5);
  return rows;
}

int NetworkDeltaK(unsigned previousOctets, unsigned nowOctets) {
  if (nowOctets >= previousOctets) return int(nowOctets / 1000 - previousOctets / 1000);
  unsigned across = nowOctets - previousOctets;  // modulo 2^32
  // More than 1 GiB within one cycle is no wrap but a counter that started
  // again (an interface went away).
  if (across > 0x40000000u) return 0;
  return int(across / 1000);
}

bool MailBlinkStep(int* counter) {
  int n = ++*counter;
  bool visible = n >= 1 && n <= 6;
  if (n > 8) *counter = 0;
  return visible;
}

void FormatClock(char* out, size_t size, int month, int day, int hour, int minute, int second) {
  std::snprintf(out, size, "%2.2d/%2.2d %2.2d:%2.2d:%2.2d", month, day, hour, minute, second);
}

void FormatMemory(char* out, size_t size, const char* label, unsigned long long hundredths) {
  std::snprintf(out, size, "%s%4llu.%2.2lluMB", label, hundredths / 100, hundredths % 100);
}

void FormatCpu(char* out, size_t size, int reading) { std::snprintf(out, size, "CPU  %3d%%     ", reading); }

void FormatBattery(char* out, size_t size, int percent) {
  std::snprintf(out, size, "BATTRY  %3d%%  ", percent);
}

void FormatResources(char* out, size_t size, bool read, int system, int gdi, int user) {
  if (read)
    std::snprintf(out, size, "S%2.2d%% G%2.2d%% U%2.2d%%", system, gdi, user);
  else
    std::snprintf(out, size, "   Error !!   ");
}

void FormatNetwork(char* out, size_t size, int inK, int outK) {
  std::snprintf(out, size, "NET %4dK%4dK", inK, outK);
}

void FormatMail(char* out, size_t size, bool visible, const int counts[3]) {
  if (visible)
    std::snprintf(out, size, "MAIL %3d%3d%3d", counts[0], counts[1], counts[2]);
  else
    std::snprintf(out, size, "              ");
}

void FormatPlayTime(char* out, size_t size, int elapsed, int total) {
  std::snprintf(out, size, "%2.2d:%2.2d / %2.2d:%2.2d", elapsed / 60, elapsed % 60, total / 60,
                total % 60);
}
