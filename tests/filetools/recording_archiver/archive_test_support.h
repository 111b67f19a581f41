// What the archive tests share: folders of archiver libraries to load from
// (copies of the recording library, or our real ones), the recording
// library's log, and a recorder for message boxes.
//
// Libraries are loaded by plain name, so the test controls which ones are
// found: the test program's own folder (searched first) holds none of them,
// and the folder given to SetDllDirectoryA replaces the current folder in the
// search, which otherwise only reaches the system's folders.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/side_effects.h"
#include "framework/scoped_override.h"
#include "framework/wide_text.h"
#include "tests/archivers/peers.h"
#include "tests/test_files.h"

namespace archive_test {

// The folder of the test program.
inline std::string TestFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\'));
}

// The build puts our real libraries beside tovix.exe, one folder above.
inline std::string BuildFolder() {
  std::string folder = TestFolder();
  return folder.substr(0, folder.find_last_of('\\'));
}

// Makes `folder` the one place besides the system's where libraries are
// found, for the object's lifetime.
class CLibraryFolder {
 public:
  explicit CLibraryFolder(const std::string& folder) { SetDllDirectoryA(folder.c_str()); }
  ~CLibraryFolder() { SetDllDirectoryA(nullptr); }
  CLibraryFolder(const CLibraryFolder&) = delete;
  CLibraryFolder& operator=(const CLibraryFolder&) = delete;
};

// A fresh folder for archives the real tools make, removed at the end.
class CPeerFolder {
 public:
  explicit CPeerFolder(const std::string& label) : m_path(peers::FreshFolder(label)) {}
  ~CPeerFolder() { peers::Run("/", "rm -rf " + peers::Quote(peers::UnixPath(m_path))); }
  CPeerFolder(const CPeerFolder&) = delete;
  CPeerFolder& operator=(const CPeerFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Every archiver library name the program loads.
const char* const kAllNames[] = {"unlha32.dll", "unzip32.dll", "ZIP32J.DLL", "unrar32.dll", "unrar.dll",
                                 "cab32.dll",   "7-Zip32.dll", "TAR32.dll",  "ungca32.dll"};

// Copies of the recording library under the given names in a fresh folder,
// which becomes the library folder; its log and answers are set through the
// environment, and cleared at the end.
class CRecordingLibraries {
 public:
  explicit CRecordingLibraries(std::initializer_list<const char*> names = {}) : m_folder(), m_dlls(m_folder.File("")) {
    Add(names, false);
    Set("TOVIX_RECORDING_LOG", LogPath());
  }
  ~CRecordingLibraries() {
    for (const char* variable : {"TOVIX_RECORDING_LOG", "TOVIX_RECORDING_ACCEPT", "TOVIX_RECORDING_VERSIONS",
                                 "TOVIX_RECORDING_FAIL", "TOVIX_RECORDING_FAIL_CODE", "TOVIX_RECORDING_TEXT"})
      SetEnvironmentVariableA(variable, nullptr);
  }
  CRecordingLibraries(const CRecordingLibraries&) = delete;
  CRecordingLibraries& operator=(const CRecordingLibraries&) = delete;

  // Adds copies of the build with (or without) the wide entries.
  void Add(std::initializer_list<const char*> names, bool wide) {
    std::string built = TestFolder() + "\\filetools\\recording_archiver\\recording_archiver" + (wide ? "_w" : "") + ".dll";
    for (const char* name : names) m_copied &= CopyFileA(built.c_str(), m_folder.File(name).c_str(), FALSE) != 0;
  }

  bool Copied() const { return m_copied; }
  std::string File(const std::string& name) const { return m_folder.File(name); }
  void Set(const char* variable, const std::string& value) { SetEnvironmentVariableA(variable, value.c_str()); }

  // The log's lines; with `withoutLoading`, the attach and detach lines left out.
  std::vector<std::string> Log(bool withoutLoading = true) const {
    std::string bytes = TempFolder::Read(LogPath());
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      std::string line = bytes.substr(start, end - start);
      bool loading = line.size() > 7 && (line.compare(line.size() - 7, 7, " attach") == 0 ||
                                          line.compare(line.size() - 7, 7, " detach") == 0);
      if (!(withoutLoading && loading)) lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }
  void ClearLog() const { DeleteFileA(LogPath().c_str()); }

 private:
  std::string LogPath() const { return m_folder.File("calls.log"); }
  TempFolder m_folder;
  CLibraryFolder m_dlls;
  bool m_copied = true;
};

// Names of the archiver libraries loaded in the process now.
inline std::vector<std::string> LoadedArchivers() {
  std::vector<std::string> loaded;
  for (const char* name : kAllNames)
    if (GetModuleHandleA(name)) loaded.push_back(name);
  return loaded;
}

// UTF-8 of a wide text, as the wide recording library logs it.
inline std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

struct MessageBoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  std::wstring wideText;  // for a box shown through the wide seam
};

// Records the program's message boxes instead of showing them.
class CMessageBoxRecorder {
 public:
  CMessageBoxRecorder() : m_override(g_sideEffects) {
    s_calls.clear();
    g_sideEffects.messageBox = [](HWND owner, const char* text, const char* caption, UINT type) {
      s_calls.push_back({owner, text ? text : "", caption ? caption : "", type, std::wstring()});
      return IDOK;
    };
    g_sideEffects.messageBoxW = [](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
      s_calls.push_back({owner, "(wide)", Narrow(caption ? caption : L"", CP_ACP), type, text ? text : L""});
      return IDOK;
    };
  }
  const std::vector<MessageBoxCall>& Calls() const { return s_calls; }

 private:
  CScopedOverride<SideEffects> m_override;
  static inline std::vector<MessageBoxCall> s_calls;
};

}  // namespace archive_test
