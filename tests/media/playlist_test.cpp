// The playlist on a real list control and position slider, driven by its
// commands and ticks; the engine is a recorder where the real media stack
// cannot produce the case (files that fail, a chosen end of track), and the
// real one for one-second files.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/side_effects.h"
#include "framework/scoped_override.h"
#include "framework/wide_text.h"
#include "media/media_player.h"
#include "media/playlist.h"
#include "tests/media/test_media.h"
#include "tests/support/pump.h"
#include "resources/resource.h"
#include "tests/test_files.h"

namespace {

using Ints = std::vector<int>;

std::string Utf8Lines(const std::vector<std::wstring>& paths) {
  std::string lines;
  for (const std::wstring& path : paths) lines += Narrow(path, CP_UTF8) + "\r\n";
  return lines;
}

// Plays nothing: records what it is asked (each PlayFile is a graph built).
// Files whose name starts with "bad" cannot be opened, those starting with
// "abort" break off at the first poll; every other track lasts `duration`
// seconds.
class RecordingPlayer : public CMediaPlayer {
 public:
  std::vector<std::string> played;
  Ints volumes, seeks;
  int stops = 0, pauses = 0;
  int duration = 2, position = 0;
  bool ended = false, aborts = false;

  int PlayFile(const std::wstring& wide) override {
    std::string path = Narrow(wide, CP_ACP);
    played.push_back(path);
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    aborts = name.compare(0, 5, "abort") == 0;
    return name.compare(0, 3, "bad") == 0 ? -1 : duration;
  }
  TrackEvent PollEvent() override {
    TrackEvent event = ended ? TrackEvent::Complete : aborts ? TrackEvent::Aborted : TrackEvent::None;
    ended = aborts = false;
    return event;
  }
  int GetPosition() override { return position; }
  void StopAndRewind() override { ++stops; }
  void TogglePause() override { ++pauses; }
  void SetVolume(int level) override { volumes.push_back(level); }
  void SeekPercent(int percent, int) override { seeks.push_back(percent); }
  int CreateGraph() override { return 0; }
  void Reset() {
    played.clear();
    volumes.clear();
    seeks.clear();
    stops = pauses = position = 0;
    duration = 2;
    ended = false;
  }
  void ReleaseGraph() override {}
};

// The main window's playlist part: list 1048 and slider 1062 in a window of
// their own, as the template lays them out.
class PlaylistTest : public testing::Test {
 protected:
  HWND window = nullptr, list = nullptr, slider = nullptr;
  TempFolder folder;
  RecordingPlayer player;
  CScopedOverride<Settings> settings{AppSettings};
  CScopedOverride<ListFileDialogs> dialogs{g_listFileDialogs};

  void SetUp() override {
    AppSettings = Settings();
    AppSettings.Volume = 1000;
    AppSettings.R = 150, AppSettings.G = 200, AppSettings.B = 255;
    PlayState = PlayStateInfo();
    PlaylistState = PlaylistPlayerState();
    window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 220, 198,
                             nullptr, nullptr, nullptr, nullptr);
    list = CreateWindowExA(0, WC_LISTVIEWA, "",
                           WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS,
                           0, 69, 190, 108, window, HMENU(IDC_PLAYLIST), nullptr, nullptr);
    slider = CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_VISIBLE | TBS_BOTH | TBS_NOTICKS,
                             149, 179, 49, 16, window, HMENU(IDC_POSITION), nullptr, nullptr);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    PreparePlaylistControl(list);
  }
  void TearDown() override { DestroyWindow(window); }
  // An empty list and a fresh player, for the next case of a table.
  void Reset() {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    player.Reset();
    PlayState = PlayStateInfo();
    PlaylistState = PlaylistPlayerState();
  }

  // Entries named by their file names in the scratch folder (made to exist).
  void Fill(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      TempFolder::Write(folder.File(name), "");
      AddTrack(list, folder.File(name).c_str());
    }
  }
  std::string Path(int index, int column = 1) { return Narrow(PlaylistItemText(list, index, column), CP_ACP); }
  int Count() { return int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
  Ints Marks() {
    Ints marks;
    for (int i = 0; i < Count(); ++i) {
      LVITEMA item = {};
      item.mask = LVIF_IMAGE;
      item.iItem = i;
      SendMessageA(list, LVM_GETITEMA, 0, LPARAM(&item));
      marks.push_back(item.iImage);
    }
    return marks;
  }
  // Indexes of the entries the player was asked to play, in order.
  Ints Played() {
    Ints indexes;
    for (const std::string& path : player.played) {
      int found = -1;
      for (int i = 0; i < Count() && found < 0; ++i)
        if (Path(i) == path) found = i;
      indexes.push_back(found);
    }
    return indexes;
  }
  void Select(const Ints& indexes) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&item));
    item.state = LVIS_SELECTED;
    for (int i : indexes) SendMessageA(list, LVM_SETITEMSTATE, WPARAM(i), LPARAM(&item));
  }
  // A command; after Forward or Back, as once the presses paused.
  void Command(int id) {
    PlaylistCommand(window, player, id);
    if (id == IDC_FORWARD || id == IDC_BACK) StartChosenTrack(window, player);
  }
  // One tick of the main window: only while a track plays.
  void Tick() {
    if (PlayState.state == Playing) PlaylistTick(window, player);
  }
  void EndTrack() {
    player.ended = true;
    Tick();
  }
  int SliderPos() { return int(SendMessageA(slider, TBM_GETPOS, 0, 0)); }
  Ints Repeat(int mode, int start, int count, const std::vector<std::string>& names) {
    Fill(names);
    AppSettings.RepeatMode = mode;
    Select({start});
    Command(IDC_PLAY);
    for (int i = 0; i < count; ++i) EndTrack();
    return Played();
  }
};

