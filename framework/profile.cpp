// The application object's profile file: reading, batching and the safe
// replacement of the file on disk.
#include <cstdio>
#include <cstring>
#include <memory>

#include "framework/app.h"
#include "framework/file_io.h"
#include "framework/ini_file.h"
#include "framework/wide_text.h"

struct ProfileCache {
  int depth = 0;       // open batches
  bool dirty = false;  // changed since it was read
  ini::Encoding encoding = ini::Encoding::kAnsi;
  std::string text;  // in the system code page, without byte-order mark
  std::unique_ptr<ini::Index> index;
};

namespace {

bool FileLoad(const char* file, std::string* bytes) {
  return ReadWholeFile(file, bytes, UINT64_MAX) == ReadResult::kRead;
}

// The new text goes to a file of this process's own beside the profile, which
// then replaces it in one move: a program killed or a disk filled in the
// middle leaves the old profile whole, and two copies of the program saving
// at once leave one complete version.
bool FileStore(const char* file, const std::string& bytes) { return ReplaceFileSafely(file, bytes); }

// A profile saved as Unicode by an editor is read as the system reads it:
// converted to the system code page; and it is written back whole in the
// encoding it came in.
std::string Decode(const std::string& bytes, ini::Encoding* encoding) {
  size_t mark = 0;
  *encoding = ini::DetectEncoding(bytes, &mark);
  switch (*encoding) {
    case ini::Encoding::kUtf8:
      return Narrow(Widen(bytes.data() + mark, bytes.size() - mark, CP_UTF8), CP_ACP);
    case ini::Encoding::kUtf16Le: {
      std::wstring wide((bytes.size() - mark) / 2, L'\0');
      if (!wide.empty()) std::memcpy(&wide[0], bytes.data() + mark, wide.size() * 2);
      return Narrow(wide, CP_ACP);
    }
    case ini::Encoding::kAnsi:
      break;
  }
  return bytes;
}

std::string Encode(const std::string& text, ini::Encoding encoding) {
  switch (encoding) {
    case ini::Encoding::kUtf8:
      return "\xEF\xBB\xBF" + Narrow(Widen(text, CP_ACP), CP_UTF8);
    case ini::Encoding::kUtf16Le: {
      std::wstring wide = Widen(text, CP_ACP);
      std::string bytes = "\xFF\xFE";
      bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
      return bytes;
    }
    case ini::Encoding::kAnsi:
      break;
  }
  return text;
}

}  // namespace

const ProfileBackend kFileProfileBackend = {FileLoad, FileStore};
ProfileBackend g_profileBackend = kFileProfileBackend;

void CWinApp::SetProfileName(const char* path) {
  delete[] m_pszProfileName;
  size_t n = std::strlen(path);
  m_pszProfileName = new char[n + 1];
  std::memcpy(m_pszProfileName, path, n + 1);
  DeleteProfileCache();
}

void CWinApp::DeleteProfileCache() {
  delete m_profile;
  m_profile = nullptr;
}

// Outside a batch every call sees the file as it is now.
ProfileCache& CWinApp::Profile() const {
  ProfileCache*& cache = const_cast<ProfileCache*&>(m_profile);
  if (cache && cache->depth > 0) return *cache;
  if (!cache) cache = new ProfileCache;
  std::string bytes;
  g_profileBackend.load(m_pszProfileName, &bytes);
  cache->text = Decode(bytes, &cache->encoding);
  cache->index.reset();
  cache->dirty = false;
  return *cache;
}

bool CWinApp::StoreProfile() const {
  ProfileCache& cache = *m_profile;
  cache.dirty = false;
  return g_profileBackend.store(m_pszProfileName, Encode(cache.text, cache.encoding));
}

void CWinApp::BeginProfileBatch() {
  if (!m_pszProfileName) return;
  if (!m_profile || m_profile->depth == 0) Profile();
  ++m_profile->depth;
}

bool CWinApp::EndProfileBatch() {
  if (!m_pszProfileName || !m_profile || m_profile->depth == 0) return true;
  if (--m_profile->depth > 0 || !m_profile->dirty) return true;
  return StoreProfile();
}

bool CWinApp::GetProfileRawString(const char* section, const char* key, std::string* raw) const {
  if (!m_pszProfileName) return false;
  ProfileCache& cache = Profile();
  if (cache.depth == 0) return ini::FindRawValue(cache.text, section, key, raw);
  if (!cache.index) cache.index.reset(new ini::Index(cache.text));
  return cache.index->FindRaw(section, key, raw);
}

int CWinApp::GetProfileIntA(const char* section, const char* key, int def) const {
  std::string raw;
  if (!GetProfileRawString(section, key, &raw)) return def;
  return ini::ParseInt(ini::CookedValue(raw));
}

void CWinApp::GetProfileStringA(const char* section, const char* key, const char* def, char* out,
                                size_t size) const {
  if (size == 0) return;
  std::string raw, value;
  value = GetProfileRawString(section, key, &raw) ? ini::CookedValue(raw) : (def ? def : "");
  size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
}

void CWinApp::WriteProfileInt(const char* section, const char* key, int value) const {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  WriteProfileStringA(section, key, text);
}

void CWinApp::WriteProfileStringA(const char* section, const char* key, const char* value) const {
  if (!m_pszProfileName) return;
  ProfileCache& cache = Profile();
  cache.text = ini::SetValue(cache.text, section, key, value);
  cache.index.reset();
  cache.dirty = true;
  if (cache.depth == 0) StoreProfile();
}

CProfileBatch::CProfileBatch() {
  if (CWinApp* app = AfxGetApp()) app->BeginProfileBatch();
}

CProfileBatch::~CProfileBatch() {
  if (CWinApp* app = AfxGetApp()) app->EndProfileBatch();
}
