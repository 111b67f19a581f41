// The status panel: row assignment and texts (pure), and the drawing into its
// real surfaces read back pixel by pixel.
#include "status/status_panel.h"

#include <gtest/gtest.h>

#include <string>

#include "core/settings.h"
#include "status/samplers.h"
#include "tests/test_files.h"

namespace {

std::string Text(void (*format)(char*, size_t, int), int value) {
  char buf[64];
  format(buf, sizeof buf, value);
  return buf;
}

TEST(PanelText, Formats) {
  char buf[64];
  FormatMemory(buf, sizeof buf, "FREE ", HundredthsOfMegabyte(536330240));
  EXPECT_STREQ(buf, "FREE  536.33MB");
  FormatMemory(buf, sizeof buf, "ALL  ", HundredthsOfMegabyte(1073217536));
  EXPECT_STREQ(buf, "ALL  1073.21MB");
  FormatMemory(buf, sizeof buf, "ALL  ", HundredthsOfMegabyte(25769803776ull));  // 24 GiB
  EXPECT_STREQ(buf, "ALL  25769.80MB");
  FormatPlayTime(buf, sizeof buf, 62, 4505);
  EXPECT_STREQ(buf, "01:02 / 75:05");
  FormatPlayTime(buf, sizeof buf, 0, -1);
  EXPECT_STREQ(buf, "00:00 / 00:-01");
  FormatPlayTime(buf, sizeof buf, 0, 0);
  EXPECT_STREQ(buf, "00:00 / 00:00");
  EXPECT_EQ(Text(FormatBattery, 255), "BATTRY  255%  ");
  EXPECT_EQ(Text(FormatCpu, 7), "CPU    7%     ");
  FormatClock(buf, sizeof buf, 12, 7, 9, 5, 3);
  EXPECT_STREQ(buf, "12/07 09:05:03");
  FormatResources(buf, sizeof buf, true, 5, 60, 100);
  EXPECT_STREQ(buf, "S05% G60% U100%");
  FormatResources(buf, sizeof buf, false, 5, 60, 100);
  EXPECT_STREQ(buf, "   Error !!   ");
  FormatNetwork(buf, sizeof buf, 12, 3456);
  EXPECT_STREQ(buf, "NET   12K3456K");
  int counts[3] = {0, 1, 0};
  FormatMail(buf, sizeof buf, true, counts);
  EXPECT_STREQ(buf, "MAIL   0  1  0");
  FormatMail(buf, sizeof buf, false, counts);
  EXPECT_STREQ(buf, "              ");
}

TEST(PanelText, RowAssignment) {
  auto rows = [](int i1, int i2, int i3, int mail, int sum) {
    PanelRows r = AssignRows(i1, i2, i3, mail, sum);
    return std::vector<int>(r.position, r.position + kPanelSlots);
  };
  // Defaults: clock, free memory, CPU.
  EXPECT_EQ(rows(0, 2, 3, 0, 0), (std::vector<int>{5, 0, 17, 29, 0, 0, 0, 0}));
  // Mail on the second row with one message.
  EXPECT_EQ(rows(0, 2, 3, 1, 1), (std::vector<int>{5, 0, 0, 29, 0, 0, 0, 17}));
  EXPECT_EQ(rows(0, 2, 3, 0, 4), (std::vector<int>{0, 0, 17, 29, 0, 0, 0, 5}));
  EXPECT_EQ(rows(0, 2, 3, 2, 4), (std::vector<int>{5, 0, 17, 0, 0, 0, 0, 29}));
  // An item on two rows shows only in the upper; the lower stays empty.
  EXPECT_EQ(rows(3, 0, 3, 0, 0), (std::vector<int>{17, 0, 0, 5, 0, 0, 0, 0}));
  // Mail setting outside 0..2 never shows the mail row.
  EXPECT_EQ(rows(0, 2, 3, 5, 9), (std::vector<int>{5, 0, 17, 29, 0, 0, 0, 0}));
  // Items outside 0..6 leave their row empty and touch nothing else.
  EXPECT_EQ(rows(9, -1, 7, 0, 0), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rows(4, 1000000, 6, 1, 2), (std::vector<int>{0, 0, 0, 0, 5, 0, 29, 17}));
}

TEST(PanelText, CpuBarsMailBlinkAndNetwork) {
  EXPECT_EQ(CpuBarHeight(85), 8);
  EXPECT_EQ(CpuBarHeight(80), 8);
  EXPECT_EQ(CpuBarHeight(9), 0);
  EXPECT_EQ(CpuBarHeight(0), 0);
  EXPECT_EQ(CpuBarHeight(100), 8);
  int counter = 0;
  std::string pattern;
  for (int i = 0; i < 18; ++i) pattern += MailBlinkStep(&counter) ? 'M' : '-';
  EXPECT_EQ(pattern, "MMMMMM---MMMMMM---");
  // Each total in K before the difference: 1,999 bytes read as 1 K or 2 K.
  EXPECT_EQ(NetworkDeltaK(1000, 2999), 1);
  EXPECT_EQ(NetworkDeltaK(999, 2998), 2);
  // A 32-bit wrap between two samples counts the bytes across it.
  EXPECT_EQ(NetworkDeltaK(0xFFFFF000u, 0x00001000u), 8);
  // A sum that fell back (an interface went away) shows nothing, not a huge figure.
  EXPECT_EQ(NetworkDeltaK(3000000000u, 1000u), 0);
}

// The real surfaces of a real window, with chosen figures.
class PanelDrawing : public testing::Test {
 protected:
  void SetUp() override {
    AppSettings = Settings();
    AppSettings.R = 150;
    AppSettings.G = 200;
    AppSettings.B = 255;
    AppSettings.Item1 = 0;
    AppSettings.Item2 = 2;
    AppSettings.Item3 = 3;
    window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 220, 198, nullptr,
                             nullptr, nullptr, nullptr);
    CreatePanelSurfaces(window);
    ResetStatusPanel();
    // A known background: dark blue.
    HBRUSH bg = CreateSolidBrush(RGB(10, 20, 40));
    RECT all = {0, 0, 220, 198};
    FillRect(PanelBackgroundSurface(), &all, bg);
    DeleteObject(bg);
  }
  void TearDown() override { DestroyWindow(window); }
  PanelFigures Figures(int cpu) {
    PanelFigures f = {};
    f.now.wMonth = 12;
    f.now.wDay = 7;
    f.now.wHour = 10;
    f.now.wMinute = 30;
    f.totalBytes = 1073217536;
    f.availableBytes = 536330240;
    f.battery = 255;
    f.sampling = true;
    f.cpu = cpu;
    return f;
  }
  HWND window = nullptr;
};