TEST_F(PlaylistTest, ControlHasItsColumnsMarksAndColours) {
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 220);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 420);
  HIMAGELIST images = HIMAGELIST(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_TRUE(images);
  EXPECT_EQ(ImageList_GetImageCount(images), 2);
  EXPECT_EQ(COLORREF(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0)), RGB(150, 200, 255));
  EXPECT_EQ(COLORREF(SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);
  AppSettings.R = 10, AppSettings.G = 20, AppSettings.B = 30;
  ApplyPlaylistColours(list);
  EXPECT_EQ(COLORREF(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0)), RGB(10, 20, 30));

  AddTrack(list, "C:\\音楽\\表.mp3");
  EXPECT_EQ(Path(0, 0), "表.mp3");
  EXPECT_EQ(Path(0, 1), "C:\\音楽\\表.mp3");
  EXPECT_EQ(Marks(), (Ints{1}));
}

TEST_F(PlaylistTest, EndOfTrackAdvancesByRepeatMode) {
  struct Case {
    int mode, start, ends;
    std::vector<std::string> names;
    Ints played;
  } cases[] = {
      {kRepeatAll, 1, 3, {"a.wav", "b.wav", "c.wav"}, {1, 2, 0, 1}},
      {kRepeatOne, 1, 2, {"a.wav", "b.wav", "c.wav"}, {1, 1, 1}},
      {kRepeatRandom, 0, 3, {"a.wav"}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Reset();
    EXPECT_EQ(Repeat(c.mode, c.start, c.ends, c.names), c.played) << "mode " << c.mode;
    Ints marks(c.names.size(), 1);
    marks[size_t(c.played.back())] = 0;
    EXPECT_EQ(Marks(), marks) << "mode " << c.mode;
    EXPECT_EQ(PlayState.state, Playing);
  }
}

TEST_F(PlaylistTest, RandomModePicksAnEntryOfTheList) {
  Fill({"a.wav", "b.wav", "c.wav"});
  AppSettings.RepeatMode = kRepeatRandom;
  for (int i = 0; i < 5; ++i) Command(IDC_FORWARD);
  for (int i = 0; i < 5; ++i) EndTrack();
  for (int index : Played()) EXPECT_TRUE(index >= 0 && index < 3) << index;
  EXPECT_EQ(player.played.size(), 10u);
  int marked = 0;
  for (int mark : Marks()) marked += mark == 0;
  EXPECT_EQ(marked, 1);
}

TEST_F(PlaylistTest, ForwardAndBackWrap) {
  struct Case {
    int mode, current, id, started;
  } cases[] = {
      {kRepeatAll, 2, IDC_FORWARD, 0}, {kRepeatOne, 2, IDC_FORWARD, 0},
      {kRepeatAll, 0, IDC_BACK, 2},    {kRepeatOne, 0, IDC_BACK, 2},
      {kRepeatAll, 1, IDC_FORWARD, 2}, {kRepeatAll, 1, IDC_BACK, 0},
      // Past the end of a shortened list: Forward wraps, Back starts the last.
      {kRepeatAll, 5, IDC_FORWARD, 0}, {kRepeatAll, 5, IDC_BACK, 2},
      {kRepeatAll, 3, IDC_BACK, 2},
  };
  Fill({"a.wav", "b.wav", "c.wav"});
  for (const Case& c : cases) {
    player.played.clear();
    AppSettings.RepeatMode = c.mode;
    PlaylistState.current = c.current;
    Command(c.id);
    EXPECT_EQ(Played(), (Ints{c.started})) << c.current << " " << c.id;
    EXPECT_EQ(PlaylistState.current, c.started);
  }
}

TEST_F(PlaylistTest, OneTrackRepeatPastTheEndRestartsTheFirst) {
  Fill({"a.wav", "b.wav", "c.wav"});
  AppSettings.RepeatMode = kRepeatOne;
  Select({2});
  Command(IDC_PLAY);
  Select({1, 2});
  Command(IDC_DELETE);
  EndTrack();
  EXPECT_EQ(Played(), (Ints{-1, 0}));  // the first track is gone from the list
  EXPECT_EQ(PlaylistState.current, 0);
}

TEST_F(PlaylistTest, PlayPauseAndStop) {
  Fill({"a.wav", "b.wav"});
  Command(IDC_PAUSE);  // stopped: nothing
  EXPECT_EQ(PlayState.state, Stopped);
  EXPECT_EQ(player.pauses, 0);
  Command(IDC_PLAY);  // nothing selected: the first entry
  EXPECT_EQ(Played(), (Ints{0}));
  Command(IDC_PAUSE);
  EXPECT_EQ(PlayState.state, Paused);
  Select({1});
  Command(IDC_PLAY);  // restarts from the beginning instead of resuming
  EXPECT_EQ(Played(), (Ints{0, 1}));
  EXPECT_EQ(PlayState.state, Playing);
  EXPECT_EQ(Marks(), (Ints{1, 0}));
  Command(IDC_PAUSE);
  Command(IDC_PAUSE);
  EXPECT_EQ(PlayState.state, Playing);
  EXPECT_EQ(player.pauses, 3);
  player.position = 1;
  Tick();
  EXPECT_EQ(PlayState.position, 1);
  Command(IDC_STOP);
  EXPECT_EQ(PlayState.state, Stopped);
  EXPECT_EQ(PlayState.position, 0);
  EXPECT_EQ(PlayState.duration, 2);
  EXPECT_EQ(Marks(), (Ints{1, 1}));
  EXPECT_EQ(PlaylistState.current, 1);
  // Every started track got the user's volume.
  EXPECT_EQ(player.volumes, (Ints{1000, 1000}));
}

TEST_F(PlaylistTest, NewTrackKeepsTheUsersVolume) {
  Fill({"a.wav", "bad.wav", "c.wav"});
  AppSettings.Volume = 600;
  Command(IDC_PLAY);
  AppSettings.Volume = 400;
  Command(IDC_FORWARD);  // cannot be opened: no level for it
  Command(IDC_FORWARD);
  EXPECT_EQ(player.volumes, (Ints{600, 400}));
}

TEST_F(PlaylistTest, MovingThePlayingEntryClearsItsMark) {
  Fill({"a.wav", "b.wav", "c.wav"});
  Select({1});
  Command(IDC_PLAY);
  EXPECT_EQ(Marks(), (Ints{1, 0, 1}));
  Command(IDC_MOVE_DOWN);
  EXPECT_EQ(Path(2, 0), "b.wav");
  EXPECT_EQ(Marks(), (Ints{1, 1, 1}));
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED | LVNI_FOCUSED), 2);
  Command(IDC_MOVE_DOWN);  // already last: nothing
  EXPECT_EQ(Path(2, 0), "b.wav");
  Command(IDC_MOVE_UP);
  Command(IDC_MOVE_UP);
  EXPECT_EQ(Path(0, 0), "b.wav");
  EXPECT_EQ(Path(0, 1), folder.File("b.wav"));
  Command(IDC_MOVE_UP);  // already first: nothing
  EXPECT_EQ(Path(0, 0), "b.wav");
  EXPECT_EQ(Count(), 3);
  // Forward goes on from the old place, not the moved track.
  EXPECT_EQ(PlaylistState.current, 1);
  Command(IDC_FORWARD);
  EXPECT_EQ(Path(2, 0), "c.wav");
  EXPECT_EQ(Played(), (Ints{0, 2}));
}

