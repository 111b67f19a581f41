// The application object: one per process, started from WinMain.
#pragma once
#include <windows.h>
#include <cstddef>

class CWnd;

// Where profile reads and writes go. The default backend is the byte-exact
// profile file of ini_file.h; tests wrap it to record the order of writes.
struct ProfileBackend {
  int (*getInt)(const char* file, const char* section, const char* key, int def);
  void (*getString)(const char* file, const char* section, const char* key, const char* def,
                    char* out, size_t size);
  // A null value removes the key.
  void (*writeString)(const char* file, const char* section, const char* key, const char* value);
};
extern ProfileBackend g_profileBackend;
extern const ProfileBackend kFileProfileBackend;

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();

  // Start-up. Returning false ends the process without a message loop of the
  // application's own (a dialog-based program runs its main window modally here).
  virtual BOOL InitInstance() { return FALSE; }
  // Only when InitInstance returned true: the main message loop.
  virtual int Run();

  // The profile file: a full path owned by the application object.
  void SetProfileName(const char* path);
  const char* ProfileName() const { return m_pszProfileName; }

  int GetProfileIntA(const char* section, const char* key, int def) const;
  void GetProfileStringA(const char* section, const char* key, const char* def, char* out,
                         size_t size) const;
  void WriteProfileInt(const char* section, const char* key, int value) const;
  void WriteProfileStringA(const char* section, const char* key, const char* value) const;

  HINSTANCE m_hInstance = nullptr;
  CWnd* m_pMainWnd = nullptr;
  // Exit code of the WM_QUIT that ended the last message loop.
  int m_quitCode = 0;

 private:
  char* m_pszProfileName = nullptr;
  CWinApp* m_previousApp = nullptr;
};

// The single application object of the process (set by its constructor).
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// The body of WinMain: runs InitInstance and, if it asks for it, Run.
int AfxWinMain(HINSTANCE instance);
