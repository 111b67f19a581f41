// The progress window of a long work entry. The libraries work on the
// caller's thread: after half a second of work a small window shows the
// archive, the current file, a bar and 中止, and from then on the caller's
// messages are pumped while the work goes on, so that its windows keep
// painting and answering. Like a modal window it disables the caller's
// windows meanwhile: nothing can re-enter the library.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archivers/core/io.h"

namespace arc {

// The switch, taken by every library, that keeps the work silent: no
// window, no messages pumped.
extern const char kSilentSwitch[];

// Who called the work entry, and whether the work may show itself.
struct Caller {
  HWND owner = nullptr;  // null is the normal case
  bool silent = false;
};

class WorkProgress {
 public:
  WorkProgress() = default;
  ~WorkProgress() { Close(); }
  WorkProgress(const WorkProgress&) = delete;
  WorkProgress& operator=(const WorkProgress&) = delete;

  // Starts the clock of one job; `title` is the window's caption, `archive`
  // a path in the caller's code page (caller_text.h).
  void Start(const Caller& caller, const wchar_t* title, const std::string& archive);
  // The file being worked on now.
  void SetFile(const std::wstring& name);
  // `done` of `total` (any unit, total 0 when unknown). Shows the window once
  // the job has run long enough, and pumps messages; false once cancelled.
  bool Step(uint64_t done, uint64_t total);
  // The same between steps, the bar unchanged.
  bool Pulse() { return Step(done_, total_); }
  bool Cancelled() const { return cancelled_; }
  // Closes the window and gives the caller its windows back.
  void Close();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static BOOL CALLBACK DisableOne(HWND window, LPARAM self);
  bool Show();
  void Pump();
  void Refresh();

  bool started_ = false;
  bool shown_ = false;
  bool cancelled_ = false;
  Caller caller_;
  std::wstring title_;
  std::wstring archive_;
  std::wstring file_;
  bool fileChanged_ = false;
  uint64_t done_ = 0;
  uint64_t total_ = 0;
  int shownPosition_ = -1;
  DWORD startTick_ = 0;
  DWORD lastPump_ = 0;
  HWND window_ = nullptr;
  HWND fileLabel_ = nullptr;
  HWND bar_ = nullptr;
  HMODULE controls_ = nullptr;
  std::vector<HWND> disabled_;
  bool quit_ = false;
  WPARAM quitCode_ = 0;
};

// A file read for packing, counted for the bar; it reads no more, and
// reports a failure, once the user has cancelled.
class CountedStream : public Stream {
 public:
  CountedStream(Stream& inner, WorkProgress& progress, uint64_t total)
      : inner_(inner), progress_(progress), total_(total) {}
  size_t Read(void* buffer, size_t n) override {
    if (!progress_.Step(done_, total_)) return 0;
    size_t got = inner_.Read(buffer, n);
    done_ += got;
    return got;
  }
  bool Failed() const override { return inner_.Failed() || progress_.Cancelled(); }

 private:
  Stream& inner_;
  WorkProgress& progress_;
  uint64_t total_;
  uint64_t done_ = 0;
};

// An output counted for the bar; a write fails once the user has cancelled.
class CountedOutput : public Output {
 public:
  CountedOutput(Output& inner, WorkProgress& progress, uint64_t total)
      : inner_(inner), progress_(progress), total_(total) {}
  bool Write(const void* data, size_t n) override {
    return inner_.Write(data, n) && progress_.Step(inner_.Position(), total_);
  }
  uint64_t Position() const override { return inner_.Position(); }
  bool WriteAt(uint64_t offset, const void* data, size_t n) override { return inner_.WriteAt(offset, data, n); }

 private:
  Output& inner_;
  WorkProgress& progress_;
  uint64_t total_;
};

}  // namespace arc
