#include "tests/archivers/peers.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace peers {

namespace {

std::string TempRoot() {
  char buffer[MAX_PATH];
  DWORD n = GetTempPathA(sizeof buffer, buffer);
  std::string root(buffer, n);
  if (!root.empty() && root.back() == '\\') root.pop_back();
  return root;
}

}  // namespace

std::string UnixPath(const std::string& windowsPath) {
  typedef char*(CDECL * ToUnix)(LPCWSTR);
  static ToUnix toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, &wide[0], n);
  char* unix = toUnix(wide.c_str());
  if (!unix) return std::string();
  std::string result(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::string FreshFolder(const std::string& label) {
  static std::atomic<int> counter{0};
  std::string path = TempRoot() + "\\tovix-arc-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(counter++) + "-" + label;
  Result r = Run("/", "rm -rf " + Quote(UnixPath(path)));
  (void)r;
  MakeFolders(path);
  return path;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = bytes.empty() || (::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                              written == bytes.size());
  CloseHandle(h);
  return ok;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  for (;;) {
    if (!::ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  CloseHandle(h);
  return ok;
}

bool MakeFolders(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

Result Run(const std::string& unixFolder, const std::string& script) {
  static std::atomic<int> counter{0};
  Result result;
  std::string base = TempRoot() + "\\tovix-peer-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(counter++);
  std::string scriptPath = base + ".sh", outPath = base + ".out", donePath = base + ".rc";
  DeleteFileA(donePath.c_str());
  std::string u = UnixPath(base);
  std::string text = "cd " + Quote(unixFolder) + " || { echo 127 > " + Quote(u + ".rc") + "; exit; }\n(\n" + script +
                     "\n) > " + Quote(u + ".out") + " 2>&1 </dev/null\necho $? > " + Quote(u + ".tmp") + "\nmv " +
                     Quote(u + ".tmp") + " " + Quote(u + ".rc") + "\n";
  if (!WriteFile(scriptPath, text)) return result;
  std::string command = "/bin/bash " + UnixPath(scriptPath);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return result;
  // Wine starts a Unix program without a Windows process and leaves stale
  // values here, which may be handles of ours (stdout even): close only what
  // really is the new process and thread.
  if (pi.dwThreadId && GetThreadId(pi.hThread) == pi.dwThreadId) CloseHandle(pi.hThread);
  if (pi.dwProcessId && GetProcessId(pi.hProcess) == pi.dwProcessId) CloseHandle(pi.hProcess);
  // The script's last step renames its exit code into place: wait for that.
  // The limit only keeps a wedged peer from hanging the suite.
  for (int waited = 0; waited < 600000; waited += 5) {
    if (GetFileAttributesA(donePath.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(5);
  }
  std::string rc;
  if (ReadFile(donePath, rc) && !rc.empty()) result.exitCode = atoi(rc.c_str());
  ReadFile(outPath, result.output);
  DeleteFileA(scriptPath.c_str());
  DeleteFileA(outPath.c_str());
  DeleteFileA(donePath.c_str());
  return result;
}

namespace {

void Walk(const std::string& root, const std::string& relative,
          std::vector<std::pair<std::string, std::string>>& files) {
  WIN32_FIND_DATAA fd;
  std::string pattern = root + (relative.empty() ? "" : "\\" + relative) + "\\*";
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    std::string rel = relative.empty() ? name : relative + "\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files.push_back({rel + "\\", std::string()});
      Walk(root, rel, files);
    } else {
      std::string bytes;
      ReadFile(root + "\\" + rel, bytes);
      files.push_back({rel, bytes});
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> Tree(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  Walk(folder, std::string(), files);
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace peers
