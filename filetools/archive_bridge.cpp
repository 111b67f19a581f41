#include "filetools/archive_bridge.h"

#include <cstring>

#include "core/side_effects.h"
#include "framework/files.h"
#include "framework/wide_text.h"

namespace {

typedef int(WINAPI* WorkEntry)(HWND owner, LPCSTR command, LPSTR output, DWORD size);
typedef BOOL(WINAPI* CheckEntry)(LPCSTR file, int mode);
typedef int(WINAPI* WideWorkEntry)(HWND owner, LPCWSTR command, LPWSTR output, DWORD size);
typedef BOOL(WINAPI* WideCheckEntry)(LPCWSTR file, int mode);
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

int RunWideWork(WideWorkEntry work, const std::wstring& command, std::wstring* text) {
  std::vector<wchar_t> buffer(archive::kWorkBufferBytes, L'\0');
  int result = work(nullptr, command.c_str(), buffer.data(), archive::kWorkBufferSize);
  buffer.back() = L'\0';
  if (text) *text = buffer.data();
  return result;
}

void ReportFailure(HWND owner, const std::wstring& text, int result) {
  std::wstring shown = text.empty() ? Widen(archive::ErrorText(std::string(), result), CP_ACP) : text;
  ShowMessage(owner, shown, "解凍エラー", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

std::wstring NameRefusedText(const std::wstring& path, const char* reason) {
  return path + L"\n" + Widen(reason, CP_ACP);
}

int CallWideWorkEntry(HMODULE library, const char* entry, const std::wstring& command, std::wstring* text) {
  if (text) text->clear();
  WideWorkEntry work = library ? Entry<WideWorkEntry>(library, archive::WideEntryName(entry).c_str()) : nullptr;
  return work ? RunWideWork(work, command, text) : -1;
}

std::wstring ExtractFolderName(const std::wstring& archivePath) {
  return archive::ExtractFolderFor(archivePath, [](const std::wstring& candidate) {
    // A plain file blocks the name as much as a folder does.
    return FileExists(candidate);
  });
}

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

int ExtractArchive(HWND owner, const std::wstring& path) {
  std::string narrowPath;
  const bool narrows = NarrowExact(path, CP_ACP, &narrowPath);
  bool refused = false;
  for (const archive::ExtractLibrary& row : archive::kExtractLibraries) {
    CLoadedLibrary library(row);
    if (!library.Module()) continue;
    // The wide form when the library has both of its entries.
    WideCheckEntry wideCheck = Entry<WideCheckEntry>(library.Module(), archive::WideEntryName(row.checkEntry).c_str());
    WideWorkEntry wideWork = Entry<WideWorkEntry>(library.Module(), archive::WideEntryName(row.workEntry).c_str());
    if (wideCheck && wideWork) {
      if (!wideCheck(path.c_str(), 0)) continue;
      std::wstring folder = ExtractFolderName(path);
      if (folder.empty()) return 0;
      std::wstring text;
      int result = RunWideWork(wideWork, archive::ExtractCommand(row, path, folder), &text);
      if (archive::IsErrorResult(result)) ReportFailure(owner, text, result);
      return 1;
    }
    // A library without both entries counts as missing.
    CheckEntry check = Entry<CheckEntry>(library.Module(), row.checkEntry);
    WorkEntry work = Entry<WorkEntry>(library.Module(), row.workEntry);
    if (!check || !work) continue;
    // An 8-bit library given a look-alike name would open another file.
    if (!narrows) {
      refused = true;
      continue;
    }
    if (!check(narrowPath.c_str(), 0)) continue;

    // Only the first library that accepts the file gets it.
    char folder[MAX_PATH];
    if (!ExtractFolderName(narrowPath.c_str(), folder, sizeof folder)) return 0;
    std::string text;
    int result = RunWork(work, archive::ExtractCommand(row, narrowPath, folder), &text);
    if (archive::IsErrorResult(result))
      g_sideEffects.messageBox(owner, archive::ErrorText(text, result).c_str(), "解凍エラー", MB_OK | MB_ICONINFORMATION);
    return 1;
  }
  return refused ? kExtractNameRefused : 0;
}

int ExtractArchive(HWND owner, const char* path) { return ExtractArchive(owner, Widen(path, CP_ACP)); }

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
