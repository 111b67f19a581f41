// The application object: makes the program's folder current, names the
// profile file and runs the main window modally.
#pragma once
#include "framework/app.h"

class CMainApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};