TEST_F(PlaylistTest, DeleteAndDeleteAllKeepPlayback) {
  Fill({"a.wav", "b.wav", "c.wav", "d.wav"});
  Select({1});
  Command(IDC_PLAY);
  Select({0, 2, 3});
  Command(IDC_DELETE);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(Path(0, 0), "b.wav");
  EXPECT_EQ(PlayState.state, Playing);
  EXPECT_EQ(player.stops, 0);
  EXPECT_EQ(PlaylistState.current, 1);
  Command(IDC_DELETE_ALL);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(PlayState.state, Playing);
  EXPECT_EQ(player.stops, 0);
  // The track plays on to its end; then there is nothing to advance to.
  EndTrack();
  EXPECT_EQ(player.played.size(), 1u);
  Command(IDC_PLAY);
  EXPECT_EQ(player.played.size(), 1u);
}

TEST_F(PlaylistTest, SliderFollowsThePositionUnlessDragged) {
  Fill({"a.wav"});
  player.duration = 200;
  Command(IDC_PLAY);
  player.position = 50;
  Tick();
  EXPECT_EQ(SliderPos(), 25);
  SliderScroll(window, player, TB_THUMBTRACK);
  EXPECT_TRUE(PlaylistState.sliderDragged);
  SendMessageA(slider, TBM_SETPOS, TRUE, 80);
  player.position = 60;
  Tick();
  EXPECT_EQ(SliderPos(), 80);
  EXPECT_EQ(PlayState.position, 60);
  SliderScroll(window, player, TB_ENDTRACK);
  EXPECT_FALSE(PlaylistState.sliderDragged);
  EXPECT_EQ(player.seeks, (Ints{80}));
  Tick();
  EXPECT_EQ(SliderPos(), 30);
  // Paused: the drag ends without a seek.
  Command(IDC_PAUSE);
  SliderScroll(window, player, TB_THUMBTRACK);
  SliderScroll(window, player, TB_ENDTRACK);
  EXPECT_FALSE(PlaylistState.sliderDragged);
  EXPECT_EQ(player.seeks, (Ints{80}));
}

