// The launcher's arithmetic, table-driven.
#include "launcher/launcher_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LauncherRules, EntryNumbersAndKeys) {
  struct Case {
    int page, k;
    const char* key;
  } const cases[] = {
      {0, 1, "lun01"},  {0, 10, "lun10"},   {3, 10, "lun40"},   {9, 9, "lun99"},
      {9, 10, "lun100"}, {10, 1, "lun101"}, {10, 10, "lun110"},
  };
  for (const Case& c : cases) {
    char key[16];
    LauncherKey(LauncherEntry(c.page, c.k), key, sizeof key);
    EXPECT_STREQ(key, c.key) << c.page << "/" << c.k;
  }
}

TEST(LauncherRules, PagingStaysWithinElevenPages) {
  struct Case {
    int page, delta, next;
  } const cases[] = {{0, -1, 0}, {0, 1, 1}, {5, -1, 4}, {9, 1, 10}, {10, 1, 10}, {10, -1, 9}};
  for (const Case& c : cases) EXPECT_EQ(ScrolledPage(c.page, c.delta), c.next) << c.page << c.delta;
}

TEST(LauncherRules, DropColumnsAre35PixelsWideFrom23) {
  struct Case {
    int page, dx, dy, entry;
  } const cases[] = {
      {0, 23, 10, 0},  {0, 24, 10, 1},  {2, 24, 10, 21}, {2, 197, 60, 30}, {2, 198, 60, 0},
      {0, 57, 41, 1},  {0, 58, 41, 2},  {0, 58, 42, 7},  {0, 162, 0, 4},  {0, 163, 0, 5},   {10, 100, 81, 108},
      {0, -5, 50, 0},  {0, 400, 50, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DropEntry(c.page, c.dx, c.dy), c.entry) << c.page << " " << c.dx << "," << c.dy;
}

TEST(LauncherRules, ItemPlacesAndControls) {
  for (int k = 1; k <= kLauncherPageItems; ++k) {
    const LauncherItemPlace& p = kLauncherItems[k - 1];
    EXPECT_EQ(p.x, ((k - 1) % 5) * 34 + 26);
    EXPECT_EQ(p.y, ((k - 1) / 5) * 34 + 8);
    EXPECT_EQ(LauncherItemOfControl(p.id), k);
  }
  EXPECT_EQ(LauncherItemOfControl(IDC_LUN_UP), 0);
  EXPECT_EQ(LauncherItemOfControl(IDC_LUN_CLOSE), 0);
}

}  // namespace
