#include "media/video_dialog.h"

#include <commctrl.h>
#include <dshow.h>

#include "resources/resource.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "framework/window_tools.h"
#include "framework/wide_text.h"
#include "media/video_layout.h"

namespace {

constexpr UINT_PTR kVideoTimer = 100;
constexpr UINT kVideoTimerMs = 500;
constexpr LONGLONG kUnitsPerSecond = 10000000;

// The four button pictures, drawn here: a cross, a right-pointing triangle,
// two vertical bars, a square.
enum Glyph { kCross, kTriangle, kBars, kSquare };
HBITMAP MakeGlyph(Glyph glyph) {
  const int n = 12;
  CWindowDC screen(nullptr);
  CMemoryDC dc(screen);
  CGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, n, n));
  if (!dc || !bitmap) return nullptr;
  {
    CSelectObject selectedBitmap(dc, bitmap);
    RECT all = {0, 0, n, n};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    CGdiObject<HBRUSH> ink(CreateSolidBrush(RGB(0, 0, 0)));
    CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, RGB(0, 0, 0)));
    CSelectObject selectedBrush(dc, ink);
    CSelectObject selectedPen(dc, GetStockObject(NULL_PEN));
    switch (glyph) {
      case kCross:
        SelectObject(dc, pen);
        MoveToEx(dc, 2, 2, nullptr);
        LineTo(dc, n - 2, n - 2);
        MoveToEx(dc, n - 3, 2, nullptr);
        LineTo(dc, 1, n - 2);
        break;
      case kTriangle: {
        POINT points[] = {{3, 1}, {3, n - 1}, {n - 2, n / 2}};
        Polygon(dc, points, 3);
        break;
      }
      case kBars: {
        RECT left = {2, 2, 5, n - 2}, right = {7, 2, 10, n - 2};
        FillRect(dc, &left, ink);
        FillRect(dc, &right, ink);
        break;
      }
      case kSquare: {
        RECT square = {2, 2, n - 2, n - 2};
        FillRect(dc, &square, ink);
        break;
      }
    }
  }
  return bitmap.Detach();
}

// The information text with the file's name exactly as the file system names it.
std::wstring InfoText(int width, int height, double secondsPerFrame, const std::wstring& path) {
  char numbers[64];
  video::FormatInfo(numbers, sizeof numbers, width, height, secondsPerFrame, "");
  size_t slash = path.find_last_of(L"\\/");
  return Widen(numbers, CP_ACP) + (slash == std::wstring::npos ? path : path.substr(slash + 1));
}

// The information text shows the file's real name: the dialog's controls are
// Unicode windows. A text the system code page holds goes the 8-bit way, which
// every system has.
void SetInfoText(HWND control, const std::wstring& text) {
  std::string narrow;
  if (NarrowExact(text, CP_ACP, &narrow))
    SetWindowTextA(control, narrow.c_str());
  else
    SetWindowTextW(control, text.c_str());
}

// Whether the first pin of a filter is connected.
bool InputConnected(IBaseFilter* filter) {
  CComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Out())) || !pins) return false;
  CComPtr<IPin> pin, peer;
  return pins->Next(1, pin.Out(), nullptr) == S_OK && pin && SUCCEEDED(pin->ConnectedTo(peer.Out())) && peer;
}

}  // namespace

CVideoDialog::CVideoDialog() : CDialog(IDD_VIDEO) { m_keysNeverClose = true; }

CVideoDialog::~CVideoDialog() {
  // The destruction must reach OnDestroy while this object is whole.
  Close();
}

bool CVideoDialog::Open(CWnd* owner, const std::wstring& path) {
  Close();
  m_path = path;
  return Create(IDD_VIDEO, owner ? owner->m_hWnd : nullptr) && m_hWnd;
}

bool CVideoDialog::Open(CWnd* owner, const char* path) {
  return Open(owner, path ? Widen(path, CP_ACP) : std::wstring());
}

void CVideoDialog::Close() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CVideoDialog::FrameAllowance(int* cx, int* cy) {
  *cx = GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXDLGFRAME) + GetSystemMetrics(SM_CXBORDER);
  *cy = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYBORDER);
}

BOOL CVideoDialog::OnInitDialog() {
  static const struct {
    int id;
    Glyph glyph;
  } buttons[] = {{IDC_VIDEO_CLOSE, kCross}, {IDC_VIDEO_PLAY, kTriangle},
                 {IDC_VIDEO_PAUSE, kBars}, {IDC_VIDEO_STOP, kSquare}};
  for (int i = 0; i < 4; ++i) {
    m_glyphs[i] = MakeGlyph(buttons[i].glyph);
    SendDlgItemMessageA(m_hWnd, buttons[i].id, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(m_glyphs[i]));
  }
  FitTimeFont();
  m_stripShown = false;
  m_dragging = false;
  m_videoWidth = 640;
  m_videoHeight = 480;
  m_duration = 0;
  OpenVideo(m_path);
  m_ready = true;
  SetZoom(100);
  return TRUE;
}

