#include "main_app.h"

#include <cstdio>
#include <cstring>

#include "../resources/resource.h"
#include "main_dialog.h"
#include "side_effects.h"

BOOL CMainApp::InitInstance() {
  // 1: sockets for the mail check
  if (g_sideEffects.socketStartup() != 0) {
    char text[256] = "";
    LoadStringA(AfxGetInstanceHandle(), IDS_SOCKET_INIT_FAILED, text, sizeof text);
    g_sideEffects.messageBox(nullptr, text, nullptr, MB_OK);
    return FALSE;
  }
  // 2: common controls (trackbar, list view, tool tips)
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  // 3: every relative name resolves in the program's folder
  char folder[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, folder, sizeof folder);
  if (char* slash = std::strrchr(folder, '\\')) slash[1] = '\0';
  SetCurrentDirectoryA(folder);
  // 4
  char profile[MAX_PATH + 16];
  std::snprintf(profile, sizeof profile, "%stovix.ini", folder);
  SetProfileName(profile);

  // 5-6
  CMainDialog* dialog = new CMainDialog;
  m_pMainWnd = dialog;
  dialog->DoModal();
  m_pMainWnd = nullptr;
  delete dialog;
  return FALSE;
}
