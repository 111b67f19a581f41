#include "status/status_panel.h"

#include <cstring>
#include <string>

#include "core/settings.h"
#include "framework/bitmap_file.h"
#include "framework/handles.h"
#include "status/samplers.h"

int LastCpuUsage = 0;

void(WINAPI* g_readLocalTime)(SYSTEMTIME* now) = GetLocalTime;

namespace {

struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ original = nullptr;
};
Surface g_background, g_work;

struct PanelState {
  bool started = false;
  unsigned long long totalHundredths = 0;
  unsigned previousIn = 0, previousOut = 0;
  int countdown = 0;
  int cpuHistory[10] = {};
  char resourcesText[32] = "";
  char networkText[32] = "";
  int mailBlink = 0;
  char shown[kPanelSlots][48] = {};
  char playTime[48] = "";
  std::string lastDrawn;  // what the working surface shows now
};
PanelState g_panel;
// The panel's font, made once: the surface keeps its resolution for good.
HFONT g_font = nullptr;
// Whether the window lacks what the working surface shows: the surface was
// drawn, or the window painted its background over the panel.
bool g_blitNeeded = true;

void CreateSurface(Surface* s, HDC like) {
  s->dc = CreateCompatibleDC(like);
  s->bitmap = CreateCompatibleBitmap(like, 220, 198);
  s->original = SelectObject(s->dc, s->bitmap);
}

void CopyRect(HDC to, HDC from, const RECT& r) {
  BitBlt(to, r.left, r.top, r.right - r.left, r.bottom - r.top, from, r.left, r.top, SRCCOPY);
}

void DrawCpuGraph(HDC dc, int y, COLORREF text, HBRUSH fill) {
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, text));
  CSelectObject selected(dc, pen);
  for (int k = 0; k < 10; ++k) {
    int x = 128 + 2 * k, h = g_panel.cpuHistory[k];
    RECT bar = {x - 2, y + 9 - h, x, y + 10};
    FillRect(dc, &bar, fill);
    MoveToEx(dc, x - 2, y + 9 - h, nullptr);
    LineTo(dc, x, y + 9 - h);
  }
}

}  // namespace

void CreatePanelSurfaces(HWND mainWindow) {
  if (g_work.dc) return;  // once per process
  {
    CWindowDC window(mainWindow);
    CreateSurface(&g_background, window);
    CreateSurface(&g_work, window);
  }
  // Until a skin is loaded the panel stands on plain black.
  PatBlt(g_background.dc, 0, 0, 220, 198, BLACKNESS);
  PatBlt(g_work.dc, 0, 0, 220, 198, BLACKNESS);
  SetBkMode(g_work.dc, TRANSPARENT);
}

bool LoadPanelBackground(const char* path) {
  if (!g_background.dc) return false;
  HBITMAP picture = LoadBitmapFile(path);
  if (!picture) return false;
  BITMAP info = {};
  GetObjectA(picture, sizeof info, &info);
  CGdiObject<HBITMAP> owned(picture);
  CMemoryDC from(g_background.dc);
  CSelectObject selected(from, picture);
  BitBlt(g_background.dc, 0, 0, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);
  InvalidatePanelDrawing();
  return true;
}

HDC PanelWorkSurface() { return g_work.dc; }
HDC PanelBackgroundSurface() { return g_background.dc; }
const int* PanelCpuHistory() { return g_panel.cpuHistory; }
const char* PanelRowText(int slot) { return slot >= 0 && slot < kPanelSlots ? g_panel.shown[slot] : ""; }
const char* PanelPlayTimeText() { return g_panel.playTime; }

void ResetStatusPanel() {
  g_panel = PanelState();
  g_blitNeeded = true;
}

COLORREF PanelTextColour() {
  return RGB(AppSettings.R & 0xFF, AppSettings.G & 0xFF, AppSettings.B & 0xFF);
}

HFONT CreatePanelFont(HDC dc) {
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
  font.lfCharSet = SHIFTJIS_CHARSET;
  std::strcpy(font.lfFaceName, "ＭＳ ゴシック");
  return CreateFontIndirectA(&font);
}

PanelRows CurrentPanelRows(const int mail[3]) {
  return AssignRows(AppSettings.Item1, AppSettings.Item2, AppSettings.Item3, AppSettings.Mail,
                    mail[0] + mail[1] + mail[2]);
}

void RefreshStatusPanel(HWND) {
  PanelFigures f = {};
  g_readLocalTime(&f.now);
  if (!g_panel.started) f.totalBytes = ReadPhysicalMemory(false);
  for (int i = 0; i < 3; ++i) f.mail[i] = MailCounts[i];
  f.elapsed = PlayState.position;
  f.total = PlayState.duration;

  PanelRows rows = CurrentPanelRows(f.mail);
  // Figures of rows that are not shown are not asked for: the tick runs four
  // times a second for as long as the program runs.
  if (rows.position[ItemFreeMemory] > 0) f.availableBytes = ReadPhysicalMemory(true);
  f.battery = rows.position[ItemBattery] > 0 ? ReadBatteryPercent() : 0;
  // The costly figures once every four refreshes.
  f.sampling = g_panel.countdown <= 0;
  bool networkShown = rows.position[ItemNetwork] > 0;
  if (f.sampling || !g_panel.started) {
    if (f.sampling) f.cpu = ReadCpuUsage();
    if (f.sampling && OsClass < kOsNt && rows.position[ItemResources] > 0)
      f.resourcesRead = ReadFreeResources(&f.resources[0], &f.resources[1], &f.resources[2]);
    if (networkShown || !g_panel.started) {
      f.networkRead = true;
      f.networkIn = ReadNetworkOctets(true);
      f.networkOut = ReadNetworkOctets(false);
    }
  }
  UpdateStatusPanel(f);
}

