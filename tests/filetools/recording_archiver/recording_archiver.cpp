// A stand-in archiver library. It exports the check, work and version entries
// of every library the program loads, so one build copied under each file
// name can stand for any of them. Every call appends one line to the file
// named by TOVIX_RECORDING_LOG:
//
//   <file> attach                  loaded into the process
//   <file> detach                  released
//   <file> <entry> mode=<m> loaded=<names> <path>                  check entry
//   <file> <entry> owner=<0|1> size=<n> zeroed=<0|1> loaded=<names> <command>
//   <file> <entry> loaded=<names>                                 version entry
//
// <file> is the name this copy was loaded under; <names> are the archiver
// libraries loaded in the process at the time of the call, ',' between them.
//
// What it answers comes from the environment, read at each call:
//   TOVIX_RECORDING_ACCEPT     file names (';' between) whose check accepts
//   TOVIX_RECORDING_VERSIONS   "file=version;..." (others give 100)
//   TOVIX_RECORDING_FAIL       a command prefix: work calls starting with it
//                              fail with TOVIX_RECORDING_FAIL_CODE (decimal
//                              or 0x hex, default 0x8001) and write
//                              TOVIX_RECORDING_TEXT into the buffer
// Other work calls return 0 and write "recorded".
//
// Built with RECORDING_WIDE it also exports the wide entries (the check and
// work names with "W"); their lines name the entry with its "W" and carry the
// path or command in UTF-8, and a failing one writes the text in UTF-16.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HMODULE g_self = nullptr;

const char* const kArchivers[] = {"unlha32.dll", "unzip32.dll", "ZIP32J.DLL", "unrar32.dll", "unrar.dll",
                                  "cab32.dll",   "7-Zip32.dll", "TAR32.dll",  "ungca32.dll"};

// Read as wide text: the 8-bit call cuts Japanese values short on some systems.
std::wstring WideEnvironment(const char* name) {
  wchar_t wideName[64];
  MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 64);
  wchar_t value[4096];
  DWORD n = GetEnvironmentVariableW(wideName, value, 4096);
  return std::wstring(value, n < 4096 ? n : 0);
}

// Wide text in the code page, or in UTF-8 for a wide entry's log line.
std::string Bytes(const std::wstring& text, UINT codePage = CP_ACP) {
  char bytes[4 * 4096];
  int length = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), bytes, sizeof bytes, nullptr, nullptr);
  return std::string(bytes, length > 0 ? size_t(length) : 0);
}

std::string Environment(const char* name) { return Bytes(WideEnvironment(name)); }

std::string SelfName() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(g_self, path, sizeof path);
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

std::string Loaded() {
  std::string names;
  for (const char* name : kArchivers)
    if (GetModuleHandleA(name)) names += (names.empty() ? "" : ",") + std::string(name);
  return names;
}

void Log(const std::string& line) {
  std::string file = Environment("TOVIX_RECORDING_LOG");
  if (file.empty()) return;
  HANDLE h = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::string text = SelfName() + " " + line + "\n";
  DWORD written = 0;
  WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(h);
}

// `name` appears in the ';'-separated `list`, case aside.
bool Listed(const std::string& list, const std::string& name, std::string* value = nullptr) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    size_t equals = item.find('=');
    std::string key = item.substr(0, equals);
    if (lstrcmpiA(key.c_str(), name.c_str()) == 0) {
      if (value) *value = equals == std::string::npos ? std::string() : item.substr(equals + 1);
      return true;
    }
    start = end + 1;
  }
  return false;
}

BOOL Check(const char* entry, LPCSTR file, int mode) {
  Log(std::string(entry) + " mode=" + std::to_string(mode) + " loaded=" + Loaded() + " " + (file ? file : "(null)"));
  return Listed(Environment("TOVIX_RECORDING_ACCEPT"), SelfName()) ? TRUE : FALSE;
}

