#include "archivers/win/win_files.h"

#include <cstring>

namespace arc {

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  if (n) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(n, '\0');
  if (n) WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n, nullptr, nullptr);
  return narrow;
}

bool NarrowExactly(const std::wstring& wide, UINT codePage, std::string& narrow) {
  BOOL usedDefault = FALSE;
  int length = static_cast<int>(wide.size());
  int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.c_str(), length, nullptr, 0, "_", &usedDefault);
  narrow.assign(n, '\0');
  if (n) WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.c_str(), length, &narrow[0], n, "_", &usedDefault);
  return !usedDefault && Widen(narrow, codePage) == wide;
}

namespace {

// The full path, however long (GetFullPathNameW with a buffer of its size).
std::wstring FullPath(const std::wstring& path) {
  DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return std::wstring();
  std::wstring full(need, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), need, &full[0], nullptr);
  if (n == 0 || n >= need) return std::wstring();
  full.resize(n);
  return full;
}

bool StartsWith(const std::wstring& text, const wchar_t* head) { return text.compare(0, wcslen(head), head) == 0; }

// Characters of the root that cannot be created: "C:\", "\\server\share\",
// and the same behind "\\?\" or "\\?\UNC\".
size_t RootLength(const std::wstring& path) {
  size_t at = 0;
  bool unc = false;
  if (StartsWith(path, L"\\\\?\\UNC\\")) {
    at = 8;
    unc = true;
  } else if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\")) {
    at = 4;
  } else if (StartsWith(path, L"\\\\")) {
    at = 2;
    unc = true;
  }
  if (unc) {
    size_t share = path.find(L'\\', at);
    if (share == std::wstring::npos) return path.size();
    size_t end = path.find(L'\\', share + 1);
    return end == std::wstring::npos ? path.size() : end + 1;
  }
  if (path.size() >= at + 2 && path[at + 1] == L':') return path.size() > at + 2 && path[at + 2] == L'\\' ? at + 3 : at + 2;
  return at;
}

}  // namespace

std::wstring LongPath(const std::wstring& path) {
  // What cannot fit is refused by the caller; it is not worth resolving.
  if (path.size() < 240 || path.size() >= kMaxPathChars || StartsWith(path, L"\\\\?\\") ||
      StartsWith(path, L"\\\\.\\"))
    return path;
  std::wstring full = FullPath(path);
  if (full.size() >= 2 && full[1] == L':') return L"\\\\?\\" + full;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return path;
}

bool FitsFileSystem(const std::wstring& path) { return LongPath(path).size() < kMaxPathChars; }

bool IsFolder(const std::wstring& path) {
  DWORD a = GetFileAttributesW(LongPath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 1 && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  if (p.empty() || IsFolder(p)) return !p.empty();
  // One folder after the other from the top, in a loop: an archive may name
  // thousands of folders, one inside the other.
  if (p.size() >= 240 && !StartsWith(p, L"\\\\?\\")) p = LongPath(p);
  if (p.size() >= kMaxPathChars) return false;
  if (StartsWith(p, L"\\\\?\\")) {
    for (wchar_t& c : p)
      if (c == L'/') c = L'\\';  // the long form takes no other separator
  }
  for (size_t at = RootLength(p);; ++at) {
    at = p.find_first_of(L"\\/", at);
    wchar_t separator = at == std::wstring::npos ? L'\0' : p[at];
    if (at != std::wstring::npos) p[at] = L'\0';
    bool made = CreateDirectoryW(p.c_str(), nullptr) || IsFolder(p.c_str());
    if (at == std::wstring::npos) return made;
    p[at] = separator;
    // An empty part ("a\\b") is no folder to make.
    if (!made && at > 0 && p[at - 1] != L'\\' && p[at - 1] != L'/') return false;
  }
}

void FileTimes(const FILETIME& written, uint32_t& dosTime, int64_t& unixTime) {
  ULARGE_INTEGER t;
  t.LowPart = written.dwLowDateTime;
  t.HighPart = written.dwHighDateTime;
  unixTime = static_cast<int64_t>(t.QuadPart / 10000000ull) - 11644473600ll;
  FILETIME local;
  WORD date = (1 << 5) | 1, time = 0;  // 1980-01-01 for what cannot be shown
  if (FileTimeToLocalFileTime(&written, &local)) FileTimeToDosDateTime(&local, &date, &time);
  dosTime = (static_cast<uint32_t>(date) << 16) | time;
}

// --- FileSource ---

FileSource::FileSource(const std::wstring& path) {
  handle_ = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle_, &size)) {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return;
  }
  size_ = static_cast<uint64_t>(size.QuadPart);
}

FileSource::~FileSource() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