TEST_F(PanelDrawing, CpuGraphBarsAndTheBlittedWindow) {
  UpdateStatusPanel(Figures(85));
  EXPECT_EQ(ClockHourMinute, 1030);
  EXPECT_EQ(LastCpuUsage, 85);
  EXPECT_EQ(PanelCpuHistory()[0], 8);
  HDC work = PanelWorkSurface();
  const COLORREF text = RGB(150, 200, 255), half = RGB(75, 100, 127), back = RGB(10, 20, 40);
  // CPU row at y 29; newest bar at x 126..127, height 8: top row 30, body 31..38.
  EXPECT_EQ(GetPixel(work, 126, 30), text);
  EXPECT_EQ(GetPixel(work, 127, 30), text);
  EXPECT_EQ(GetPixel(work, 126, 35), half);
  EXPECT_EQ(GetPixel(work, 127, 38), half);
  EXPECT_EQ(GetPixel(work, 126, 29), back);
  EXPECT_EQ(GetPixel(work, 126, 39), back);
  // Older bars are empty (height 0): only the top row in the text colour.
  EXPECT_EQ(GetPixel(work, 128, 38), text);
  EXPECT_EQ(GetPixel(work, 128, 37), back);

  // Three refreshes without sampling, then a reading of 9: a 1-pixel bar,
  // and the 85 bar moved one place.
  for (int i = 0; i < 3; ++i) UpdateStatusPanel(Figures(0));
  EXPECT_EQ(PanelCpuHistory()[0], 8);
  UpdateStatusPanel(Figures(9));
  EXPECT_EQ(PanelCpuHistory()[0], 0);
  EXPECT_EQ(PanelCpuHistory()[1], 8);
  EXPECT_EQ(GetPixel(work, 126, 38), text);
  EXPECT_EQ(GetPixel(work, 126, 37), back);
  EXPECT_EQ(GetPixel(work, 128, 30), text);
  EXPECT_EQ(GetPixel(work, 129, 36), half);

  // Text was drawn in the text colour somewhere on each row.
  auto rowHasText = [&](int y) {
    for (int yy = y; yy < y + 12; ++yy)
      for (int x = 64; x < 125; ++x)
        if (GetPixel(work, x, yy) == text) return true;
    return false;
  };
  EXPECT_TRUE(rowHasText(5));
  EXPECT_TRUE(rowHasText(17));
  EXPECT_TRUE(rowHasText(29));

  // The blit copies exactly the two rectangles onto the window.
  HDC dc = GetDC(window);
  RECT all = {0, 0, 220, 198};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  BlitStatusPanel(window);
  EXPECT_EQ(GetPixel(dc, 126, 38), text);
  EXPECT_EQ(GetPixel(dc, 60, 4), back);
  EXPECT_EQ(GetPixel(dc, 104, 60), back);
  EXPECT_EQ(GetPixel(dc, 55, 4), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 156, 10), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 100, 45), RGB(255, 255, 255));
  ReleaseDC(window, dc);
}

