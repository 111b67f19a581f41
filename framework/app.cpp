#include "app.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "ini_file.h"
#include "wnd.h"

namespace {

CWinApp* g_app = nullptr;

int FileGetInt(const char* file, const char* section, const char* key, int def) {
  std::string value;
  if (!ini::FindValue(ini::ReadFile(file), section, key, &value)) return def;
  return ini::ParseInt(value);
}

void FileGetString(const char* file, const char* section, const char* key, const char* def,
                   char* out, size_t size) {
  if (size == 0) return;
  std::string value;
  if (!ini::FindValue(ini::ReadFile(file), section, key, &value)) value = def ? def : "";
  size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
}

void FileWriteString(const char* file, const char* section, const char* key, const char* value) {
  std::string text = ini::ReadFile(file);
  // The new text goes to a file beside the profile, which then replaces it:
  // a program killed or a disk filled in the middle of a write leaves the old
  // profile whole instead of an empty one.
  // Where the replacement is not to be had (older systems lack MoveFileEx),
  // the profile is written in place.
  std::string updated = ini::SetValue(text, section, key, value);
  std::string temporary = std::string(file) + ".tmp";
  if (ini::WriteFile(temporary.c_str(), updated) &&
      MoveFileExA(temporary.c_str(), file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return;
  DeleteFileA(temporary.c_str());
  ini::WriteFile(file, updated);
}

}  // namespace

const ProfileBackend kFileProfileBackend = {FileGetInt, FileGetString, FileWriteString};
ProfileBackend g_profileBackend = kFileProfileBackend;

// A second object (a test's) stands in for the first while it lives.
CWinApp::CWinApp() : m_previousApp(g_app) { g_app = this; }

CWinApp::~CWinApp() {
  delete[] m_pszProfileName;
  if (g_app == this) g_app = m_previousApp;
}

void CWinApp::SetProfileName(const char* path) {
  delete[] m_pszProfileName;
  size_t n = std::strlen(path);
  m_pszProfileName = new char[n + 1];
  std::memcpy(m_pszProfileName, path, n + 1);
}

int CWinApp::GetProfileIntA(const char* section, const char* key, int def) const {
  if (!m_pszProfileName) return def;
  return g_profileBackend.getInt(m_pszProfileName, section, key, def);
}

void CWinApp::GetProfileStringA(const char* section, const char* key, const char* def, char* out,
                                size_t size) const {
  if (!m_pszProfileName) {
    if (size) std::snprintf(out, size, "%s", def ? def : "");
    return;
  }
  g_profileBackend.getString(m_pszProfileName, section, key, def, out, size);
}

void CWinApp::WriteProfileInt(const char* section, const char* key, int value) const {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  WriteProfileStringA(section, key, text);
}

void CWinApp::WriteProfileStringA(const char* section, const char* key, const char* value) const {
  if (m_pszProfileName) g_profileBackend.writeString(m_pszProfileName, section, key, value);
}

int CWinApp::Run() {
  MSG msg = {};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!CWnd::WalkPreTranslateTree(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  m_quitCode = int(msg.wParam);
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
