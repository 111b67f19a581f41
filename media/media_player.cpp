#include "media/media_player.h"

#include <dshow.h>

#include <cstring>

#include "framework/handles.h"
#include "framework/wide_text.h"

namespace {

const LONGLONG kUnitsPerSecond = 10000000;  // media time: 100 ns units
const long kStateTimeoutMs = 100;
// The tick polls every 250 ms: a queued end of stream is taken at once
// without waiting, so polling costs nothing while a track plays.
const long kEventTimeoutMs = 0;

}  // namespace

long CMediaPlayer::LevelToHundredthsDb(int level) {
  if (level < 0) level = 0;
  if (level > 1000) level = 1000;
  return (level / 10 - 100) * 30L;
}

int CMediaPlayer::CreateGraph() {
  m_graph = nullptr;
  m_control = nullptr;
  m_seeking = nullptr;
  m_audio = nullptr;
  m_events = nullptr;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                   reinterpret_cast<void**>(&m_graph));
  if (!m_graph) return 0;
  // A failed query leaves its pointer null; every operation checks.
  m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control));
  m_graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_seeking));
  m_graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&m_events));
  m_graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m_audio));
  return 0;
}

void CMediaPlayer::ReleaseGraph() {
  // Pointers are cleared so that a second release (or one after a failed
  // CreateGraph) cannot give up a reference twice.
  ReleaseAndClear(m_control);
  ReleaseAndClear(m_graph);
  ReleaseAndClear(m_seeking);
  ReleaseAndClear(m_audio);
  ReleaseAndClear(m_events);
}

int CMediaPlayer::PlayFile(const char* path) {
  // Bytes that are not valid text in the system code page fail the
  // conversion as a whole: a path with a stand-in could name another file.
  std::wstring wide;
  if (!path || !Widen(path, strlen(path), CP_ACP, &wide, BadBytes::kFail)) wide.clear();
  return PlayFile(wide);
}

int CMediaPlayer::PlayFile(const std::wstring& path) {
  if (m_control) m_control->Stop();
  ReleaseGraph();
  CreateGraph();
  if (!m_graph) return -1;

  // The media service takes at most MAX_PATH - 1 characters: a cut path
  // could name some other file. A zero inside would cut it as well.
  if (path.empty() || path.size() >= MAX_PATH || path.find(L'\0') != std::wstring::npos) return -1;
  if (FAILED(m_graph->RenderFile(path.c_str(), nullptr))) return -1;

  // The new track starts at the user's level, not at the graph's full volume.
  if (m_audio) m_audio->put_Volume(LevelToHundredthsDb(m_level));
  LONGLONG duration = 0;
  if (m_seeking) {
    m_seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    m_seeking->GetDuration(&duration);
  }
  if (m_control) m_control->Run();
  return static_cast<int>(duration / kUnitsPerSecond);
}

int CMediaPlayer::GetPosition() {
  LONGLONG position = 0;
  if (m_seeking) m_seeking->GetCurrentPosition(&position);
  return static_cast<int>(position / kUnitsPerSecond);
}

CMediaPlayer::TrackEvent CMediaPlayer::PollEvent() {
  if (!m_events) return TrackEvent::None;
  long code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  // One event per call; any other event is consumed and ignored.
  if (FAILED(m_events->GetEvent(&code, &param1, &param2, kEventTimeoutMs))) return TrackEvent::None;
  m_events->FreeEventParams(code, param1, param2);
  switch (code) {
    case EC_COMPLETE:
      return TrackEvent::Complete;
    case EC_USERABORT:
    case EC_ERRORABORT:
    case EC_ERRORABORTEX:
      return TrackEvent::Aborted;
    default:
      return TrackEvent::None;
  }
}

void CMediaPlayer::StopAndRewind() {
  if (!m_control) return;
  OAFilterState state = State_Stopped;
  m_control->GetState(kStateTimeoutMs, &state);
  if (state == State_Stopped) return;
  m_control->Stop();
  if (m_seeking) {
    LONGLONG start = 0;
    m_seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                            AM_SEEKING_NoPositioning);
  }
}

void CMediaPlayer::TogglePause() {
  if (!m_control) return;
  OAFilterState state = State_Stopped;
  m_control->GetState(kStateTimeoutMs, &state);
  if (state == State_Paused)
    m_control->Run();
  else
    m_control->Pause();  // also from stopped: cues the track without playing
}

void CMediaPlayer::SetVolume(int level) {
  m_level = level;
  if (m_audio) m_audio->put_Volume(LevelToHundredthsDb(level));
}

void CMediaPlayer::SeekPercent(int percent, int durationSeconds) {
  if (!m_seeking) return;
  // 64-bit from the start: percent x seconds x 1000 overflows 32 bits for
  // tracks of about six hours.
  LONGLONG milliseconds = static_cast<LONGLONG>(percent) * durationSeconds * 1000 / 100;
  LONGLONG target = milliseconds * 10000;
  m_seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                          AM_SEEKING_NoPositioning);
}
