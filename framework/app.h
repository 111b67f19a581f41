// The application object: one per process, started from WinMain.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

class CWnd;

// Where the profile file's bytes come from and go to. The default backend is
// the disk; tests wrap it to count writes or to make one fail.
struct ProfileBackend {
  // The whole file; false when it is absent or cannot be read.
  bool (*load)(const char* file, std::string* bytes);
  // Replaces the file whole, or leaves it exactly as it was and gives false.
  bool (*store)(const char* file, const std::string& bytes);
};
extern ProfileBackend g_profileBackend;
extern const ProfileBackend kFileProfileBackend;

struct ProfileCache;

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
  // The value as it stands in the file, blanks and quotes included.
  bool GetProfileRawString(const char* section, const char* key, std::string* raw) const;

  // Between Begin and End the file is read once and written once (at End,
  // only if something changed): a save of many keys is one complete version
  // of the file. Batches nest. End gives false when the write failed.
  void BeginProfileBatch();
  bool EndProfileBatch();

  HINSTANCE m_hInstance = nullptr;
  CWnd* m_pMainWnd = nullptr;
  // Exit code of the WM_QUIT that ended the last message loop.
  int m_quitCode = 0;

 private:
  ProfileCache& Profile() const;
  void DeleteProfileCache();
  bool StoreProfile() const;
  char* m_pszProfileName = nullptr;
  ProfileCache* m_profile = nullptr;
  CWinApp* m_previousApp = nullptr;
};

// Opens a profile batch of the application object for its lifetime.
class CProfileBatch {
 public:
  CProfileBatch();
  ~CProfileBatch();
  CProfileBatch(const CProfileBatch&) = delete;
  CProfileBatch& operator=(const CProfileBatch&) = delete;
};

// The single application object of the process (set by its constructor).
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// The body of WinMain: runs InitInstance and, if it asks for it, Run.
int AfxWinMain(HINSTANCE instance);
