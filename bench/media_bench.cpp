// 1,000 track changes in a row on the media engine, alternating two real
// files, with the process's private bytes at the 200th and the 1,000th
// change: every change must give the previous graph back. Side by side, the
// same 1,000 changes done with bare DirectShow calls show what the media
// stack itself keeps per graph, and a count of graphs whose last reference
// went away shows whether the engine leaked any. Last, 500 Forward and 500
// Back presses on the playlist as fast as messages go: the time the window's
// thread spends on them, the graphs they build and the private bytes.
#include <windows.h>
#include <commctrl.h>
#include <dshow.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/settings.h"
#include "framework/wide_text.h"
#include "media/media_player.h"
#include "media/playlist.h"
#include "resources/resource.h"
#include "tests/media/test_media.h"

namespace {

const int kChanges = 1000, kWarm = 200;


// Private bytes (the commit charge). Windows reports them twice, as
// PagefileUsage and PrivateUsage; Wine leaves PrivateUsage at 0 and gives the
// private memory in use (touched pages) as PagefileUsage, which a leak grows
// all the same.
SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(),
                       reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

double Mb(SIZE_T bytes) { return bytes / (1024.0 * 1024.0); }

// The program runs a message loop between tracks; so does the benchmark.
void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Counts the graphs whose last reference the engine gave up, and the tracks
// it was asked to play.
class CountingPlayer : public CMediaPlayer {
 public:
  using CMediaPlayer::PlayFile;
  int PlayFile(const std::wstring& path) override {
    ++built;
    return CMediaPlayer::PlayFile(path);
  }
  int built = 0;
  void ReleaseGraph() override {
    IGraphBuilder* graph = m_graph;
    if (graph) graph->AddRef();
    CMediaPlayer::ReleaseGraph();
    if (graph && graph->Release() == 0) ++freed;
  }
  int freed = 0;
};

// The same track change with bare DirectShow calls, the same ones the engine
// makes: a fresh graph and its four interfaces, render, duration, volume,
// run; the previous graph stopped and released. What this grows by is the
// media stack's own, not the engine's.
class BareGraph {
 public:
  ~BareGraph() { Release(); }
  bool Play(const std::string& path) {
    if (control_) control_->Stop();
    Release();
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     reinterpret_cast<void**>(&graph_));
    if (!graph_) return false;
    graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
    graph_->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking_));
    graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events_));
    graph_->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio_));
    if (FAILED(graph_->RenderFile(Widen(path, CP_ACP).c_str(), nullptr)) || !control_) return false;
    LONGLONG duration = 0;
    if (seeking_) {
      seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
      seeking_->GetDuration(&duration);
    }
    if (audio_) audio_->put_Volume(0);
    control_->Run();
    return true;
  }

 private:
  template <class T>
  static void Drop(T*& p) {
    if (p) p->Release();
    p = nullptr;
  }
  void Release() {
    Drop(control_);
    Drop(graph_);
    Drop(seeking_);
    Drop(audio_);
    Drop(events_);
  }
  IGraphBuilder* graph_ = nullptr;
  IMediaControl* control_ = nullptr;
  IMediaSeeking* seeking_ = nullptr;
  IBasicAudio* audio_ = nullptr;
  IMediaEvent* events_ = nullptr;
};

struct Run {
  SIZE_T atWarm = 0, atEnd = 0;
  double msEach = 0;
  bool ok = true;
};

Run Changes(const std::string files[2], const std::function<bool(const std::string&)>& play) {
  Run run;
  auto start = std::chrono::steady_clock::now();
  for (int change = 1; change <= kChanges; ++change) {
    if (!play(files[change % 2])) {
      printf("change %d: %s did not play\n", change, files[change % 2].c_str());
      run.ok = false;
      return run;
    }
    PumpMessages();
    if (change == kWarm) run.atWarm = PrivateBytes();
    if (change == kChanges) run.atEnd = PrivateBytes();
  }
  run.msEach = std::chrono::duration<double, std::milli>(
                   std::chrono::steady_clock::now() - start).count() / kChanges;
  return run;
}