void UpdateStatusPanel(const PanelFigures& f) {
  PanelState& p = g_panel;
  // The first refresh takes the total memory and the network baselines.
  if (!p.started) {
    p.started = true;
    p.totalHundredths = HundredthsOfMegabyte(f.totalBytes);
    p.previousIn = f.networkIn;
    p.previousOut = f.networkOut;
  }
  // Rows, clock and memory figures change at every refresh.
  PanelRows rows = CurrentPanelRows(f.mail);
  ClockHourMinute = f.now.wHour * 100 + f.now.wMinute;
  char texts[kPanelSlots][48] = {};
  FormatClock(texts[ItemClock], sizeof texts[0], f.now.wMonth, f.now.wDay, f.now.wHour,
              f.now.wMinute, f.now.wSecond);
  FormatMemory(texts[ItemFreeMemory], sizeof texts[0], "FREE ", HundredthsOfMegabyte(f.availableBytes));
  FormatMemory(texts[ItemTotalMemory], sizeof texts[0], "ALL  ", p.totalHundredths);
  // Every fourth refresh samples CPU, resources and network.
  if (p.countdown > 0) {
    --p.countdown;
  } else {
    LastCpuUsage = f.cpu;
    std::memmove(p.cpuHistory + 1, p.cpuHistory, 9 * sizeof p.cpuHistory[0]);
    p.cpuHistory[0] = CpuBarHeight(f.cpu);
    FormatResources(p.resourcesText, sizeof p.resourcesText,
                    f.resourcesRead && OsClass < kOsNt && rows.position[ItemResources] > 0,
                    f.resources[0], f.resources[1], f.resources[2]);
    if (rows.position[ItemNetwork] > 0 && f.networkRead) {
      FormatNetwork(p.networkText, sizeof p.networkText, NetworkDeltaK(p.previousIn, f.networkIn),
                    NetworkDeltaK(p.previousOut, f.networkOut));
      p.previousIn = f.networkIn;
      p.previousOut = f.networkOut;
    }
    p.countdown = 3;
  }
  // The texts of every row and the playback time.
  FormatCpu(texts[ItemCpu], sizeof texts[0], LastCpuUsage);
  FormatBattery(texts[ItemBattery], sizeof texts[0], f.battery);
  std::strcpy(texts[ItemResources], p.resourcesText);
  std::strcpy(texts[ItemNetwork], p.networkText);
  char* playTime = p.playTime;
  FormatPlayTime(playTime, sizeof p.playTime, f.elapsed, f.total);
  std::memset(p.shown, 0, sizeof p.shown);
  for (int slot = 0; slot < kPanelSlots; ++slot) {
    if (rows.position[slot] <= 0) continue;
    if (slot == SlotMail) FormatMail(texts[SlotMail], sizeof texts[0], MailBlinkStep(&p.mailBlink), f.mail);
    std::strcpy(p.shown[slot], texts[slot]);
  }

  // Draw, unless the panel would come out exactly as it stands: most
  // refreshes change nothing but the clock's second.
  HDC dc = g_work.dc;
  if (!dc) return;
  COLORREF text = PanelTextColour();
  std::string drawn(reinterpret_cast<const char*>(&rows), sizeof rows);
  drawn.append(reinterpret_cast<const char*>(p.shown), sizeof p.shown);
  drawn.append(reinterpret_cast<const char*>(p.cpuHistory), sizeof p.cpuHistory);
  drawn.append(reinterpret_cast<const char*>(&text), sizeof text);
  drawn.append(playTime);
  if (drawn == p.lastDrawn) return;
  p.lastDrawn = drawn;

  CGdiObject<HBRUSH> fill(CreateSolidBrush(
      RGB((AppSettings.R >> 1) & 0xFF, (AppSettings.G >> 1) & 0xFF, (AppSettings.B >> 1) & 0xFF)));
  if (!g_font) g_font = CreatePanelFont(dc);
  CSelectObject selected(dc, g_font);
  SetTextColor(dc, text);
  CopyRect(dc, g_background.dc, kPanelRect);
  CopyRect(dc, g_background.dc, kPlayTimeRect);
  for (int slot = 0; slot < kPanelSlots; ++slot) {
    int y = rows.position[slot];
    if (y <= 0) continue;
    TextOutA(dc, 64, y, texts[slot], int(std::strlen(texts[slot])));
    if (slot == ItemCpu) DrawCpuGraph(dc, y, text, fill);
  }
  TextOutA(dc, 111, 50, playTime, int(std::strlen(playTime)));
  g_blitNeeded = true;
}

void PanelWindowRepainted() { g_blitNeeded = true; }

void InvalidatePanelDrawing() { g_panel.lastDrawn.clear(); }

void BlitStatusPanel(HWND mainWindow) {
  if (!g_work.dc || !g_blitNeeded) return;
  g_blitNeeded = false;
  CWindowDC window(mainWindow);
  CopyRect(window, g_work.dc, kPanelRect);
  CopyRect(window, g_work.dc, kPlayTimeRect);
}
