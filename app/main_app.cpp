#include "app/main_app.h"

#include <cstdio>

#include "framework/files.h"
#include "resources/resource.h"
#include "app/main_dialog.h"
#include "core/side_effects.h"

BOOL CMainApp::InitInstance() {
  // Sockets for the mail check.
  if (g_sideEffects.socketStartup() != 0) {
    char text[256] = "";
    LoadStringA(AfxGetInstanceHandle(), IDS_SOCKET_INIT_FAILED, text, sizeof text);
    g_sideEffects.messageBox(nullptr, text, nullptr, MB_OK);
    return FALSE;
  }
  // Common controls: track bar, list view, tool tips.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  // Every relative name resolves in the program's folder. A path the system
  // would cut, or spell with look-alikes, would put the profile in some
  // other folder: refuse to start.
  char folder[MAX_PATH] = "";
  if (!ProgramFolder(folder, sizeof folder)) {
    char text[256] = "";
    UINT why = ProgramPathInCodePage() ? IDS_PATH_TOO_LONG : IDS_PATH_NOT_IN_CODE_PAGE;
    LoadStringA(AfxGetInstanceHandle(), why, text, sizeof text);
    g_sideEffects.messageBox(nullptr, text, "Tovix", MB_OK | MB_ICONSTOP);
    m_quitCode = 1;
    return FALSE;
  }
  SetCurrentDirectoryA(folder);
  char profile[MAX_PATH + 16];
  std::snprintf(profile, sizeof profile, "%stovix.ini", folder);
  SetProfileName(profile);

  CMainDialog* dialog = new CMainDialog;
  m_pMainWnd = dialog;
  dialog->DoModal();
  m_pMainWnd = nullptr;
  delete dialog;
  return FALSE;
}