// The time display has a fixed 110 pixels. Where the window's font sets the
// digits wider than the font the layout was made for (Wine's replacement for
// the Japanese UI font does), a narrower face keeps the text whole.
void CVideoDialog::FitTimeFont() {
  HWND time = GetDlgItem(IDC_VIDEO_TIME);
  const char sample[] = "00:00:00 / 00:00:00";
  const int width = video::StripPlaceOf(IDC_VIDEO_TIME).width;
  CWindowDC dc(time);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(time, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32A(dc, sample, lstrlenA(sample), &extent);
  // The largest narrower face that fits.
  for (int height = 12; extent.cx > width && height >= 8; --height) {
    SelectObject(dc, old);  // a selected font cannot be deleted
    if (m_timeFont) DeleteObject(m_timeFont);
    m_timeFont = CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             VARIABLE_PITCH | FF_SWISS, "Tahoma");
    if (!m_timeFont) break;
    SelectObject(dc, m_timeFont);
    GetTextExtentPoint32A(dc, sample, lstrlenA(sample), &extent);
  }
  if (m_timeFont) SendMessageA(time, WM_SETFONT, reinterpret_cast<WPARAM>(m_timeFont), FALSE);
  SelectObject(dc, old);
}

void CVideoDialog::ReleaseGraph() {
  ReleaseAndClear(m_control);
  ReleaseAndClear(m_graph);
  ReleaseAndClear(m_seeking);
  ReleaseAndClear(m_window);
  ReleaseAndClear(m_audio);
  ReleaseAndClear(m_video);
  m_hasVideo = false;
}

// Builds the graph for path, attaches its picture to this window and starts
// it. 1 on success, 0 where it stopped.
int CVideoDialog::OpenVideo(const std::wstring& path) {
  ReleaseGraph();
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&m_graph))))
    return 0;
  if (FAILED(m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control))) ||
      FAILED(m_graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_seeking))) ||
      FAILED(m_graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&m_window))) ||
      FAILED(m_graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&m_video))) ||
      FAILED(m_graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&m_audio))))
    return 0;

  // The classic renderer draws into a window owned by ours everywhere; the
  // one RenderFile would pick draws nothing there under Wine.
  CComPtr<IBaseFilter> renderer;
  if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                 renderer.OutVoid())) &&
      FAILED(m_graph->AddFilter(renderer.Get(), L"Video Renderer")))
    renderer.Reset();

  // The media service takes at most MAX_PATH - 1 characters.
  if (path.size() >= MAX_PATH || FAILED(m_graph->RenderFile(path.c_str(), nullptr))) return 0;
  // A file without a picture leaves the renderer unconnected; asking such a
  // graph for the video size is not safe.
  if (renderer) {
    m_hasVideo = InputConnected(renderer.Get());
    if (!m_hasVideo) m_graph->RemoveFilter(renderer.Get());
    renderer.Reset();
  }

  m_window->put_Owner(reinterpret_cast<OAHWND>(m_hWnd));
  m_window->put_MessageDrain(reinterpret_cast<OAHWND>(m_hWnd));
  m_window->put_WindowStyle(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  m_window->put_WindowStyleEx(WS_EX_TOPMOST);

  if (m_hasVideo) {
    long width = 0, height = 0;
    if (SUCCEEDED(m_video->GetVideoSize(&width, &height)) && width > 0 && height > 0) {
      m_videoWidth = int(width);
      m_videoHeight = int(height);
    }
    m_window->SetWindowPosition(0, 0, m_videoWidth, m_videoHeight);
  }

  m_seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  LONGLONG duration = 0;
  if (SUCCEEDED(m_seeking->GetDuration(&duration))) m_duration = int(duration / kUnitsPerSecond);

  char text[64];
  video::FormatTime(text, sizeof text, 0, m_duration);
  SetDlgItemTextA(m_hWnd, IDC_VIDEO_TIME, text);

  HWND position = GetDlgItem(IDC_VIDEO_POSITION);
  SendMessageA(position, TBM_SETRANGE, TRUE, MAKELPARAM(0, video::kPositionRange));
  SendMessageA(position, TBM_SETPOS, TRUE, 0);
  HWND volumeSlider = GetDlgItem(IDC_VIDEO_VOLUME);
  SendMessageA(volumeSlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  long volume = 0;
  if (SUCCEEDED(m_audio->get_Volume(&volume)))
    SendMessageA(volumeSlider, TBM_SETPOS, TRUE, video::SliderFromGraphVolume(volume));

  REFTIME secondsPerFrame = 0;
  if (m_hasVideo) m_video->get_AvgTimePerFrame(&secondsPerFrame);
  SetInfoText(GetDlgItem(IDC_VIDEO_INFO), InfoText(m_videoWidth, m_videoHeight, secondsPerFrame, path));

  m_control->Run();
  m_timerRunning = SetTimer(m_hWnd, kVideoTimer, kVideoTimerMs, nullptr) != 0;
  return 1;
}

HWND CVideoDialog::PictureWindow() const {
  if (!m_hWnd) return nullptr;
  // The renderer's window is the one child that is not a control of the strip.
  for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    bool control = false;
    for (const video::StripPlace& place : video::kStrip) control |= GetDlgCtrlID(child) == place.id;
    if (!control) return child;
  }
  return nullptr;
}

