// The video window against the real media stack on the display: sizes,
// texts, the control strip under the real mouse, replacement, full screen,
// and a picture that really shows.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/wide_text.h"
#include "media/video_dialog.h"
#include "media/video_layout.h"
#include "resources/resource.h"
#include "tests/media/test_media.h"
#include "tests/support/pump.h"
#include "tests/test_files.h"

#include <dshow.h>  // after the framework: it defines SubclassWindow

namespace {

// ---- Pure parts ----

TEST(VideoLayout, TimeText) {
  struct {
    int position, duration;
    const char* text;
  } cases[] = {
      {0, 3725, "00:00:00 / 01:02:05"},
      {61, 3725, "00:01:01 / 01:02:05"},
      {3599, 7200, "00:59:59 / 02:00:00"},
      {0, 0, "00:00:00 / 00:00:00"},
  };
  for (const auto& c : cases) {
    char text[64];
    video::FormatTime(text, sizeof text, c.position, c.duration);
    EXPECT_STREQ(c.text, text) << c.position << " of " << c.duration;
  }
}

TEST(VideoLayout, WindowSizes) {
  const video::Size frame = {6, 7};
  struct {
    int percent, w, h;
  } cases[] = {{200, 646, 487}, {100, 326, 247}, {50, 166, 127}};
  for (const auto& c : cases) {
    video::Size s = video::WindowSizeFor(c.percent, 320, 240, frame);
    EXPECT_EQ(c.w, s.cx) << c.percent;
    EXPECT_EQ(c.h, s.cy) << c.percent;
  }
  // Odd sizes halve by integer division.
  EXPECT_EQ(6 + 160, video::WindowSizeFor(50, 321, 241, frame).cx);
  EXPECT_EQ(7 + 120, video::WindowSizeFor(50, 321, 241, frame).cy);
}

TEST(VideoLayout, WindowFitsTheWorkAreaWithItsStrip) {
  const video::Size frame = {6, 7}, screen = {1024, 768};
  struct {
    int percent, w, h, cx, cy;
  } cases[] = {
      {100, 320, 240, 326, 247},     // fits: as it is
      {100, 8000, 8000, 712, 713},   // 768 - 7 - 55 = 706 high, square
      {200, 640, 480, 947, 713},     // 1280 x 960 down to 941 x 706
      {50, 4000, 100, 1024, 32},     // wide: the width limits
      {100, 1018, 706, 1024, 713},   // exactly the room there is
  };
  for (const auto& c : cases) {
    video::Size s = video::FittedWindowSize(c.percent, c.w, c.h, frame, screen);
    EXPECT_EQ(c.cx * 10000 + c.cy, s.cx * 10000 + s.cy) << c.w << "x" << c.h << " at " << c.percent;
  }
  struct {
    int x, y, placeX, placeY;
  } places[] = {{100, 100, 100, 100}, {900, 600, 698, 466}, {-50, 0, 0, 30}};
  for (const auto& p : places) {
    video::Rect r = video::PlaceInside(p.x, p.y, {326, 247}, {0, 30, 1024, 738});
    EXPECT_EQ(p.placeX * 10000 + p.placeY, r.x * 10000 + r.y) << p.x << "," << p.y;
  }
}

TEST(VideoLayout, StripLiesBelowThePictureIn55Pixels) {
  int bottom = 0;
  for (const video::StripPlace& p : video::kStrip) {
    video::Rect r = video::PlaceOf(p, 300, 200);
    EXPECT_GT(r.y, 200) << p.id;
    if (p.width < 0) {
      EXPECT_EQ(300, r.width) << p.id;
    }
    bottom = r.y + r.height > bottom ? r.y + r.height : bottom;
  }
  EXPECT_EQ(200 + video::kStripHeight, bottom);
  EXPECT_EQ(110, video::StripPlaceOf(1068).width);
  EXPECT_EQ(220, video::StripPlaceOf(1066).x);
}

TEST(VideoLayout, Scales) {
  struct {
    int slider;
    long volume;
  } volumes[] = {{100, 0}, {50, -1500}, {0, -3000}};
  for (const auto& v : volumes) EXPECT_EQ(v.volume, video::GraphVolumeFromSlider(v.slider));
  EXPECT_EQ(100, video::SliderFromGraphVolume(0));
  EXPECT_EQ(70, video::SliderFromGraphVolume(-3000));
  EXPECT_EQ(100, video::SliderFromPosition(30, 60));
  EXPECT_EQ(0, video::SliderFromPosition(30, 0));
  EXPECT_EQ(1862, video::SecondsFromSlider(100, 3725));
}

TEST(VideoLayout, CursorOnTheEdgeIsInside) {
  struct {
    int x, y;
    bool outside;
  } cases[] = {{10, 10, false}, {100, 50, false}, {50, 30, false},
               {9, 30, true},   {101, 30, true},  {50, 51, true}};
  for (const auto& c : cases)
    EXPECT_EQ(c.outside, video::CursorOutside(10, 10, 100, 50, c.x, c.y)) << c.x << "," << c.y;
}

TEST(VideoLayout, FileNameAndInformation) {
  // 表 is 95 5C in code page 932: its second byte is no separator.
  EXPECT_STREQ("\x95\x5C.avi", video::FileNameOf("C:\\movies\\\x95\x5C.avi"));
  EXPECT_STREQ("a.avi", video::FileNameOf("a.avi"));
  char info[128];
  video::FormatInfo(info, sizeof info, 320, 240, 0.04, "Z:\\m\\clip.avi");
  EXPECT_STREQ(" 320×240／25.00／clip.avi", info);
  video::FormatInfo(info, sizeof info, 640, 480, 0, "clip.avi");
  EXPECT_STREQ(" 640×480／0.00／clip.avi", info);
}

// ---- The window on the display ----

SIZE WindowSize(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

std::string Text(HWND dialog, int id) {
  char text[512] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// A place on the screen no window of these tests covers.
void MouseAway() { SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2); }

class VideoWindow : public testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override {
    std::string folder = MediaFolder();
    ASSERT_FALSE(folder.empty()) << "TOVIX_TEST_MEDIA is not set: run through scripts/test.sh, or set "
                                    "it to the folder scripts/make-test-media.sh fills";
    first_ = folder + "\\video320.avi";
    second_ = folder + "\\video320b.avi";
    for (const std::string* path : {&first_, &second_})
      ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path->c_str()))
          << *path << " is missing: scripts/make-test-media.sh makes it";
    MouseAway();
    FrameAllowance();
  }
  void TearDown() override {
    video_.Close();
    MouseAway();
  }

  void FrameAllowance() {
    int cx = 0, cy = 0;
    CVideoDialog::FrameAllowance(&cx, &cy);
    frame_ = {cx, cy};
  }

  // Opens the first video and waits until it plays at its own size.
  void OpenFirst() {
    ASSERT_TRUE(video_.Open(nullptr, first_.c_str()));
    ASSERT_TRUE(video_.HasVideo()) << "the media stack rendered no picture for " << first_;
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(video_.m_hWnd) != FALSE; }));
  }

  // The window with its media service at hand.
  class ServiceVideo : public CVideoDialog {
   public:
    IVideoWindow* Service() { return m_window; }
  };
  ServiceVideo video_;
  std::string first_, second_;
  SIZE frame_ = {};
};

