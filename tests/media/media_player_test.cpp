// The media engine against the real media stack (DirectShow under Wine, sound
// to a PulseAudio null sink). The short files come from
// scripts/make-test-media.sh, found through TOVIX_TEST_MEDIA.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <string>

#include "media/media_player.h"
#include "tests/media/test_media.h"

namespace {


std::string Media(const std::string& name) { return MediaFolder() + "\\" + name; }

// The same file named through a path of exactly `length` characters, padded
// with ".\" and, for an odd remainder, a doubled backslash.
std::string PaddedPath(const std::string& name, size_t length) {
  std::string head = MediaFolder() + "\\";
  size_t fill = length - head.size() - name.size();
  if (fill % 2) head += "\\", --fill;
  for (; fill; fill -= 2) head += ".\\";
  return head + name;
}

// Read-back access to the graph the engine built.
class TestPlayer : public CMediaPlayer {
 public:
  IMediaControl* Control() { return m_control; }
  long Volume() {
    long volume = 1;
    EXPECT_TRUE(m_audio && SUCCEEDED(m_audio->get_Volume(&volume)));
    return volume;
  }
  LONGLONG Position() {
    LONGLONG position = -1;
    EXPECT_TRUE(m_seeking && SUCCEEDED(m_seeking->GetCurrentPosition(&position)));
    return position;
  }
  // Waits until a state change has settled; the guard only stops a hang.
  OAFilterState SettledState() {
    OAFilterState state = -1;
    for (int i = 0; i < 200; ++i)
      if (m_control && m_control->GetState(100, &state) == S_OK) break;
    return state;
  }
  // Queues an event as a filter of the graph would, and polls until an
  // event counts (the guard only stops a hang).
  TrackEvent NotifyAndPoll(long code) {
    IMediaEventSink* sink = nullptr;
    if (FAILED(m_graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) return TrackEvent::None;
    sink->Notify(code, E_FAIL, 0);
    sink->Release();
    TrackEvent event = TrackEvent::None;
    for (int i = 0; i < 1000 && event == TrackEvent::None; ++i) event = PollEvent();
    return event;
  }
  // Polls for the end of the stream as the playlist tick does.
  bool WaitComplete() {
    for (int i = 0; i < 10000; ++i) {
      if (IsComplete()) return true;
      Sleep(1);
    }
    return false;
  }
};

class MediaPlayerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(MediaFolder().empty())
        << "TOVIX_TEST_MEDIA must name the folder made by scripts/make-test-media.sh";
    ASSERT_NE(GetFileAttributesA(Media("tone_1500ms.wav").c_str()), INVALID_FILE_ATTRIBUTES)
        << "no test media in " << MediaFolder();
    CoInitialize(nullptr);
    player.CreateGraph();
  }
  void TearDown() override {
    player.ReleaseGraph();
    CoUninitialize();
  }
  TestPlayer player;
};

struct PlayCase {
  const char* file;
  int seconds;     // reported duration, truncated
  int lengthMs;    // real length of the sound
};

class MediaPlayerPlays : public MediaPlayerTest, public testing::WithParamInterface<PlayCase> {};

TEST_P(MediaPlayerPlays, ReportsTruncatedDurationAndSignalsTheEnd) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(player.PlayFile(Media(GetParam().file).c_str()), GetParam().seconds);
  EXPECT_EQ(player.SettledState(), State_Running);
  ASSERT_TRUE(player.WaitComplete());
  // The sound plays in real time, so the end cannot come before it has.
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  EXPECT_GE(elapsed.count(), GetParam().lengthMs - 150);
}

