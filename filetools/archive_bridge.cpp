#include "filetools/archive_bridge.h"

#include <cstring>

#include "core/side_effects.h"
#include "framework/files.h"

namespace {

typedef int(WINAPI* WorkEntry)(HWND owner, LPCSTR command, LPSTR output, DWORD size);
typedef BOOL(WINAPI* CheckEntry)(LPCSTR file, int mode);
typedef WORD(WINAPI* VersionEntry)();

template <typename T>
T Entry(HMODULE library, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// A library (with its partner, if the table names one) loaded for one call.
class CLoadedLibrary {
 public:
  explicit CLoadedLibrary(const archive::ExtractLibrary& row) {
    m_module = LoadLibraryA(row.file);
    if (m_module && row.partner) {
      m_partner = LoadLibraryA(row.partner);
      if (!m_partner) Release();
    }
  }
  explicit CLoadedLibrary(const char* file) : m_module(LoadLibraryA(file)) {}
  ~CLoadedLibrary() { Release(); }
  CLoadedLibrary(const CLoadedLibrary&) = delete;
  CLoadedLibrary& operator=(const CLoadedLibrary&) = delete;

  HMODULE Module() const { return m_module; }

 private:
  void Release() {
    if (m_partner) FreeLibrary(m_partner);
    if (m_module) FreeLibrary(m_module);
    m_partner = m_module = nullptr;
  }
  HMODULE m_module = nullptr;
  HMODULE m_partner = nullptr;
};

// The work entry as every caller calls it: no owner, a zero-filled buffer,
// one byte of it kept back so the text always ends.
int RunWork(WorkEntry work, const std::string& command, std::string* text) {
  std::vector<char> buffer(archive::kWorkBufferBytes, '\0');
  int result = work(nullptr, command.c_str(), buffer.data(), archive::kWorkBufferSize);
  buffer.back() = '\0';
  if (text) *text = buffer.data();
  return result;
}

}  // namespace

int CallWorkEntry(HMODULE library, const char* entry, const std::string& command, std::string* text) {
  if (text) text->clear();
  WorkEntry work = library ? Entry<WorkEntry>(library, entry) : nullptr;
  return work ? RunWork(work, command, text) : -1;
}

bool ExtractFolderName(const char* archivePath, char* folder, size_t size) {
  if (size) folder[0] = '\0';
  std::string chosen = archive::ExtractFolderFor(archivePath, [](const std::string& candidate) {
    // A plain file blocks the name as much as a folder does.
    return FileExists(candidate.c_str());
  });
  if (chosen.empty() || chosen.size() >= size) return false;
  std::memcpy(folder, chosen.c_str(), chosen.size() + 1);
  return true;
}

int ExtractArchive(HWND owner, const char* path) {
  for (const archive::ExtractLibrary& row : archive::kExtractLibraries) {
    CLoadedLibrary library(row);
    if (!library.Module()) continue;
    // A library without both entries counts as missing.
    CheckEntry check = Entry<CheckEntry>(library.Module(), row.checkEntry);
    WorkEntry work = Entry<WorkEntry>(library.Module(), row.workEntry);
    if (!check || !work || !check(path, 0)) continue;

    // Only the first library that accepts the file gets it.
    char folder[MAX_PATH];
    if (!ExtractFolderName(path, folder, sizeof folder)) return 0;
    std::string text;
    int result = RunWork(work, archive::ExtractCommand(row, path, folder), &text);
    if (archive::IsErrorResult(result))
      g_sideEffects.messageBox(owner, archive::ErrorText(text, result).c_str(), "解凍エラー", MB_OK | MB_ICONINFORMATION);
    return 1;
  }
  return 0;
}

WORD GetArchiverVersion(int index) {
  if (index < 0 || index >= archive::kVersionLibraryCount) return 0;
  const archive::VersionLibrary& row = archive::kVersionLibraries[index];
  CLoadedLibrary library(row.file);
  if (!library.Module()) return 0;
  VersionEntry version = Entry<VersionEntry>(library.Module(), row.versionEntry);
  return version ? version() : 0;
}

std::vector<archive::ArchiverRow> ArchiverRows() {
  unsigned versions[archive::kVersionLibraryCount];
  for (int i = 0; i < archive::kVersionLibraryCount; ++i) versions[i] = GetArchiverVersion(i);
  return archive::RowsForVersions(versions);
}