size_t FileSource::ReadDirect(uint64_t offset, void* buffer, size_t n) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN)) return 0;
  size_t total = 0;
  while (total < n) {
    DWORD want = static_cast<DWORD>(n - total > (1u << 30) ? (1u << 30) : n - total), got = 0;
    if (!ReadFile(handle_, static_cast<char*>(buffer) + total, want, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

size_t FileSource::ReadAt(uint64_t offset, void* buffer, size_t n) {
  if (handle_ == INVALID_HANDLE_VALUE || offset >= size_) return 0;
  if (n >= 65536) return ReadDirect(offset, buffer, n);
  // Headers are read a few bytes at a time: serve them from one block.
  size_t done = 0;
  while (done < n) {
    uint64_t at = offset + done;
    if (at < cacheStart_ || at >= cacheStart_ + cacheSize_) {
      cache_.resize(65536);
      cacheStart_ = at;
      cacheSize_ = ReadDirect(at, cache_.data(), cache_.size());
      if (cacheSize_ == 0) break;
    }
    size_t inCache = static_cast<size_t>(cacheStart_ + cacheSize_ - at);
    size_t take = n - done < inCache ? n - done : inCache;
    memcpy(static_cast<char*>(buffer) + done, cache_.data() + (at - cacheStart_), take);
    done += take;
  }
  return done;
}

// --- FileStream ---

size_t FileStream::Read(void* buffer, size_t n) {
  DWORD got = 0;
  DWORD want = static_cast<DWORD>(n > (1u << 30) ? (1u << 30) : n);
  if (!ReadFile(handle_, buffer, want, &got, nullptr)) {
    failed_ = true;
    return 0;
  }
  return got;
}

// --- FileOutput ---

FileOutput::~FileOutput() { Close(); }

bool FileOutput::Create(const std::wstring& path) {
  Close();
  failed_ = false;
  flushed_ = 0;
  buffer_.clear();
  buffer_.reserve(1 << 20);
  handle_ = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
  return handle_ != INVALID_HANDLE_VALUE;
}

bool FileOutput::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    DWORD wrote = 0;
    if (!WriteFile(handle_, buffer_.data() + done, static_cast<DWORD>(buffer_.size() - done), &wrote, nullptr) ||
        wrote == 0) {
      failed_ = true;
      break;
    }
    done += wrote;
  }
  flushed_ += buffer_.size();
  buffer_.clear();
  return !failed_;
}

bool FileOutput::Write(const void* data, size_t n) {
  if (handle_ == INVALID_HANDLE_VALUE || failed_) return false;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (n) {
    size_t room = (1u << 20) - buffer_.size();
    size_t take = n < room ? n : room;
    buffer_.insert(buffer_.end(), p, p + take);
    p += take;
    n -= take;
    if (buffer_.size() == (1u << 20) && !Flush()) return false;
  }
  return true;
}

bool FileOutput::WriteAt(uint64_t offset, const void* data, size_t n) {
  if (handle_ == INVALID_HANDLE_VALUE || failed_ || offset + n > Position()) return false;
  if (offset >= flushed_) {
    memcpy(buffer_.data() + (offset - flushed_), data, n);
    return true;
  }
  if (!Flush()) return false;
  LARGE_INTEGER at, end;
  at.QuadPart = static_cast<LONGLONG>(offset);
  end.QuadPart = static_cast<LONGLONG>(flushed_);
  DWORD wrote = 0;
  bool ok = SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) &&
            WriteFile(handle_, data, static_cast<DWORD>(n), &wrote, nullptr) && wrote == n &&
            SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN);
  if (!ok) failed_ = true;
  return ok;
}

bool FileOutput::Close(const FILETIME* written) {
  if (handle_ == INVALID_HANDLE_VALUE) return !failed_;
  Flush();
  // After the last write, or the write would set the time again.
  if (written) SetFileTime(handle_, nullptr, nullptr, written);
  if (!CloseHandle(handle_)) failed_ = true;
  handle_ = INVALID_HANDLE_VALUE;
  return !failed_;
}

// --- FolderTarget ---

bool FolderTarget::PathOf(const PathParts& parts, NameCharset charset, std::wstring& path) const {
  path = folder_;
  UINT cp = charset == NameCharset::Utf8 ? CP_UTF8 : 932;
  size_t first = flat_ && !parts.empty() ? parts.size() - 1 : 0;
  for (size_t i = first; i < parts.size(); ++i) {
    std::wstring part = Widen(parts[i], cp);
    // The name check ran on the stored bytes; check again what Windows sees.
    if (part.empty() || part.find_first_of(L"\\/:") != std::wstring::npos || part == L"..") return false;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    path += part;
  }
  return true;
}