TEST_F(VideoWindow, OpensAtItsOwnSizeAndZooms) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  EXPECT_EQ(320, video_.VideoWidth());
  EXPECT_EQ(240, video_.VideoHeight());
  SIZE size = WindowSize(dialog);
  EXPECT_EQ(320 + frame_.cx, size.cx);
  EXPECT_EQ(240 + frame_.cy, size.cy);
  EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);

  struct {
    int command, w, h;
  } zooms[] = {{IDM_VIDEO_200, 640, 480}, {IDM_VIDEO_50, 160, 120}, {IDM_VIDEO_100, 320, 240}};
  for (const auto& z : zooms) {
    SendMessageA(dialog, WM_COMMAND, z.command, 0);
    size = WindowSize(dialog);
    EXPECT_EQ(z.w + frame_.cx, size.cx) << z.command;
    EXPECT_EQ(z.h + frame_.cy, size.cy) << z.command;
    // The picture fills whatever client area results.
    RECT client, picture;
    GetClientRect(dialog, &client);
    HWND pictureWindow = video_.PictureWindow();
    ASSERT_NE(nullptr, pictureWindow);
    ASSERT_TRUE(PumpUntil([&] {
      GetWindowRect(pictureWindow, &picture);
      return picture.right - picture.left == client.right && picture.bottom - picture.top == client.bottom;
    })) << z.command << ": picture " << picture.right - picture.left << "x" << picture.bottom - picture.top
        << ", client " << client.right << "x" << client.bottom;
  }
}