INSTANTIATE_TEST_SUITE_P(Formats, MediaPlayerPlays,
                         testing::Values(PlayCase{"tone_1500ms.wav", 1, 1500},
                                         PlayCase{"tone_600ms.wav", 0, 600},
                                         PlayCase{"tone_1500ms.mp3", 1, 1500},
                                         PlayCase{"tone_1500ms.ogg", 1, 1500}),
                         [](const testing::TestParamInfo<PlayCase>& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST_F(MediaPlayerTest, PathsThatCannotBePlayedGiveMinusOne) {
  const std::string text = Media("not_audio.mp3");
  const std::string missing = Media("no_such_file.wav");
  const std::string tooLong = PaddedPath("tone_1500ms.wav", 260);
  // Its first 259 characters name a real file: only a cut path would play.
  const std::string cutWouldPlay = PaddedPath("tone_1500ms.wav", 259) + "x";
  for (const std::string* path : {&text, &missing, &tooLong, &cutWouldPlay}) {
    SCOPED_TRACE(*path);
    EXPECT_EQ(player.PlayFile(path->c_str()), -1);
    EXPECT_NE(player.SettledState(), State_Running);
  }
}

TEST_F(MediaPlayerTest, PathOfTheLongestLengthStillPlays) {
  std::string path = PaddedPath("tone_1500ms.wav", 259);
  ASSERT_EQ(path.size(), 259u);
  EXPECT_EQ(player.PlayFile(path.c_str()), 1);
}

struct VolumeCase {
  int level;
  long hundredthsDb;
};

class MediaPlayerVolume : public MediaPlayerTest, public testing::WithParamInterface<VolumeCase> {};

TEST_P(MediaPlayerVolume, MapsTheLevelOntoTheGraph) {
  ASSERT_EQ(player.PlayFile(Media("tone_1500ms.wav").c_str()), 1);
  player.SetVolume(GetParam().level);
  EXPECT_EQ(player.Volume(), GetParam().hundredthsDb);
}

INSTANTIATE_TEST_SUITE_P(Levels, MediaPlayerVolume,
                         testing::Values(VolumeCase{1000, 0}, VolumeCase{500, -1500},
                                         VolumeCase{0, -3000}, VolumeCase{995, -30},
                                         VolumeCase{990, -30}, VolumeCase{989, -60}));

TEST_F(MediaPlayerTest, NextTrackKeepsTheLoweredVolume) {
  ASSERT_EQ(player.PlayFile(Media("tone_1500ms.wav").c_str()), 1);
  player.SetVolume(500);
  ASSERT_EQ(player.PlayFile(Media("tone_1500ms.ogg").c_str()), 1);
  EXPECT_EQ(player.Volume(), -1500);
}

TEST_F(MediaPlayerTest, LevelSetBeforeTheFirstTrackApplies) {
  player.SetVolume(200);
  ASSERT_EQ(player.PlayFile(Media("tone_1500ms.mp3").c_str()), 1);
  EXPECT_EQ(player.Volume(), -2400);
}

struct SeekCase {
  int percent;
  int durationSeconds;
  LONGLONG position;  // 100 ns units
  int seconds;
};

class MediaPlayerSeek : public MediaPlayerTest, public testing::WithParamInterface<SeekCase> {};

TEST_P(MediaPlayerSeek, SeeksToPercentOfTheDuration) {
  ASSERT_EQ(player.PlayFile(Media("tone_1500ms.wav").c_str()), 1);
  player.TogglePause();  // a paused clock keeps the position still
  ASSERT_EQ(player.SettledState(), State_Paused);
  player.SeekPercent(GetParam().percent, GetParam().durationSeconds);
  EXPECT_EQ(player.Position(), GetParam().position);
  EXPECT_EQ(player.GetPosition(), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(Targets, MediaPlayerSeek,
                         testing::Values(SeekCase{0, 1, 0, 0}, SeekCase{33, 1, 3300000, 0},
                                         SeekCase{50, 1, 5000000, 0},
                                         SeekCase{100, 1, 10000000, 1},
                                         SeekCase{33, 4, 13200000, 1}));

// Puts the playing graph into a state through the graph itself.
void Enter(IMediaControl* control, OAFilterState state) {
  if (state == State_Stopped) control->Stop();
  if (state == State_Paused) control->Pause();
}

struct StateCase {
  OAFilterState before;
  OAFilterState after;
  LONGLONG position;  // after StopAndRewind, from 0.5 s
};

class MediaPlayerStop : public MediaPlayerTest, public testing::WithParamInterface<StateCase> {};

TEST_P(MediaPlayerStop, StopsAndRewindsUnlessStopped) {
  ASSERT_EQ(player.PlayFile(Media("tone_1500ms.wav").c_str()), 1);
  Enter(player.Control(), GetParam().before);
  ASSERT_EQ(player.SettledState(), GetParam().before);
  player.SeekPercent(50, 1);
  player.StopAndRewind();
  EXPECT_EQ(player.SettledState(), GetParam().after);
  EXPECT_EQ(player.Position(), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(States, MediaPlayerStop,
                         testing::Values(StateCase{State_Stopped, State_Stopped, 5000000},
                                         StateCase{State_Paused, State_Stopped, 0},
                                         StateCase{State_Running, State_Stopped, 0}));

class MediaPlayerPause : public MediaPlayerTest, public testing::WithParamInterface<StateCase> {};

TEST_P(MediaPlayerPause, PausesUnlessPaused) {
  ASSERT_EQ(player.PlayFile(Media("tone_1500ms.wav").c_str()), 1);
  Enter(player.Control(), GetParam().before);
  ASSERT_EQ(player.SettledState(), GetParam().before);
  player.TogglePause();
  EXPECT_EQ(player.SettledState(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(States, MediaPlayerPause,
                         testing::Values(StateCase{State_Stopped, State_Paused, 0},
                                         StateCase{State_Paused, State_Running, 0},
                                         StateCase{State_Running, State_Paused, 0}));

TEST_F(MediaPlayerTest, AbortEventsEndTheTrack) {
  for (long code : {EC_ERRORABORT, EC_USERABORT, EC_ERRORABORTEX}) {
    ASSERT_EQ(player.PlayFile(Media("tone_1500ms.wav").c_str()), 1);
    player.TogglePause();  // the real end cannot come first
    EXPECT_EQ(player.NotifyAndPoll(code), CMediaPlayer::TrackEvent::Aborted) << code;
  }
}

TEST_F(MediaPlayerTest, OperationsBeforeAnyTrackDoNothingHarmful) {
  player.SetVolume(300);
  player.SeekPercent(50, 10);
  player.TogglePause();
  player.StopAndRewind();
  EXPECT_FALSE(player.IsComplete());
  EXPECT_EQ(player.GetPosition(), 0);
}

}  // namespace
