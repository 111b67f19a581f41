#include "framework/app.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/wnd.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

// A second object (a test's) stands in for the first while it lives.
CWinApp::CWinApp() : m_previousApp(g_app) { g_app = this; }

CWinApp::~CWinApp() {
  delete[] m_pszProfileName;
  DeleteProfileCache();
  if (g_app == this) g_app = m_previousApp;
}

int CWinApp::Run() {
  // The outermost loop: nothing to disable, and nobody outside to tell.
  CWnd::ModalRun run;
  run.passQuitOn = false;
  CWnd::RunModal(run, [] { return true; });
  return m_quitCode;
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() {
  return g_app && g_app->m_hInstance ? g_app->m_hInstance : GetModuleHandleA(nullptr);
}

int AfxWinMain(HINSTANCE instance) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  app->m_hInstance = instance;
  if (app->InitInstance()) return app->Run();
  // A modal main window that ended on WM_QUIT put the request back in the queue.
  MSG msg;
  if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) app->m_quitCode = int(msg.wParam);
  return app->m_quitCode;
}
