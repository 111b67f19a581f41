// Scratch folders and files for tests, removed when the object goes away.
#pragma once
#include <windows.h>

#include <string>

class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (unsigned n = GetTickCount();; ++n) {
      path_ = std::string(base) + "tovix_test_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(n);
      if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
  }
  ~TempFolder() { RemoveTree(Wide(path_)); }
  // Full path of a file inside, without a trailing backslash for "".
  std::string File(const std::string& name) const { return name.empty() ? path_ : path_ + "\\" + name; }
  // The same in UTF-16, for names code page 932 may lack.
  std::wstring File(const std::wstring& name) const { return Wide(path_) + (name.empty() ? L"" : L"\\" + name); }

  static bool Write(const std::string& path, const std::string& bytes) { return Write(Wide(path), bytes); }
  static bool Write(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = h != INVALID_HANDLE_VALUE && WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return ok && written == bytes.size();
  }
  // The bytes, or "" when the file cannot be opened.
  static std::string Read(const std::string& path) { return Read(Wide(path)); }
  static std::string Read(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) bytes.append(buf, n);
    CloseHandle(h);
    return bytes;
  }

 private:
  static std::wstring Wide(const std::string& path) {
    std::wstring wide(size_t(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], int(wide.size()));
    wide.pop_back();
    return wide;
  }
  // Wide calls, so that files named outside the code page go too.
  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = fd.cFileName, full = dir + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full);
        } else {
          SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(full.c_str());
        }
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
  }
  std::string path_;
};

// Pumps the thread's messages for the given time.
inline void PumpMessages(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  MSG msg;
  while (int(end - GetTickCount()) > 0) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Writes a 24-bit bitmap file of one colour.
inline void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF colour) {
  int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = DWORD(stride * height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  std::string row(size_t(stride), '\0');
  for (int x = 0; x < width; ++x) {
    row[size_t(x * 3)] = char(GetBValue(colour));
    row[size_t(x * 3 + 1)] = char(GetGValue(colour));
    row[size_t(x * 3 + 2)] = char(GetRValue(colour));
  }
  for (int y = 0; y < height; ++y) bytes += row;
  TempFolder::Write(path, bytes);
}

// Reads one pixel of a window's client area from the window's own surface.
inline COLORREF WindowPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}