void Print(const char* what, const Run& run) {
  printf("%s: %.1f ms a change, private bytes %.2f MB at change %d, %.2f MB at %d: "
         "growth %.2f MB\n",
         what, run.msEach, Mb(run.atWarm), kWarm, Mb(run.atEnd), kChanges,
         Mb(run.atEnd) - Mb(run.atWarm));
}

// 1,000 presses, Forward and Back in turn, in bursts of 100 with the
// messages between them run as the program's loop would; then the wait until
// the chosen track plays.
struct Presses {
  double busyMs = 0, settleMs = 0;
  int built = 0;
  SIZE_T before = 0, after = 0;
};

Presses PressForwardAndBack(const std::string files[2]) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  AppSettings.Volume = 0;
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 220, 198, nullptr, nullptr,
                                nullptr, nullptr);
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 69, 190, 108, window,
                              HMENU(IDC_PLAYLIST), nullptr, nullptr);
  CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD, 149, 179, 49, 16, window, HMENU(IDC_POSITION), nullptr,
                  nullptr);
  PreparePlaylistControl(list);
  for (int i = 0; i < 10; ++i) AddTrack(list, files[i % 2].c_str());
  Presses run;
  CountingPlayer player;
  player.CreateGraph();
  PlaylistCommand(window, player, IDC_PLAY);
  PumpMessages();
  run.before = PrivateBytes();
  int builtBefore = player.built;
  double busy = 0;
  for (int burst = 0; burst < 10; ++burst) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) PlaylistCommand(window, player, i % 2 ? IDC_BACK : IDC_FORWARD);
    busy += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    PumpMessages();
  }
  auto start = std::chrono::steady_clock::now();
  while (PlaylistState.movePending && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpMessages();
  }
  run.settleMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.busyMs = busy;
  run.built = player.built - builtBefore;
  run.after = PrivateBytes();
  StopPlayback(list, player);
  player.ReleaseGraph();
  DestroyWindow(window);
  return run;
}

}  // namespace

int main() {
  std::string folder = MediaFolder();
  if (folder.empty()) {
    printf("TOVIX_TEST_MEDIA must name the folder made by scripts/make-test-media.sh\n");
    return 2;
  }
  const std::string files[2] = {folder + "\\tone_1500ms.mp3", folder + "\\tone_1500ms.ogg"};

  CoInitialize(nullptr);
  CountingPlayer player;
  player.CreateGraph();
  player.SetVolume(0);
  Run engine = Changes(files, [&](const std::string& path) {
    bool played = player.PlayFile(path.c_str()) >= 0;
    player.IsComplete();
    return played;
  });
  player.ReleaseGraph();
  Run bare;
  if (engine.ok) {
    BareGraph graph;
    bare = Changes(files, [&](const std::string& path) { return graph.Play(path); });
  }
  Presses presses = PressForwardAndBack(files);
  CoUninitialize();
  if (!engine.ok || !bare.ok) return 1;

  Print("media engine       ", engine);
  Print("bare DirectShow    ", bare);
  printf("graphs freed by the engine: %d of %d\n", player.freed, kChanges + 1);
  printf("engine growth over %d changes: %.2f MB (target < 5), %.2f MB above bare DirectShow\n",
         kChanges - kWarm, Mb(engine.atEnd) - Mb(engine.atWarm),
         (Mb(engine.atEnd) - Mb(engine.atWarm)) - (Mb(bare.atEnd) - Mb(bare.atWarm)));
  printf("1,000 Forward/Back presses: %.1f ms on the window's thread, %d graph(s) built, the chosen track "
         "playing %.0f ms after the last press; private bytes %.2f MB before, %.2f MB after: growth %.2f MB\n",
         presses.busyMs, presses.built, presses.settleMs, Mb(presses.before), Mb(presses.after),
         Mb(presses.after) - Mb(presses.before));
  return 0;
}