TEST_F(VideoWindow, ShowsTimeAndInformation) {
  OpenFirst();
  EXPECT_EQ("00:00:00 / 00:00:02", Text(video_.m_hWnd, IDC_VIDEO_TIME));
  EXPECT_EQ(" 320×240／25.00／video320.avi", Text(video_.m_hWnd, IDC_VIDEO_INFO));
  EXPECT_EQ(100, SendDlgItemMessageA(video_.m_hWnd, IDC_VIDEO_VOLUME, TBM_GETPOS, 0, 0));
  // The whole time text fits its control in the font it is shown in.
  HWND time = GetDlgItem(video_.m_hWnd, IDC_VIDEO_TIME);
  HDC dc = GetDC(time);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(time, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32A(dc, "00:00:00 / 00:00:00", 19, &extent);
  SelectObject(dc, old);
  ReleaseDC(time, dc);
  RECT box;
  GetClientRect(time, &box);
  EXPECT_LE(extent.cx, box.right);
  EXPECT_EQ(200, SendDlgItemMessageA(video_.m_hWnd, IDC_VIDEO_POSITION, TBM_GETRANGEMAX, 0, 0));
}

TEST_F(VideoWindow, FileOfAnyNamePlaysAndShowsItsName) {
  TempFolder folder;  // the copy under a name the system code page cannot hold
  const std::wstring name = L"Caf\u00e9 \ud55c\uae00.avi", path = folder.File(name);
  ASSERT_TRUE(CopyFileW(Widen(first_, CP_ACP).c_str(), path.c_str(), FALSE));
  ASSERT_TRUE(video_.Open(nullptr, path));
  EXPECT_TRUE(video_.HasVideo());
  wchar_t info[256] = L"";
  GetDlgItemTextW(video_.m_hWnd, IDC_VIDEO_INFO, info, 256);
  EXPECT_EQ(L" 320\u00d7240\uff0f25.00\uff0f" + name, std::wstring(info));
  video_.Close();
}

TEST_F(VideoWindow, StripSlidesInUnderTheMouseAndOutWhenItLeaves) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  SIZE closed = WindowSize(dialog);
  RECT r;
  GetWindowRect(dialog, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_TRUE(PumpUntil([&] { return WindowSize(dialog).cy == closed.cy + video::kStripHeight; }))
      << "height " << WindowSize(dialog).cy << ", expected " << closed.cy + video::kStripHeight;
  EXPECT_TRUE(video_.StripShown());
  EXPECT_EQ(closed.cx, WindowSize(dialog).cx);
  // The strip is now inside the client area, under the picture.
  RECT client, slider;
  GetClientRect(dialog, &client);
  GetWindowRect(GetDlgItem(dialog, IDC_VIDEO_INFO), &slider);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&slider), 2);
  EXPECT_LE(slider.bottom, client.bottom);

  MouseAway();
  ASSERT_TRUE(PumpUntil([&] { return WindowSize(dialog).cy == closed.cy; }))
      << "height " << WindowSize(dialog).cy << ", expected " << closed.cy;
  EXPECT_FALSE(video_.StripShown());
}

