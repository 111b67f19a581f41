// The playback engine over the system's media graph.
#pragma once

class CMediaPlayer {
 public:
  virtual ~CMediaPlayer() = default;
  virtual void SetVolume(int level);
  virtual void StopAndRewind();
  virtual int CreateGraph();
  virtual void ReleaseGraph();
};
