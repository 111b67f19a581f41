// The video window: a caption-less, always-on-top window that plays one video
// file in a media graph of its own, independent of the playlist's player.
//
// The picture fills the client area. A strip of controls (position, close,
// play, pause, stop, time, volume, file information) lies just below it and
// comes into view while the mouse is over the window, which then grows by
// the strip's height. The right button offers 200 %, 100 %, 50 % and full
// screen; Esc, a double click or the right button end full screen.
#pragma once
#include <string>

#include "framework/dialog.h"

struct IGraphBuilder;
struct IMediaControl;
struct IMediaSeeking;
struct IVideoWindow;
struct IBasicAudio;
struct IBasicVideo;

class CVideoDialog : public CDialog {
 public:
  CVideoDialog();
  ~CVideoDialog() override;

  // Closes the window that is open, if any, and opens a new one owned by
  // owner that plays path (named exactly as the file system names it) at
  // once. False when the window could not be created; a file that cannot be
  // played still opens the window, without a picture.
  bool Open(CWnd* owner, const std::wstring& path);
  // The same for a path in the system code page.
  bool Open(CWnd* owner, const char* path);
  // Closes the window and releases its graph.
  void Close();
  bool IsOpen() const { return m_hWnd != nullptr; }

  // What the window shows, for its owner and tests.
  int VideoWidth() const { return m_videoWidth; }
  int VideoHeight() const { return m_videoHeight; }
  int Duration() const { return m_duration; }
  bool StripShown() const { return m_stripShown; }
  bool HasVideo() const { return m_hasVideo; }
  bool IsFullScreen() const;
  // The frame allowance added to the picture size at every size command.
  static void FrameAllowance(int* cx, int* cy);
  // The picture's own window, or null.
  HWND PictureWindow() const;

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  BOOL OnInitDialog() override;
  // Enter and Esc never close the window; Esc ends full screen.
  void OnOK() override {}
  void OnCancel() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  int OpenVideo(const std::wstring& path);
  void ReleaseGraph();
  void FitTimeFont();
  void SetZoom(int percent);
  void SetFullScreen(bool on);
  void LayoutStrip(int clientW, int clientH);
  void ResizeBy(int dy);
  void OnTimer();
  void OnHScroll(HWND slider, int code);
  void OnButton(int id);
  void SeekTo(long long seconds);
  void ShowMenu();
  void OnDestroy();

 protected:
  // The graph's interfaces: the media service is the one to ask about its
  // state (it may leave full screen by itself).
  IGraphBuilder* m_graph = nullptr;
  IMediaControl* m_control = nullptr;
  IMediaSeeking* m_seeking = nullptr;
  IVideoWindow* m_window = nullptr;
  IBasicAudio* m_audio = nullptr;
  IBasicVideo* m_video = nullptr;

 private:

  std::wstring m_path;
  int m_videoWidth = 640;
  int m_videoHeight = 480;
  int m_duration = 0;
  bool m_ready = false;
  bool m_dragging = false;
  bool m_stripShown = false;
  bool m_hasVideo = false;
  bool m_timerRunning = false;
  HBITMAP m_glyphs[4] = {};
  HFONT m_timeFont = nullptr;
};
