// The playback engine over the system's media graph (DirectShow): one audio
// file at a time, a fresh graph for every track.
//
// Units at the interface: whole seconds (truncated), seek targets in percent,
// volume as a level 0..1000 (1000 = full).
//
// COM must be initialised on the calling thread before CreateGraph. A graph
// still alive when COM goes crashes the process at exit, so an owner that
// uninitialises COM while the player lives calls ReleaseGraph first (the
// main window does); otherwise the destructor releases it.
#pragma once
#include <windows.h>

#include <string>

struct IGraphBuilder;
struct IMediaControl;
struct IMediaSeeking;
struct IBasicAudio;
struct IMediaEvent;

class CMediaPlayer {
 public:
  virtual ~CMediaPlayer() { CMediaPlayer::ReleaseGraph(); }
  // Seeks to percent (0..100) of a track of durationSeconds.
  virtual void SeekPercent(int percent, int durationSeconds);
  // 1000 -> 0 dB, 500 -> -15 dB, 0 -> -30 dB. The level is kept and applied
  // to every later track as well.
  virtual void SetVolume(int level);
  // What the graph reported since the last call, one event per call: the end
  // of the stream, or an abort (a decoder error, a lost audio device), after
  // which the graph has stopped and the track will never end by itself.
  enum class TrackEvent { None, Complete, Aborted };
  virtual TrackEvent PollEvent();
  // The track is over, either way.
  bool IsComplete() { return PollEvent() != TrackEvent::None; }
  virtual void TogglePause();
  virtual void StopAndRewind();
  // Position in whole seconds.
  virtual int GetPosition();
  virtual int CreateGraph();
  // Duration in whole seconds, or -1 when the file cannot be played (also a
  // path longer than the media service takes). The path goes to the media
  // service as it is: any name the file system holds.
  virtual int PlayFile(const std::wstring& path);
  // A path in the system code page; bytes that are no text there play nothing.
  int PlayFile(const char* path);
  virtual void ReleaseGraph();

  // The graph's volume in hundredths of a decibel for a level 0..1000.
  static long LevelToHundredthsDb(int level);

 protected:
  IGraphBuilder* m_graph = nullptr;
  IMediaControl* m_control = nullptr;
  IMediaSeeking* m_seeking = nullptr;
  IBasicAudio* m_audio = nullptr;
  IMediaEvent* m_events = nullptr;
  // The last level set, given to each new graph.
  int m_level = 1000;
};