TEST_F(PanelDrawing, MailRowBlinksSixOnThreeOffAndGivesTheRowBack) {
  AppSettings.Mail = 1;
  PanelFigures f = Figures(0);
  f.mail[1] = 1;
  const COLORREF text = RGB(150, 200, 255);
  HDC work = PanelWorkSurface();
  auto row2Lit = [&] {
    for (int y = 17; y < 29; ++y)
      for (int x = 64; x < 150; ++x)
        if (GetPixel(work, x, y) == text) return true;
    return false;
  };
  std::string pattern;
  for (int i = 0; i < 9; ++i) {
    UpdateStatusPanel(f);
    pattern += row2Lit() ? 'M' : '-';
  }
  EXPECT_EQ(pattern, "MMMMMM---");
  f.mail[1] = 0;
  UpdateStatusPanel(f);
  EXPECT_TRUE(row2Lit());  // free memory again
}

TEST_F(PanelDrawing, RowTextsFollowTheirCycles) {
  AppSettings.Item1 = 6;  // network, free memory, CPU
  PanelFigures f = Figures(40);
  f.networkRead = true;
  f.networkIn = 5000;
  f.networkOut = 1000;
  f.elapsed = 62;
  f.total = 4505;
  UpdateStatusPanel(f);  // first refresh: baselines, no traffic yet
  EXPECT_STREQ(PanelRowText(ItemNetwork), "NET    0K   0K");
  EXPECT_STREQ(PanelRowText(ItemFreeMemory), "FREE  536.33MB");
  EXPECT_STREQ(PanelRowText(ItemCpu), "CPU   40%     ");
  EXPECT_STREQ(PanelRowText(ItemClock), "");
  EXPECT_STREQ(PanelPlayTimeText(), "01:02 / 75:05");
  // Between sampling cycles CPU and network stay; memory follows every refresh.
  PanelFigures between = Figures(99);
  between.sampling = false;
  between.availableBytes = 100000000;
  for (int i = 0; i < 3; ++i) UpdateStatusPanel(between);
  EXPECT_STREQ(PanelRowText(ItemCpu), "CPU   40%     ");
  EXPECT_STREQ(PanelRowText(ItemFreeMemory), "FREE  100.00MB");
  f.networkIn = 15500;
  f.networkOut = 3999;
  f.cpu = 7;
  UpdateStatusPanel(f);
  EXPECT_STREQ(PanelRowText(ItemNetwork), "NET   10K   2K");
  EXPECT_STREQ(PanelRowText(ItemCpu), "CPU    7%     ");
  // On the NT family the resources row always reads as an error; the 95
  // family shows the figures read.
  AppSettings.Item1 = 5;
  f.resourcesRead = true;
  f.resources[0] = 7;
  f.resources[1] = 42;
  f.resources[2] = 100;
  OsClassValue saved = OsClass;
  OsClass = kOsNt5;
  for (int i = 0; i < 4; ++i) UpdateStatusPanel(f);
  EXPECT_STREQ(PanelRowText(ItemResources), "   Error !!   ");
  OsClass = kOs95Later;
  for (int i = 0; i < 4; ++i) UpdateStatusPanel(f);
  EXPECT_STREQ(PanelRowText(ItemResources), "S07% G42% U100%");
  f.resourcesRead = false;
  for (int i = 0; i < 4; ++i) UpdateStatusPanel(f);
  EXPECT_STREQ(PanelRowText(ItemResources), "   Error !!   ");
  OsClass = saved;
}

