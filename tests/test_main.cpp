// Entry point of every test program: common controls and one application
// object, as the program has them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/app.h"

static CWinApp g_testApp;

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  g_testApp.m_hInstance = GetModuleHandleA(nullptr);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