TEST_F(PlaylistTest, TrackOfNoLengthKeepsTheSliderAtZero) {
  Fill({"a.wav"});
  player.duration = 0;
  SendMessageA(slider, TBM_SETPOS, TRUE, 40);
  Command(IDC_PLAY);
  Tick();
  EXPECT_EQ(SliderPos(), 0);
}

TEST_F(PlaylistTest, TracksThatCannotBeOpenedDoNotStallThePlayer) {
  struct Case {
    const char* what;
    int mode, start;
    std::vector<std::string> names;
    Ints played;
    int state;
  } cases[] = {
      {"skipped in order", kRepeatAll, 1, {"a.wav", "bad1.wav", "c.wav"}, {1, 2}, Playing},
      {"skipped past the end", kRepeatAll, 2, {"a.wav", "b.wav", "bad.wav"}, {2, 0}, Playing},
      {"all failed", kRepeatAll, 1, {"bad1.wav", "bad2.wav", "bad3.wav"}, {1, 2, 0}, Stopped},
      {"one track repeat", kRepeatOne, 1, {"a.wav", "bad.wav", "c.wav"}, {1}, Stopped},
      {"random goes on in order", kRepeatRandom, 0, {"bad1.wav", "b.wav", "bad3.wav"}, {0, 1}, Playing},
      {"random, all failed", kRepeatRandom, 0, {"bad1.wav", "bad2.wav"}, {0, 1}, Stopped},
      {"broke off mid-way", kRepeatAll, 0, {"abort.wav", "b.wav"}, {0, 1}, Playing},
      {"broke off, one track repeat", kRepeatOne, 0, {"abort.wav", "b.wav"}, {0}, Stopped},
      {"all broke off", kRepeatAll, 0, {"abort1.wav", "abort2.wav"}, {0, 1}, Stopped},
  };
  for (const Case& c : cases) {
    Reset();
    Fill(c.names);
    AppSettings.RepeatMode = c.mode;
    Select({c.start});
    Command(IDC_PLAY);
    for (int i = 0; i < 10; ++i) Tick();
    EXPECT_EQ(Played(), c.played) << c.what;
    EXPECT_EQ(PlayState.state, c.state) << c.what;
    if (c.state == Stopped) {
      EXPECT_EQ(Marks(), Ints(c.names.size(), 1)) << c.what;
    }
  }
}

TEST_F(PlaylistTest, BurstOfForwardAndBackBuildsOneGraph) {
  Fill({"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"});
  Command(IDC_PLAY);
  // 302 presses forward and 300 back from entry 0 of 5 end on entry 2.
  for (int i = 0; i < 300; ++i) {
    PlaylistCommand(window, player, IDC_FORWARD);
    PlaylistCommand(window, player, IDC_BACK);
  }
  PlaylistCommand(window, player, IDC_FORWARD);
  PlaylistCommand(window, player, IDC_FORWARD);
  // The mark moved at once, the old track fell silent once, nothing new was built yet.
  EXPECT_EQ(Played(), (Ints{0}));
  EXPECT_EQ(player.stops, 1);
  EXPECT_EQ(PlaylistState.current, 2);
  EXPECT_EQ(Marks(), (Ints{1, 1, 0, 1, 1}));
  PumpUntil([&] { return player.played.size() >= 2; });
  EXPECT_EQ(Played(), (Ints{0, 2}));
  // Stop in the middle of a burst: nothing starts afterwards.
  PlaylistCommand(window, player, IDC_FORWARD);
  Command(IDC_STOP);
  PumpMessages(3 * kChosenTrackDelayMs);
  EXPECT_EQ(player.played.size(), 2u);
  EXPECT_EQ(PlayState.state, Stopped);
}