bool CVideoDialog::IsFullScreen() const {
  if (!m_window || !m_hasVideo) return false;
  long mode = OAFALSE;
  return SUCCEEDED(m_window->get_FullScreenMode(&mode)) && mode != OAFALSE;
}

// The size for a zoom, held to the work area of the monitor the window is
// on; the window moves only as far as it must to stay inside it with its
// strip.
void CVideoDialog::SetZoom(int percent) {
  if (!m_hWnd) return;
  video::Size frame;
  FrameAllowance(&frame.cx, &frame.cy);
  RECT now, area;
  GetWindowRect(m_hWnd, &now);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
    area = monitor.rcWork;
  else
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  video::Rect work = {area.left, area.top, area.right - area.left, area.bottom - area.top};
  video::Size size =
      video::FittedWindowSize(percent, m_videoWidth, m_videoHeight, frame, {work.width, work.height});
  video::Rect place = video::PlaceInside(now.left, now.top, size, work);
  SetWindowPos(m_hWnd, HWND_TOPMOST, place.x, place.y, size.cx, size.cy, SWP_SHOWWINDOW);
}

void CVideoDialog::SetFullScreen(bool on) {
  // Without a picture there is nothing to show full screen.
  if (!m_window || !m_hasVideo || IsFullScreen() == on) return;
  m_window->put_FullScreenMode(on ? OATRUE : OAFALSE);
  if (!on) {
    // Back in the window: the picture fills the client area again.
    RECT client;
    GetClientRect(m_hWnd, &client);
    LayoutStrip(client.right, client.bottom);
  }
}

// The picture fills the client area; the strip lies just below it.
void CVideoDialog::LayoutStrip(int clientW, int clientH) {
  m_stripShown = false;
  if (m_window && m_hasVideo) {
    m_window->put_Width(clientW);
    m_window->put_Height(clientH);
  }
  for (const video::StripPlace& place : video::kStrip) {
    video::Rect r = video::PlaceOf(place, clientW, clientH);
    SetWindowPos(GetDlgItem(place.id), nullptr, r.x, r.y, r.width, r.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// Grows or shrinks the window without arranging it again, so that the
// picture keeps its height and the strip comes into view or goes.
void CVideoDialog::ResizeBy(int dy) {
  RECT r;
  GetWindowRect(m_hWnd, &r);
  m_ready = false;
  SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, r.right - r.left, r.bottom - r.top + dy, SWP_NOMOVE);
  m_ready = true;
}

void CVideoDialog::OnTimer() {
  if (m_seeking) {
    LONGLONG now = 0;
    int position = SUCCEEDED(m_seeking->GetCurrentPosition(&now)) ? int(now / kUnitsPerSecond) : 0;
    char text[64];
    video::FormatTime(text, sizeof text, position, m_duration);
    SetDlgItemTextA(m_hWnd, IDC_VIDEO_TIME, text);
    if (!m_dragging)
      SendDlgItemMessageA(m_hWnd, IDC_VIDEO_POSITION, TBM_SETPOS, TRUE,
                          video::SliderFromPosition(position, m_duration));
  }
  if (m_stripShown) {
    POINT cursor;
    RECT r;
    GetCursorPos(&cursor);
    GetWindowRect(m_hWnd, &r);
    if (video::CursorOutside(r.left, r.top, r.right, r.bottom, cursor.x, cursor.y)) {
      m_stripShown = false;
      ResizeBy(-video::kStripHeight);
    }
  }
}

void CVideoDialog::OnHScroll(HWND slider, int code) {
  int id = GetDlgCtrlID(slider);
  int pos = int(SendMessageA(slider, TBM_GETPOS, 0, 0));
  if (id == IDC_VIDEO_POSITION) {
    if (code == TB_THUMBTRACK) {
      m_dragging = true;
    } else if (code == TB_ENDTRACK) {
      SeekTo(video::SecondsFromSlider(pos, m_duration));
      m_dragging = false;
    }
  } else if (id == IDC_VIDEO_VOLUME && code == TB_ENDTRACK) {
    if (m_audio) m_audio->put_Volume(video::GraphVolumeFromSlider(pos));
  }
}

// Moves to an absolute position, the stop position untouched, keeping the
// play state. The graph is stopped for the move: under Wine, a graph moved
// while it runs or pauses with a sound track never stops again afterwards.
void CVideoDialog::SeekTo(long long seconds) {
  if (!m_seeking || !m_control) return;
  OAFilterState state = State_Stopped;
  m_control->GetState(100, &state);
  if (state != State_Stopped) m_control->Stop();
  LONGLONG target = seconds * kUnitsPerSecond;
  m_seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  if (state == State_Running)
    m_control->Run();
  else if (state == State_Paused)
    m_control->Pause();
}

void CVideoDialog::OnButton(int id) {
  if (id == IDC_VIDEO_CLOSE) {
    Close();
    return;
  }
  if (!m_control) return;
  OAFilterState state = State_Stopped;
  m_control->GetState(100, &state);
  if (id == IDC_VIDEO_PLAY && state != State_Running) {
    m_control->Run();
  } else if (id == IDC_VIDEO_PAUSE && state != State_Paused) {
    m_control->Pause();
  } else if (id == IDC_VIDEO_STOP && state != State_Stopped) {
    m_control->Stop();
    SeekTo(0);
  }
}

void CVideoDialog::ShowMenu() {
  HMENU menu = LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_VIDEO_MENU));
  if (!menu) return;
  POINT cursor;
  GetCursorPos(&cursor);
  SetForegroundWindow(m_hWnd);
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd,
                 nullptr);
  // Lets the menu close properly when the user clicks elsewhere.
  PostMessageA(m_hWnd, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

void CVideoDialog::OnCancel() { SetFullScreen(false); }

BOOL CVideoDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) SetFullScreen(false);
  return CDialog::PreTranslateMessage(msg);
}

