// The memory cleaner: its arithmetic, its run on a real window with a
// recording allocator, and the automatic run's condition.
#include "status/memory_cleaner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/settings.h"
#include "framework/scoped_override.h"
#include "status/cleaning_plan.h"
#include "status/samplers.h"
#include "status/status_panel.h"
#include "tests/support/test_window.h"

namespace {

TEST(CleaningPlan, Amounts) {
  CleaningPlan p = PlanCleaning(1000000000, 100000000, false, 0);
  EXPECT_TRUE(p.run);
  EXPECT_EQ(p.amount, 275000000u);
  EXPECT_EQ(p.blockSize, 27500000u);
  // More than 80 % free: nothing.
  EXPECT_FALSE(PlanCleaning(1000000000, 850000000, false, 0).run);
  // Exactly 80 % free: the run happens with the free amount.
  p = PlanCleaning(1000000000, 800000000, false, 0);
  EXPECT_TRUE(p.run);
  EXPECT_EQ(p.blockSize, 80000000u);
  // Fixed amount, capped at the target and at 512,000,000.
  EXPECT_EQ(PlanCleaning(1000000000, 100000000, true, 100).amount, 100000001u);
  EXPECT_EQ(PlanCleaning(1000000000, 100000000, true, 100).blockSize, 10000000u);
  EXPECT_EQ(PlanCleaning(500000000, 10000000, true, 450).amount, 400000000u);
  p = PlanCleaning(2000000000, 100000000, true, 2000);
  EXPECT_EQ(p.amount, 512000000u);
  EXPECT_EQ(p.blockSize, 51200000u);
  p = PlanCleaning(1000000000, 100000000, true, 0);
  EXPECT_EQ(p.amount, 1u);
  EXPECT_EQ(p.blockSize, 0u);
}

TEST(CleaningPlan, ComputedAmountCappedAtTwoGigabytes) {
  struct Case {
    unsigned long long total, available;
    bool fixed;
    int megabytes;
    unsigned long long amount;
  };
  const Case kCases[] = {
      // 16 GB with 8 GB free would claim 9.2 GB.
      {16000000000ull, 8000000000ull, false, 0, 2000000000ull},
      {10000000000ull, 1000000000ull, false, 0, 2000000000ull},
      {256000000000ull, 100000000000ull, false, 0, 2000000000ull},
      // Exactly 80 % free on a large machine: still the cap.
      {64000000000ull, 51200000000ull, false, 0, 2000000000ull},
      // Beyond 32-bit counts but below the cap the arithmetic stays exact.
      {4000000000ull, 1000000000ull, false, 0, 1550000000ull},
      // Just below and at the cap.
      {4000000000ull, 1599999999ull, false, 0, 1999999999ull},
      {4000000000ull, 1600000004ull, false, 0, 2000000000ull},  // 2,000,000,003 uncapped
      // The fixed amount keeps its own cap.
      {16000000000ull, 8000000000ull, true, 2000, 512000000ull},
      {16000000000ull, 8000000000ull, true, 300, 300000001ull},
  };
  for (const Case& c : kCases) {
    CleaningPlan p = PlanCleaning(c.total, c.available, c.fixed, c.megabytes);
    EXPECT_TRUE(p.run) << c.total << " " << c.available;
    EXPECT_EQ(p.amount, c.amount) << c.total << " " << c.available;
    EXPECT_EQ(p.blockSize, c.amount / 10) << c.total << " " << c.available;
  }
}

std::vector<size_t> g_allocated;
std::vector<void*> g_freed;
int g_failAt = -1;

void* RecordingAllocate(size_t bytes) {
  if (int(g_allocated.size()) == g_failAt) {
    g_allocated.push_back(0);
    return nullptr;
  }
  g_allocated.push_back(bytes);
  return std::malloc(bytes);
}
void RecordingFree(void* block) {
  g_freed.push_back(block);
  std::free(block);
}

class CleanerRun : public testing::Test {
 protected:
  void SetUp() override {
    AppSettings = Settings();
    AppSettings.R = 150;
    AppSettings.G = 200;
    AppSettings.B = 255;
    g_allocated.clear();
    g_freed.clear();
    g_failAt = -1;
    g_cleanerMemory.allocate = RecordingAllocate;
    g_cleanerMemory.release = RecordingFree;
    // A plain window: it repaints nothing of its own when disabled and enabled.
    TestWindowClass("TovixCleanerTest", DefWindowProcA);
    window = CreateWindowExA(0, "TovixCleanerTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 220, 198,
                             nullptr, nullptr, nullptr, nullptr);
    CreatePanelSurfaces(window);
    RECT all = {0, 0, 220, 198};
    FillRect(PanelBackgroundSurface(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  void TearDown() override {
    DestroyWindow(window);
  }
  // Lit pixels of the banner's three lines on the window.
  CScopedOverride<CleanerMemory> memory{g_cleanerMemory};
  int BannerPixels() {
    HDC dc = GetDC(window);
    int lit = 0;
    for (int y = 5; y < 41; ++y)
      for (int x = 64; x < 150; ++x) lit += GetPixel(dc, x, y) == RGB(150, 200, 255);
    ReleaseDC(window, dc);
    return lit;
  }
  bool BannerShown() { return BannerPixels() > 100; }
  HWND window = nullptr;
};

TEST_F(CleanerRun, ClaimsTenBlocksShowsTheBannerAndEnablesTheWindowAgain) {
  CleanMemoryWith(window, 1000000000, 100000000);
  EXPECT_EQ(g_allocated, std::vector<size_t>(10, 27500000));
  EXPECT_EQ(g_freed.size(), 10u);
  EXPECT_TRUE(BannerShown());
  EXPECT_TRUE(IsWindowEnabled(window));
}

TEST_F(CleanerRun, NothingWhenEnoughIsFree) {
  CleanMemoryWith(window, 1000000000, 850000000);
  EXPECT_TRUE(g_allocated.empty());
  EXPECT_FALSE(BannerShown());
}

TEST_F(CleanerRun, ZeroSizedBlocksStillShowTheBanner) {
  AppSettings.CleanSizeEnable = 1;
  AppSettings.CleanSize = 0;
  CleanMemoryWith(window, 1000000000, 100000000);
  EXPECT_EQ(g_allocated.size(), 10u);
  EXPECT_TRUE(BannerShown());
}

TEST_F(CleanerRun, FailedAllocationGivesBackWhatWasObtained) {
  g_failAt = 4;
  CleanMemoryWith(window, 1000000000, 100000000);
  EXPECT_EQ(g_allocated.size(), 5u);  // the fifth failed, no more were tried
  EXPECT_EQ(g_freed.size(), 4u);
  EXPECT_TRUE(IsWindowEnabled(window));
}

// Chosen memory figures for the automatic run.
unsigned long long g_total = 0, g_available = 0;
unsigned long long ChosenMemory(bool available) { return available ? g_available : g_total; }

TEST_F(CleanerRun, AutomaticRunOnlyWhenEnabledAndCpuBelowHalf) {
  g_cleanerMemory.readPhysical = ChosenMemory;
  g_total = 1000000000;
  g_available = 100000000;
  AppSettings.AutoCleanEnable = 0;
  LastCpuUsage = 10;
  AutoCleanTick(window);
  EXPECT_TRUE(g_allocated.empty());
  AppSettings.AutoCleanEnable = 1;
  LastCpuUsage = 50;
  AutoCleanTick(window);
  EXPECT_TRUE(g_allocated.empty());
  LastCpuUsage = 49;
  AutoCleanTick(window);
  EXPECT_EQ(g_allocated, std::vector<size_t>(10, 27500000));
  // More than 80 % free: the automatic run does nothing either.
  g_allocated.clear();
  g_available = 850000000;
  AutoCleanTick(window);
  EXPECT_TRUE(g_allocated.empty());
}

}  // namespace