TEST_F(VideoWindow, SecondVideoReplacesTheFirst) {
  OpenFirst();
  HWND first = video_.m_hWnd;
  ASSERT_TRUE(video_.Open(nullptr, second_.c_str()));
  EXPECT_FALSE(IsWindow(first));
  // Exactly one video window on this thread, showing the second file.
  std::vector<HWND> windows;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM list) {
        if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_VIDEO_INFO))
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  ASSERT_EQ(1u, windows.size());
  EXPECT_EQ(video_.m_hWnd, windows[0]);
  EXPECT_NE(std::string::npos, Text(windows[0], IDC_VIDEO_INFO).find("video320b.avi"));
}

TEST_F(VideoWindow, PictureShows) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  RECT client;
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const int w = client.right - client.left, h = client.bottom - client.top;
  // Read the screen where the picture is.
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, shot);
  // Neither black nor the window's own background: the picture's colours.
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  const DWORD background = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
  int lit = 0;
  bool shows = PumpUntil([&] {
    BitBlt(mem, 0, 0, w, h, screen, client.left, client.top, SRCCOPY);
    GdiFlush();
    lit = 0;
    const DWORD* p = static_cast<const DWORD*>(bits);
    for (int i = 0; i < w * h; ++i) {
      DWORD rgb = p[i] & 0xFFFFFF;
      lit += rgb != background && (rgb & 0xE0E0E0) != 0;
    }
    return lit > w * h / 4;
  });
  SelectObject(mem, old);
  DeleteObject(shot);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(shows) << lit << " of " << w * h << " pixels lit";
}

TEST_F(VideoWindow, SeeksFromTheSliderWhilePaused) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_VIDEO_PAUSE, BN_CLICKED), 0);
  HWND slider = GetDlgItem(dialog, IDC_VIDEO_POSITION);
  SendMessageA(dialog, WM_HSCROLL, TB_THUMBTRACK, reinterpret_cast<LPARAM>(slider));
  SendMessageA(slider, TBM_SETPOS, TRUE, 100);
  SendMessageA(dialog, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(slider));
  // Half of two seconds; paused, the position stays there for the timer to show.
  EXPECT_TRUE(PumpUntil([&] { return Text(dialog, IDC_VIDEO_TIME) == "00:00:01 / 00:00:02"; }))
      << Text(dialog, IDC_VIDEO_TIME);
  EXPECT_TRUE(PumpUntil([&] { return SendMessageA(slider, TBM_GETPOS, 0, 0) == 100; }));
}

TEST_F(VideoWindow, StopRewindsAndPlayStartsAgain) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  HWND slider = GetDlgItem(dialog, IDC_VIDEO_POSITION);
  ASSERT_TRUE(PumpUntil([&] { return Text(dialog, IDC_VIDEO_TIME) != "00:00:00 / 00:00:02"; }));
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_VIDEO_STOP, BN_CLICKED), 0);
  EXPECT_TRUE(PumpUntil([&] {
    return Text(dialog, IDC_VIDEO_TIME) == "00:00:00 / 00:00:02" && SendMessageA(slider, TBM_GETPOS, 0, 0) == 0;
  })) << Text(dialog, IDC_VIDEO_TIME);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_VIDEO_PLAY, BN_CLICKED), 0);
  EXPECT_TRUE(PumpUntil([&] { return Text(dialog, IDC_VIDEO_TIME) != "00:00:00 / 00:00:02"; }));
}

TEST_F(VideoWindow, EnterAndEscDoNotClose) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    SetFocus(GetDlgItem(dialog, IDC_VIDEO_PLAY));
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 0);
    PostMessageA(dialog, WM_KEYDOWN, key, 0);
  }
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  PostMessageA(dialog, WM_NULL, 0, 0);
  int pumped = 0;
  PumpUntil([&] { return ++pumped > 5; });
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_TRUE(video_.IsOpen());
}