void CVideoDialog::OnDestroy() {
  m_ready = false;
  if (m_timerRunning) KillTimer(m_hWnd, kVideoTimer);
  m_timerRunning = false;
  if (IsFullScreen()) m_window->put_FullScreenMode(OAFALSE);
  if (m_control) m_control->Stop();
  if (m_window) {
    m_window->put_Visible(OAFALSE);
    m_window->put_Owner(0);
    m_window->put_MessageDrain(0);
  }
  ReleaseGraph();
  if (m_timeFont) {
    SendDlgItemMessageA(m_hWnd, IDC_VIDEO_TIME, WM_SETFONT, 0, FALSE);
    DeleteObject(m_timeFont);
  }
  m_timeFont = nullptr;
  for (HBITMAP& glyph : m_glyphs) {
    if (glyph) DeleteObject(glyph);
    glyph = nullptr;
  }
  m_stripShown = false;
  m_dragging = false;
}

LRESULT CVideoDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN: {
      if (IsFullScreen()) return 0;
      // Dragging the body moves the whole window.
      POINT cursor;
      GetCursorPos(&cursor);
      DragBySurface(m_hWnd, cursor);
      if (m_window)
        m_window->NotifyOwnerMessage(reinterpret_cast<OAHWND>(m_hWnd), msg, wParam, lParam);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      SetFullScreen(!IsFullScreen());
      return 0;
    case WM_RBUTTONDOWN:
      if (IsFullScreen())
        SetFullScreen(false);
      else
        ShowMenu();
      return 0;
    case WM_KEYDOWN:
      // Keys of the picture arrive here through the message drain.
      if (wParam == VK_ESCAPE) SetFullScreen(false);
      if (wParam == VK_ESCAPE || wParam == VK_RETURN) return 0;
      break;
    case WM_MOUSEMOVE:
      if (!m_stripShown && m_ready && !IsFullScreen()) {
        m_stripShown = true;
        ResizeBy(video::kStripHeight);
      }
      return 0;
    case WM_SIZE:
      if (m_ready && wParam != SIZE_MINIMIZED) LayoutStrip(LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_TIMER:
      if (wParam == kVideoTimer) {
        OnTimer();
        return 0;
      }
      break;
    case WM_HSCROLL:
      if (lParam) OnHScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_VIDEO_CLOSE:
        case IDC_VIDEO_PLAY:
        case IDC_VIDEO_PAUSE:
        case IDC_VIDEO_STOP:
          if (HIWORD(wParam) == BN_CLICKED) OnButton(LOWORD(wParam));
          return 0;
        case IDM_VIDEO_200:
          SetZoom(200);
          return 0;
        case IDM_VIDEO_100:
          SetZoom(100);
          return 0;
        case IDM_VIDEO_50:
          SetZoom(50);
          return 0;
        case IDM_VIDEO_FULL_SCREEN:
          SetFullScreen(true);
          return 0;
      }
      break;
    case WM_CLOSE:
      // Alt+F4 closes; Esc, which the dialog manager turns into a cancel, does not.
      Close();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}