Status FolderTarget::MakeFolder(const PathParts& parts, NameCharset charset, const Entry&) {
  if (flat_) return kOk;
  std::wstring path;
  if (!PathOf(parts, charset, path)) return kErrorUnsafeName;
  return MakeFolders(path) ? kOk : kErrorWrite;
}

namespace {

// Removes an earlier file of the name (read-only ones too), so that what
// comes next never writes through a hard link into another file.
void RemoveFile(const std::wstring& longPath) {
  DWORD a = GetFileAttributesW(longPath.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(longPath.c_str());
}

bool MakeFoldersAbove(const std::wstring& path) {
  size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos || MakeFolders(path.substr(0, cut));
}

// Volume serial and file index: one file under two names.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::wstring* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    HANDLE h = CreateFileW(paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileInformationByHandle(h, &info[i]);
    CloseHandle(h);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace

uint64_t FolderTarget::FreeBytes() const {
  if (freeBytes) return freeBytes();
  std::wstring folder = LongPath(folder_.empty() ? std::wstring(L".") : folder_);
  if (folder.back() != L'\\') folder += L'\\';
  ULARGE_INTEGER available;
  // Unknown (a share that does not say) is no reason to refuse.
  return GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) ? available.QuadPart : UINT64_MAX;
}

Sink* FolderTarget::BeginFile(const PathParts& parts, NameCharset charset, const Entry& entry, Status* error) {
  if (!PathOf(parts, charset, filePath_)) {
    *error = kErrorUnsafeName;
    return nullptr;
  }
  // Refused before anything is made: too long a name, or more bytes than
  // the volume has free (the declared size may lie the other way; then the
  // failing write removes the file).
  *error = kErrorWrite;
  if (!FitsFileSystem(filePath_) || !MakeFoldersAbove(filePath_) || entry.size > FreeBytes()) return nullptr;
  std::wstring longPath = LongPath(filePath_);
  RemoveFile(longPath);
  if (!file_.Create(filePath_)) return nullptr;
  *error = kOk;
  entry_ = entry;
  return &file_;
}

static bool TimeOf(const Entry& entry, FILETIME& written) {
  if (entry.hasUnixTime) {
    if (entry.unixTime <= -11644473600ll) return false;
    ULARGE_INTEGER t;
    t.QuadPart = static_cast<uint64_t>(entry.unixTime + 11644473600ll) * 10000000ull;
    written.dwLowDateTime = t.LowPart;
    written.dwHighDateTime = t.HighPart;
    return true;
  }
  FILETIME local;
  return entry.hasDosTime &&
         DosDateTimeToFileTime(static_cast<WORD>(entry.dosTime >> 16), static_cast<WORD>(entry.dosTime), &local) &&
         LocalFileTimeToFileTime(&local, &written);
}

Status FolderTarget::EndFile(bool keep) {
  FILETIME written;
  bool ok = file_.Close(keep && TimeOf(entry_, written) ? &written : nullptr);
  std::wstring longPath = LongPath(filePath_);
  if (!keep || !ok) {
    DeleteFileW(longPath.c_str());
    return ok ? kOk : kErrorWrite;
  }
  DWORD keepAttributes = entry_.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  if (keepAttributes) SetFileAttributesW(longPath.c_str(), keepAttributes | FILE_ATTRIBUTE_ARCHIVE);
  return kOk;
}

Status FolderTarget::LinkFile(const PathParts& from, NameCharset fromCharset, const PathParts& to,
                              NameCharset toCharset, const Entry&) {
  std::wstring source, target;
  if (!PathOf(from, fromCharset, source) || !PathOf(to, toCharset, target)) return kErrorUnsafeName;
  std::wstring longSource = LongPath(source), longTarget = LongPath(target);
  DWORD a = GetFileAttributesW(longSource.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return kErrorLink;
  // A link onto its own target would remove the target.
  if (GetFileAttributesW(longTarget.c_str()) != INVALID_FILE_ATTRIBUTES && SameFile(longSource, longTarget))
    return kErrorLink;
  if (!FitsFileSystem(target) || !MakeFoldersAbove(target)) return kErrorWrite;
  RemoveFile(longTarget);
  return CreateHardLinkW(longTarget.c_str(), longSource.c_str(), nullptr) ? kOk : kErrorWrite;
}

std::unique_ptr<Source> FolderTarget::OpenFile(const PathParts& parts, NameCharset charset) {
  std::wstring path;
  if (!PathOf(parts, charset, path)) return nullptr;
  std::unique_ptr<FileSource> file(new FileSource(path));
  if (!file->IsOpen()) return nullptr;
  return std::unique_ptr<Source>(file.release());
}

}  // namespace arc