template <typename Char>
int Work(const char* entry, HWND owner, const std::string& line, Char* buffer, DWORD size) {
  // The caller promises `size` units and one more for the final zero.
  bool zeroed = buffer != nullptr;
  for (DWORD i = 0; zeroed && i <= size; ++i) zeroed = buffer[i] == 0;
  Log(std::string(entry) + " owner=" + (owner ? "1" : "0") + " size=" + std::to_string(size) +
      " zeroed=" + (zeroed ? "1" : "0") + " loaded=" + Loaded() + " " + line);
  std::string fail = Environment("TOVIX_RECORDING_FAIL");
  int result = 0;
  const char recorded[] = "recorded";
  std::basic_string<Char> text(recorded, recorded + 8);
  if (!fail.empty() && line.compare(0, fail.size(), fail) == 0) {
    std::string code = Environment("TOVIX_RECORDING_FAIL_CODE");
    result = code.empty() ? 0x8001 : int(std::strtol(code.c_str(), nullptr, 0));
    // The environment's text, in the code page or, for a wide entry, in UTF-16.
    if constexpr (sizeof(Char) == 1) text = Environment("TOVIX_RECORDING_TEXT");
    else text = WideEnvironment("TOVIX_RECORDING_TEXT");
  }
  if (buffer && size) {
    size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n * sizeof(Char));
    buffer[n] = 0;
  }
  return result;
}

WORD Version(const char* entry) {
  Log(std::string(entry) + " loaded=" + Loaded());
  std::string value;
  if (Listed(Environment("TOVIX_RECORDING_VERSIONS"), SelfName(), &value)) return WORD(std::atoi(value.c_str()));
  return 100;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    Log("attach");
  } else if (reason == DLL_PROCESS_DETACH) {
    Log("detach");
  }
  return TRUE;
}

#define RECORDING_CHECK(name) \
  extern "C" __declspec(dllexport) BOOL WINAPI name(LPCSTR file, int mode) { return Check(#name, file, mode); }
#define RECORDING_WORK(name)                                                                    \
  extern "C" __declspec(dllexport) int WINAPI name(HWND owner, LPCSTR command, LPSTR buffer, DWORD size) { \
    return Work(#name, owner, command ? command : "(null)", buffer, size);                      \
  }
#define RECORDING_VERSION(name) \
  extern "C" __declspec(dllexport) WORD WINAPI name() { return Version(#name); }

RECORDING_CHECK(UnlhaCheckArchive)
RECORDING_CHECK(UnZipCheckArchive)
RECORDING_CHECK(UnrarCheckArchive)
RECORDING_CHECK(CabCheckArchive)
RECORDING_CHECK(SevenZipCheckArchive)
RECORDING_CHECK(TarCheckArchive)
RECORDING_CHECK(UnGCACheckArchive)

RECORDING_WORK(Unlha)
RECORDING_WORK(UnZip)
RECORDING_WORK(Zip)
RECORDING_WORK(Unrar)
RECORDING_WORK(Cab)
RECORDING_WORK(SevenZip)
RECORDING_WORK(Tar)
RECORDING_WORK(UnGCA)

RECORDING_VERSION(UnlhaGetVersion)
RECORDING_VERSION(UnZipGetVersion)
RECORDING_VERSION(ZipGetVersion)
RECORDING_VERSION(UnrarGetVersion)
RECORDING_VERSION(CabGetVersion)
RECORDING_VERSION(SevenZipGetVersion)
RECORDING_VERSION(TarGetVersion)
RECORDING_VERSION(UnGCAGetVersion)

#ifdef RECORDING_WIDE
#define RECORDING_CHECK_W(name)                                                \
  extern "C" __declspec(dllexport) BOOL WINAPI name(LPCWSTR file, int mode) { \
    return Check(#name, file ? Bytes(file, CP_UTF8).c_str() : nullptr, mode);  \
  }
#define RECORDING_WORK_W(name)                                                                    \
  extern "C" __declspec(dllexport) int WINAPI name(HWND owner, LPCWSTR command, LPWSTR buffer, DWORD size) { \
    return Work(#name, owner, command ? Bytes(command, CP_UTF8) : "(null)", buffer, size);        \
  }

RECORDING_CHECK_W(UnlhaCheckArchiveW)
RECORDING_CHECK_W(UnZipCheckArchiveW)
RECORDING_CHECK_W(TarCheckArchiveW)
RECORDING_WORK_W(UnlhaW)
RECORDING_WORK_W(UnZipW)
RECORDING_WORK_W(ZipW)
RECORDING_WORK_W(TarW)
#endif
