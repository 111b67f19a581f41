// Long work through the libraries' entry points, with a window of the
// caller's own: the progress window shows, the caller's window keeps
// answering, 中止 stops the work cleanly; the silent switch shows nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/archivers/peers.h"

namespace {

typedef int(WINAPI* WorkEntry)(HWND, LPCSTR, LPSTR, DWORD);

const char kProgressClass[] = "TovixArchiverProgress";
const UINT kPing = WM_APP + 7;
std::atomic<bool> g_inWork{false};

// The caller's window answers a ping with whether the work is still running.
LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPing) return g_inWork ? 1 : 2;
  return DefWindowProcA(window, message, wParam, lParam);
}

int Work(const char* file, const char* entry, const std::string& command) {
  char exe[MAX_PATH];
  std::string folder(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
  folder.resize(folder.find_last_of('\\'));
  HMODULE library = LoadLibraryA((folder.substr(0, folder.find_last_of('\\') + 1) + file).c_str());
  WorkEntry work = reinterpret_cast<WorkEntry>(reinterpret_cast<void*>(GetProcAddress(library, entry)));
  std::vector<char> buffer(32768, 0);
  g_inWork = true;
  int result = work ? work(nullptr, command.c_str(), buffer.data(), 32767) : -1;
  g_inWork = false;
  FreeLibrary(library);
  return result;
}

// What a second thread of the caller sees while the work runs.
struct Seen {
  std::atomic<bool> workDone{false}, finished{false};
  bool window = false, ownDisabled = false, bar = false;
  LRESULT answer = 0;
  std::string archiveText;
};

void Watch(HWND own, bool cancel, Seen& seen) {
  HWND progress = nullptr;
  // Shown only once complete.
  while (!seen.workDone && !((progress = FindWindowA(kProgressClass, nullptr)) && IsWindowVisible(progress))) Sleep(1);
  seen.window = progress != nullptr;
  if (progress && cancel) {
    seen.ownDisabled = !IsWindowEnabled(own);
    seen.bar = FindWindowExA(progress, nullptr, "msctls_progress32", nullptr) != nullptr;
    char text[MAX_PATH] = "";
    GetWindowTextA(FindWindowExA(progress, nullptr, "Static", nullptr), text, MAX_PATH);
    seen.archiveText = text;
    seen.answer = SendMessageA(own, kPing, 0, 0);
    SendMessageA(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
  }
  seen.finished = true;
}

// Runs the work with the caller's window shown and a watcher beside it.
int Watched(HWND own, bool cancel, Seen& seen, const char* file, const char* entry, const std::string& command) {
  std::thread watcher(Watch, own, cancel, std::ref(seen));
  int result = Work(file, entry, command);
  seen.workDone = true;
  for (MSG msg; !seen.finished;)
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  watcher.join();
  return result;
}

bool Exists(const std::string& pattern) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  return find != INVALID_HANDLE_VALUE && FindClose(find);
}

class ProgressWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = peers::FreshFolder("progress");
    // 400 MB of zeros: one deflate block repeated, so the archive is made at once.
    peers::Result made = peers::Run(peers::UnixPath(folder_), R"(python3 - <<'EOF'
import zlib, struct
mb, z = 400, b'\0' * (1 << 20)
c = zlib.compressobj(9, zlib.DEFLATED, -15)
block, end, crc = c.compress(z) + c.flush(zlib.Z_FULL_FLUSH), c.flush(), 0
for i in range(mb): crc = zlib.crc32(z, crc)
size, csize, name = mb << 20, len(block) * mb + len(end), b'zeros.bin'
with open('big.zip', 'wb') as f:
    f.write(struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 8, 0, 0x21, crc, csize, size, 9, 0) + name)
    for i in range(mb): f.write(block)
    f.write(end)
    cd = f.tell()
    f.write(struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, 8, 0, 0x21, crc, csize, size, 9, 0, 0, 0, 0, 0, 0) + name)
    f.write(struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, f.tell() - cd, cd, 0))
EOF
truncate -s 2G source.bin && echo note > note.txt)");
    ASSERT_EQ(0, made.exitCode) << made.output;
    own_ = CreateWindowA("STATIC", "caller", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                         nullptr, nullptr);
    SetWindowLongPtrA(own_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnProc));
  }
  void TearDown() override {
    DestroyWindow(own_);
    peers::Run("/", "rm -rf " + peers::Quote(peers::UnixPath(folder_)));
  }
  std::string folder_;
  HWND own_ = nullptr;
};

TEST_F(ProgressWindow, ShowsKeepsTheCallerAnsweringAndCancelsCleanly) {
  // A small LZH archive with 2 GB after it: its self-extracting copy is long.
  ASSERT_EQ(0, Work("unlha32.dll", "Unlha", "a --silent \"" + folder_ + "\\big.lzh\" \"" + folder_ + "\\\" note.txt"));
  ASSERT_EQ(0, peers::Run(peers::UnixPath(folder_), "truncate -s 2G big.lzh").exitCode);
  const struct {
    const char *file, *entry, *archive;
    std::string command, leftover;
  } jobs[] = {
      {"unzip32.dll", "UnZip", "big.zip", "\"" + folder_ + "\\big.zip\" \"" + folder_ + "\\out\\\"", "\\out\\zeros.bin"},
      {"ZIP32J.DLL", "Zip", "packed.zip", "\"" + folder_ + "\\packed.zip\" \"" + folder_ + "\\\" source.bin", "\\packed*"},
      {"unlha32.dll", "Unlha", "big.lzh", "s \"" + folder_ + "\\big.lzh\" \"" + folder_ + "\\\"", "\\big.exe*"},
  };
  for (const auto& job : jobs) {
    SCOPED_TRACE(job.command);
    Seen seen;
    EXPECT_EQ(0x8010, Watched(own_, true, seen, job.file, job.entry, job.command));
    ASSERT_TRUE(seen.window);
    EXPECT_EQ(1, seen.answer);  // answered during the work, not after it
    EXPECT_TRUE(seen.ownDisabled && seen.bar) << seen.ownDisabled << seen.bar;
    EXPECT_NE(std::string::npos, seen.archiveText.find(job.archive)) << seen.archiveText;
    EXPECT_TRUE(IsWindowEnabled(own_));
    EXPECT_EQ(nullptr, FindWindowA(kProgressClass, nullptr));
    EXPECT_FALSE(Exists(folder_ + job.leftover));
  }
}

TEST_F(ProgressWindow, SilentSwitchShowsNothing) {
  Seen seen;
  std::string command = "--silent \"" + folder_ + "\\big.zip\" \"" + folder_ + "\\out\\\"";
  EXPECT_EQ(0, Watched(own_, false, seen, "unzip32.dll", "UnZip", command));
  EXPECT_FALSE(seen.window);
  WIN32_FILE_ATTRIBUTE_DATA out = {};
  GetFileAttributesExA((folder_ + "\\out\\zeros.bin").c_str(), GetFileExInfoStandard, &out);
  EXPECT_EQ(400u << 20, out.nFileSizeLow);
}

}  // namespace