TEST_F(VideoWindow, FullScreenEnds) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  struct {
    const char* how;
    UINT msg;
    WPARAM wParam;
  } ways[] = {{"Esc", WM_KEYDOWN, VK_ESCAPE},
              {"double click", WM_LBUTTONDBLCLK, MK_LBUTTON},
              {"right click", WM_RBUTTONDOWN, MK_RBUTTON}};
  for (const auto& way : ways) {
    SendMessageA(dialog, WM_COMMAND, IDM_VIDEO_FULL_SCREEN, 0);
    ASSERT_TRUE(video_.IsFullScreen()) << way.how;
    PostMessageA(dialog, way.msg, way.wParam, MAKELPARAM(10, 10));
    EXPECT_TRUE(PumpUntil([&] { return !video_.IsFullScreen(); })) << way.how;
    EXPECT_TRUE(IsWindow(dialog)) << way.how;
  }
}

TEST_F(VideoWindow, FullScreenLeftByTheServiceIsNoLongerFullScreen) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  SendMessageA(dialog, WM_COMMAND, IDM_VIDEO_FULL_SCREEN, 0);
  ASSERT_TRUE(video_.IsFullScreen());
  // As the service does by itself when the user switches away.
  video_.Service()->put_FullScreenMode(OAFALSE);
  SendMessageA(dialog, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(video_.StripShown());
  SendMessageA(dialog, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_TRUE(video_.IsFullScreen());
}

TEST_F(VideoWindow, FileThatCannotBePlayedStillOpensTheWindow) {
  std::string missing = first_.substr(0, first_.rfind('\\')) + "\\no such video.avi";
  ASSERT_TRUE(video_.Open(nullptr, missing.c_str()));
  HWND dialog = video_.m_hWnd;
  EXPECT_FALSE(video_.HasVideo());
  SIZE size = WindowSize(dialog);
  EXPECT_EQ(640 + frame_.cx, size.cx);
  EXPECT_EQ(480 + frame_.cy, size.cy);
  // Every control is harmless without a graph, and the texts stay as they were.
  for (int id : {IDC_VIDEO_PLAY, IDC_VIDEO_PAUSE, IDC_VIDEO_STOP})
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  for (int id : {IDC_VIDEO_POSITION, IDC_VIDEO_VOLUME})
    SendMessageA(dialog, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  SendMessageA(dialog, WM_COMMAND, IDM_VIDEO_FULL_SCREEN, 0);
  EXPECT_FALSE(video_.IsFullScreen());
  SendMessageA(dialog, WM_COMMAND, IDM_VIDEO_50, 0);
  EXPECT_EQ(320 + frame_.cx, WindowSize(dialog).cx);
  // 200 % of the default 640 x 480 is larger than the screen: held to the
  // work area, strip included.
  SendMessageA(dialog, WM_COMMAND, IDM_VIDEO_200, 0);
  RECT work, r;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(dialog, &r);
  EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right &&
              r.bottom + video::kStripHeight <= work.bottom);
  EXPECT_NEAR(double(r.right - r.left - frame_.cx) / (r.bottom - r.top - frame_.cy), 4.0 / 3, 0.01);
  EXPECT_EQ("00:00:00 / 00:00:00", Text(dialog, IDC_VIDEO_TIME));
  EXPECT_EQ("", Text(dialog, IDC_VIDEO_INFO));
  EXPECT_TRUE(IsWindow(dialog));
}

TEST_F(VideoWindow, CloseButtonClosesAndReleases) {
  OpenFirst();
  HWND dialog = video_.m_hWnd;
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_VIDEO_CLOSE, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(video_.IsOpen());
  EXPECT_FALSE(video_.HasVideo());
}

}  // namespace