TEST_F(PlaylistTest, RepeatModeMenuItems) {
  const struct {
    int id, mode;
  } cases[] = {{IDM_REPEAT_RANDOM, 2}, {IDM_REPEAT_ONE, 1}, {IDM_REPEAT_ALL, 0}};
  for (const auto& c : cases) {
    Command(c.id);
    EXPECT_EQ(AppSettings.RepeatMode, c.mode);
  }
}

// Opened for reading as another program would, without letting it be replaced.
HANDLE HoldOpen(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Runs with the scratch folder as the current folder, as the program runs in its own.
class BackupListTest : public PlaylistTest {
 protected:
  char saved[MAX_PATH] = "";
  void SetUp() override {
    PlaylistTest::SetUp();
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(folder.File("").c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved);
    PlaylistTest::TearDown();
  }
  std::string Backup() { return TempFolder::Read(folder.File("backup.m3u")); }
  std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(folder.File("*.tmp").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
  }
};

TEST_F(BackupListTest, JapaneseNamesAndLongPathsSurviveARestart) {
  CreateDirectoryA(folder.File("音楽").c_str(), nullptr);
  std::string longName = folder.File("音楽") + "\\";
  longName += std::string(259 - longName.size() - 4, 'x') + ".mp3";
  ASSERT_EQ(longName.size(), 259u);
  TempFolder::Write(longName, "");
  Fill({"表.mp3", "ソ.wav", "plain.ogg"});
  AddTrack(list, longName.c_str());
  SaveBackupList(list);
  std::string bytes = Backup();
  EXPECT_EQ(bytes, folder.File("表.mp3") + "\r\n" + folder.File("ソ.wav") + "\r\n" +
                       folder.File("plain.ogg") + "\r\n" + longName + "\r\n");
  EXPECT_TRUE(Leftovers().empty());

  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  LoadBackupList(list);
  ASSERT_EQ(Count(), 4);
  EXPECT_EQ(Path(0, 0), "表.mp3");
  EXPECT_EQ(Path(1, 0), "ソ.wav");
  EXPECT_EQ(Path(3, 1), longName);
  EXPECT_EQ(Marks(), (Ints{1, 1, 1, 1}));
  EXPECT_EQ(PlayState.state, Stopped);
}

TEST_F(BackupListTest, LoadingSkipsMissingFilesAndOverlongLines) {
  Fill({"a.mp3", "b.mp3"});
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  std::string overlong = folder.File(std::string(300, 'y') + ".mp3");
  TempFolder::Write("backup.m3u", folder.File("a.mp3") + "\r\n" + overlong + "\r\n" +
                                      folder.File("missing.mp3") + "\nb.mp3");
  LoadBackupList(list);
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Path(0), folder.File("a.mp3"));
  EXPECT_EQ(Path(1), "b.mp3");  // relative to the program's folder, as written
}