// A damaged background file is refused and leaves the surface as it was; a
// sound one is copied in.
TEST_F(PanelDrawing, DamagedBackgroundFileLeavesTheSurface) {
  TempFolder folder;
  std::string path = folder.File("00.bmp");
  WriteSolidBitmap(path, 220, 198, RGB(0, 128, 0));
  std::string sound = TempFolder::Read(path);
  const std::string kDamaged[] = {sound.substr(0, sound.size() / 2), sound.substr(0, 54),
                                  sound.substr(0, 10) + std::string(4, '\x7F') + sound.substr(14)};
  for (const std::string& bytes : kDamaged) {
    TempFolder::Write(path, bytes);
    EXPECT_FALSE(LoadPanelBackground(path.c_str()));
    EXPECT_EQ(GetPixel(PanelBackgroundSurface(), 100, 100), RGB(10, 20, 40));
  }
  TempFolder::Write(path, sound);
  EXPECT_TRUE(LoadPanelBackground(path.c_str()));
  EXPECT_EQ(GetPixel(PanelBackgroundSurface(), 100, 100), RGB(0, 128, 0));
}

// Wine reports no object counts (GetGuiResources gives 0), but its table of
// drawing objects is limited to a few tens of thousands: a refresh that leaked
// even one object would use it up within these 70,000 refreshes, and nothing
// could be created any more.
TEST_F(PanelDrawing, NoLeakOfDrawingObjectsOverManyRefreshes) {
  HANDLE self = GetCurrentProcess();
  UpdateStatusPanel(Figures(50));
  DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS);
  DWORD user = GetGuiResources(self, GR_USEROBJECTS);
  for (int i = 0; i < 70000; ++i) {
    PanelFigures f = Figures(i % 100);
    f.now.wSecond = WORD(i % 60);  // every refresh draws
    UpdateStatusPanel(f);
    BlitStatusPanel(window);
  }
  EXPECT_EQ(GetGuiResources(self, GR_GDIOBJECTS), gdi);
  EXPECT_EQ(GetGuiResources(self, GR_USEROBJECTS), user);
  HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_NE(probe, nullptr);
  DeleteObject(probe);
  // And the panel still draws: the last bar (99 -> 8) in the text colour.
  EXPECT_EQ(GetPixel(PanelWorkSurface(), 126, 30), RGB(150, 200, 255));
}

TEST_F(PanelDrawing, BlitOnlyWhenTheWindowLacksThePanel) {
  UpdateStatusPanel(Figures(50));
  HDC dc = GetDC(window);
  RECT all = {0, 0, 220, 198};
  auto white = [&] { FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))); };
  white();
  BlitStatusPanel(window);
  EXPECT_EQ(GetPixel(dc, 60, 4), RGB(10, 20, 40));
  // Nothing new drawn: the window is left as it is.
  white();
  BlitStatusPanel(window);
  EXPECT_EQ(GetPixel(dc, 60, 4), RGB(255, 255, 255));
  // The window painted over the panel: copied again.
  PanelWindowRepainted();
  BlitStatusPanel(window);
  EXPECT_EQ(GetPixel(dc, 60, 4), RGB(10, 20, 40));
  // A refresh that changed something: copied again.
  white();
  PanelFigures f = Figures(50);
  f.now.wSecond = 9;
  UpdateStatusPanel(f);
  BlitStatusPanel(window);
  EXPECT_EQ(GetPixel(dc, 60, 4), RGB(10, 20, 40));
  ReleaseDC(window, dc);
}

TEST_F(PanelDrawing, UnchangedFiguresLeaveTheSurfaceAloneUntilInvalidated) {
  UpdateStatusPanel(Figures(50));
  HDC work = PanelWorkSurface();
  // Scribble on the surface: an unchanged refresh does not draw again...
  SetPixel(work, 60, 4, RGB(1, 2, 3));
  PanelFigures same = Figures(50);
  same.sampling = false;
  UpdateStatusPanel(same);
  EXPECT_EQ(GetPixel(work, 60, 4), RGB(1, 2, 3));
  // ...a changed one does, and so does one after an invalidation.
  same.now.wSecond = 1;
  UpdateStatusPanel(same);
  EXPECT_EQ(GetPixel(work, 60, 4), RGB(10, 20, 40));
  SetPixel(work, 60, 4, RGB(1, 2, 3));
  InvalidatePanelDrawing();
  UpdateStatusPanel(same);
  EXPECT_EQ(GetPixel(work, 60, 4), RGB(10, 20, 40));
}

}  // namespace