TEST_F(BackupListTest, EmptyListWritesAnEmptyFile) {
  TempFolder::Write("backup.m3u", "old\r\n");
  SaveBackupList(list);
  EXPECT_EQ(TempFolder::Read(folder.File("backup.m3u")), "");
  EXPECT_NE(GetFileAttributesA(folder.File("backup.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(BackupListTest, FailedWriteLeavesTheOldList) {
  TempFolder::Write(folder.File("backup.m3u"), "old.mp3\r\n");
  // A list another program holds open cannot be replaced.
  HANDLE held = HoldOpen(folder.File("backup.m3u"));
  Fill({"a.mp3"});
  SaveBackupList(list);
  EXPECT_EQ(Backup(), "old.mp3\r\n");
  EXPECT_TRUE(Leftovers().empty());
  CloseHandle(held);
  SaveBackupList(list);
  EXPECT_EQ(Backup(), folder.File("a.mp3") + "\r\n");
}


TEST_F(BackupListTest, UnicodeBackupIsReadAndOneNotReadIsNeverEmptied) {
  Fill({"a.mp3"});
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("a\0.\0m\0p\0" "3\0", 10);
  const std::string brokenUtf8 = "\xEF\xBB\xBF" "Caf\xC3(.mp3\r\n";
  struct Case {
    const char* what;
    std::string bytes;
    bool heldWhileLoading;
    int entries;
    std::string afterSave;
  } cases[] = {
      {"UTF-8 mark", "\xEF\xBB\xBF" "a.mp3\r\n", false, 1, "a.mp3\r\n"},
      {"UTF-16", utf16, false, 1, "a.mp3\r\n"},
      {"no line that is valid text", brokenUtf8, false, 0, brokenUtf8},
      {"unreadable", "b.mp3\r\n", true, 0, "b.mp3\r\n"},
  };
  for (const Case& c : cases) {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    TempFolder::Write(folder.File("backup.m3u"), c.bytes);
    HANDLE held = c.heldWhileLoading ? CreateFileA(folder.File("backup.m3u").c_str(), GENERIC_READ, 0, nullptr,
                                                   OPEN_EXISTING, 0, nullptr)
                                     : INVALID_HANDLE_VALUE;
    LoadBackupList(list);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(Count(), c.entries) << c.what;
    SaveBackupList(list);
    EXPECT_EQ(Backup(), c.afterSave) << c.what;
  }
}

TEST_F(BackupListTest, NamesOutsideTheCodePageSurviveARestart) {
  std::vector<std::wstring> paths;
  for (const wchar_t* name :
       {L"\u8868.mp3", L"Caf\u00e9.mp3", L"\ud55c\uae00.mp3", L"\U0001F3B5.wav", L"a \u266a.wav"}) {
    TempFolder::Write(paths.emplace_back(folder.File(name)), "");
    AddTrack(list, paths.back());
  }
  SaveBackupList(list);
  // "backup.m3u" as older copies write it, with the names it holds; the UTF-8 list holds all.
  const std::string held = folder.File("表.mp3") + "\r\n" + folder.File("a ♪.wav") + "\r\n";
  EXPECT_EQ(Backup(), held);
  EXPECT_EQ(TempFolder::Read(folder.File("backup.m3u8")), Utf8Lines(paths));
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  LoadBackupList(list);
  ASSERT_EQ(Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(PlaylistItemText(list, i, 1), paths[size_t(i)]) << i;
  // Once no such name is left, the UTF-8 list goes.
  Select({1, 2, 3});
  Command(IDC_DELETE);
  SaveBackupList(list);
  EXPECT_EQ(GetFileAttributesA(folder.File("backup.m3u8").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(BackupListTest, TheUtf8ListIsReadUnlessItIsOlder) {
  const std::wstring cafe = folder.File(L"Caf\u00e9.mp3"), plain = folder.File(L"a.mp3");
  TempFolder::Write(cafe, "");
  Fill({"a.mp3"});
  TempFolder::Write(folder.File("backup.m3u"), folder.File("a.mp3") + "\r\n");
  TempFolder::Write(folder.File("backup.m3u8"), Utf8Lines({cafe}));
  // Seconds the UTF-8 list was written before "backup.m3u"; an older copy of
  // the program may have rewritten that one alone.
  const struct {
    int earlier;
    std::wstring read;
  } cases[] = {{-10, cafe}, {0, cafe}, {10, plain}};
  for (const auto& c : cases) {
    for (const auto& file : {std::make_pair("backup.m3u", 0), std::make_pair("backup.m3u8", c.earlier)}) {
      HANDLE handle = CreateFileA(file.first, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ULONGLONG when = 133000000000000000ULL - file.second * 10000000LL;
      FILETIME time = {DWORD(when), DWORD(when >> 32)};
      SetFileTime(handle, nullptr, nullptr, &time);
      CloseHandle(handle);
    }
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    LoadBackupList(list);
    ASSERT_EQ(Count(), 1) << c.earlier;
    EXPECT_EQ(PlaylistItemText(list, 0, 1), c.read) << c.earlier;
  }
  // A UTF-8 list that could not be read is not emptied either.
  DeleteFileA("backup.m3u");
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  HANDLE held = CreateFileA("backup.m3u8", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  LoadBackupList(list);
  CloseHandle(held);
  SaveBackupList(list);
  EXPECT_EQ(TempFolder::Read(folder.File("backup.m3u8")), Utf8Lines({cafe}));
}

// What the list dialogs were shown, and the answer they give.
struct DialogAnswer {
  static std::wstring file;
  static bool confirm;
  static std::vector<OPENFILENAMEW> shown;
  static std::vector<std::wstring> initialNames;
  static BOOL WINAPI Answer(OPENFILENAMEW* dialog) {
    shown.push_back(*dialog);
    initialNames.push_back(dialog->lpstrFile);
    if (!confirm) return FALSE;
    lstrcpynW(dialog->lpstrFile, file.c_str(), int(dialog->nMaxFile));
    // The real dialogs make the chosen file's folder current.
    SetCurrentDirectoryW(file.substr(0, file.find_last_of(L'\\')).c_str());
    return TRUE;
  }
};
std::wstring DialogAnswer::file;
bool DialogAnswer::confirm;
std::vector<OPENFILENAMEW> DialogAnswer::shown;
std::vector<std::wstring> DialogAnswer::initialNames;

TEST_F(BackupListTest, LoadAndWriteListThroughTheDialogs) {
  g_listFileDialogs = {DialogAnswer::Answer, DialogAnswer::Answer};
  DialogAnswer::shown.clear();
  DialogAnswer::initialNames.clear();
  CreateDirectoryA(folder.File("lists").c_str(), nullptr);
  TempFolder::Write(folder.File("lists\\near.wav"), "");
  Fill({"far.mp3"});
  // A list beside its tracks names them relatively.
  TempFolder::Write(folder.File("lists\\mine.m3u"), "near.wav\r\n" + folder.File("far.mp3") + "\r\nnone.mp3");
  DialogAnswer::file = folder.File(L"lists\\mine.m3u");
  DialogAnswer::confirm = true;
  Command(IDC_LOAD_LIST);
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Path(0), folder.File("lists\\near.wav"));
  EXPECT_EQ(Path(1), folder.File("far.mp3"));

  // Cancelled, or a file that cannot be read: the list stays.
  DialogAnswer::confirm = false;
  Command(IDC_LOAD_LIST);
  DialogAnswer::confirm = true;
  DialogAnswer::file = folder.File(L"lists\\gone.m3u");
  Command(IDC_LOAD_LIST);
  EXPECT_EQ(Count(), 2);

  DialogAnswer::file = folder.File(L"lists\\out.m3u");
  Command(IDC_WRITE_LIST);
  EXPECT_EQ(TempFolder::Read(DialogAnswer::file),
            folder.File("lists\\near.wav") + "\r\n" + folder.File("far.mp3") + "\r\n");

  // After every dialog the program's folder is current again.
  char current[MAX_PATH], program[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  *strrchr(program, '\\') = '\0';
  EXPECT_STREQ(current, program);

  ASSERT_EQ(DialogAnswer::shown.size(), 4u);
  for (size_t i = 0; i < DialogAnswer::shown.size(); ++i) {
    const OPENFILENAMEW& shown = DialogAnswer::shown[i];
    EXPECT_EQ(shown.hwndOwner, window);
    EXPECT_EQ(std::wstring(shown.lpstrFilter, 22), std::wstring(L"ﾘｽﾄﾌｧｲﾙ (*.m3u)\0*.m3u\0", 22));
    EXPECT_EQ(std::wstring(shown.lpstrFilter + 22 + wcslen(shown.lpstrFilter + 22) + 1), L"*.m3u8");
    EXPECT_EQ(DialogAnswer::initialNames[i], L"*.m3u");
    EXPECT_EQ(shown.Flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
  }
}

TEST_F(BackupListTest, DeviceNamesNeverJoinTheList) {
  const std::string devices[] = {"COM1", "con", "NUL.mp3", "aux.wav", "LPT1.mp3", "Com9 .mp3", "prn.",
                                 "CONIN$", "conout$.wav", folder.File("Nul.mp3"), "\\\\.\\COM2"};
  // Only the whole base name counts; ソ ends in the byte of a backslash.
  const std::vector<std::string> files = {"COM10.mp3", "console.mp3", "lpt.wav", "ソCON.mp3",
                                          folder.File("xcom1.mp3")};
  std::string listText;
  for (const std::string& name : devices) listText += name + "\r\n";
  for (const std::string& name : files) TempFolder::Write(name, ""), listText += name + "\r\n";
  TempFolder::Write("backup.m3u", listText);
  LoadBackupList(list);  // from a list file, then dropped one by one
  for (const std::string& name : devices) AddTrack(list, name.c_str());
  for (const std::string& name : files) AddTrack(list, name.c_str());
  SaveBackupList(list);
  std::string once;
  for (const std::string& name : files) once += name + "\r\n";
  EXPECT_EQ(Backup(), once + once);
}

// The list commands on files the user picks, with the message boxes recorded.
class ListCommandTest : public BackupListTest {
 protected:
  static std::vector<std::string> messages;
  static int WINAPI Record(HWND, const char* text, const char* caption, UINT) {
    messages.push_back(std::string(caption) + ": " + text);
    return IDOK;
  }
  CScopedOverride<SideEffects> effects{g_sideEffects};
  void SetUp() override {
    BackupListTest::SetUp();
    messages.clear();
    g_sideEffects.messageBox = Record;
    g_listFileDialogs = {DialogAnswer::Answer, DialogAnswer::Answer};
    DialogAnswer::confirm = true;
    Fill({"a.mp3"});
  }
};
std::vector<std::string> ListCommandTest::messages;

TEST_F(ListCommandTest, ListsOfAnyNameHoldAnyName) {
  static std::wstring wideMessage;
  g_sideEffects.messageBoxW = [](HWND, const wchar_t* text, const wchar_t*, UINT) {
    wideMessage = text;
    return IDOK;
  };
  TempFolder::Write(folder.File(L"\ud55c\uae00.mp3"), "");
  AddTrack(list, folder.File(L"\ud55c\uae00.mp3"));
  DialogAnswer::file = folder.File(L"Caf\u00e9.m3u8");
  Command(IDC_WRITE_LIST);
  Command(IDC_DELETE_ALL);
  Command(IDC_LOAD_LIST);
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(PlaylistItemText(list, 1, 0), L"\ud55c\uae00.mp3");
  // A list that cannot be written is named as it is.
  DialogAnswer::file = folder.File(L"Caf\u00e9\\out.m3u");
  Command(IDC_WRITE_LIST);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(wideMessage, folder.File(L"Caf\u00e9\\out.m3u\nに書き込めません"));
}

TEST_F(ListCommandTest, WriteListToALongPathOrSaysWhyNot) {
  // A list path of 259 bytes, the longest there is, in a folder of 240; a
  // name shorter than any temporary one; a list another program holds open.
  std::string deep = folder.File(std::string(240 - folder.File("").size() - 1, 'd'));
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  std::string held = folder.File("kept.m3u");
  TempFolder::Write(held, "old.mp3\r\n");
  HANDLE holder = HoldOpen(held);
  const std::string written = folder.File("a.mp3") + "\r\n";
  const struct {
    std::string path, content;
  } cases[] = {{deep + "\\" + std::string(14, 'l') + ".m3u", written}, {folder.File("n"), written},
               {held, "old.mp3\r\n"}};
  for (const auto& c : cases) {
    DialogAnswer::file = Widen(c.path, CP_ACP);
    Command(IDC_WRITE_LIST);
    EXPECT_EQ(TempFolder::Read(c.path), c.content) << c.path.size() << " " << c.path;
  }
  CloseHandle(holder);
  EXPECT_EQ(messages, std::vector<std::string>{"リストエラー: " + held + "\nに書き込めません"});
}

TEST_F(ListCommandTest, ListTooLargeToBeOneIsRefused) {
  DialogAnswer::file = folder.File(L"huge.m3u");
  // One byte over the limit, without writing it: the file is sparse.
  HANDLE file = CreateFileW(DialogAnswer::file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  SetFilePointer(file, LONG(kMaxListBytes + 1), nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
  Command(IDC_LOAD_LIST);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(messages, std::vector<std::string>{"リストエラー: " + folder.File("huge.m3u") +
                                               "\nは大きすぎるため読み込めません（64 MB まで）"});
}

// Three real one-second files through the real media stack, the second
// under a name the system code page lacks.
TEST_F(PlaylistTest, RealFilesAdvanceThroughTheList) {
  std::string base = MediaFolder();
  ASSERT_FALSE(base.empty()) << "TOVIX_TEST_MEDIA is not set: run scripts/make-test-media.sh and export it";
  const char* names[] = {"one.wav", "two.wav", "three.wav"};
  const std::wstring second = folder.File(L"Beyonc\u00e9 \u266a.wav");
  for (const char* name : names) {
    std::string path = base + "\\" + name;
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES)
        << path << " missing: run scripts/make-test-media.sh";
    if (name != names[1]) AddTrack(list, path.c_str());
    else if (CopyFileW(Widen(path, CP_ACP).c_str(), second.c_str(), FALSE)) AddTrack(list, second);
  }
  ASSERT_EQ(Count(), 3);
  CoInitialize(nullptr);
  {
    CMediaPlayer real;
    real.CreateGraph();
    AppSettings.RepeatMode = kRepeatAll;
    PlaylistCommand(window, real, IDC_PLAY);
    EXPECT_EQ(PlayState.duration, 1);
    // Tick as the main window does until the list wrapped to the top again.
    Ints started = {PlaylistState.current};
    DWORD begin = GetTickCount();
    while (started.size() < 4 && PlayState.state == Playing && GetTickCount() - begin < 60000) {
      PumpMessages(50);
      PlaylistTick(window, real);
      if (PlaylistState.current != started.back()) started.push_back(PlaylistState.current);
    }
    EXPECT_EQ(started, (Ints{0, 1, 2, 0}));
    EXPECT_EQ(PlayState.state, Playing);
    EXPECT_EQ(Marks(), (Ints{0, 1, 1}));
    StopPlayback(list, real);
    real.ReleaseGraph();  // a graph alive after COM is gone crashes the process at exit
  }
  CoUninitialize();
}

}  // namespace
