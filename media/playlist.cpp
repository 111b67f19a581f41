#include "media/playlist.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/side_effects.h"
#include "framework/app.h"
#include "framework/file_io.h"
#include "framework/files.h"
#include "framework/text.h"
#include "framework/wide_text.h"
#include "resources/resource.h"
#include "media/media_player.h"
#include "media/playlist_file.h"

PlaylistPlayerState PlaylistState;

namespace {

// The 95 family has only the 8-bit dialogs; the names they give are in the
// system code page.
BOOL AskThroughSystemCodePage(OPENFILENAMEW* wide, bool save) {
  // The filter's pairs of texts end at an empty one.
  const wchar_t* end = wide->lpstrFilter;
  while (*end) end += wcslen(end) + 1;
  std::string filter = Narrow(std::wstring(wide->lpstrFilter, end + 1), CP_ACP);
  std::string defaultExtension = Narrow(wide->lpstrDefExt ? wide->lpstrDefExt : L"", CP_ACP);
  std::string file = Narrow(wide->lpstrFile, CP_ACP);
  file.resize(MAX_PATH * 2);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.hwndOwner = wide->hwndOwner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = wide->nFilterIndex;
  dialog.lpstrFile = &file[0];
  dialog.nMaxFile = DWORD(file.size());
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  dialog.Flags = wide->Flags;
  if (!(save ? GetSaveFileNameA : GetOpenFileNameA)(&dialog)) return FALSE;
  lstrcpynW(wide->lpstrFile, Widen(file.c_str(), CP_ACP).c_str(), int(wide->nMaxFile));
  return TRUE;
}

BOOL WINAPI OpenListDialog(OPENFILENAMEW* dialog) {
  return OsClass >= kOsNt ? GetOpenFileNameW(dialog) : AskThroughSystemCodePage(dialog, false);
}
BOOL WINAPI SaveListDialog(OPENFILENAMEW* dialog) {
  return OsClass >= kOsNt ? GetSaveFileNameW(dialog) : AskThroughSystemCodePage(dialog, true);
}

}  // namespace

const ListFileDialogs kSystemListFileDialogs = {OpenListDialog, SaveListDialog};
ListFileDialogs g_listFileDialogs = kSystemListFileDialogs;

std::wstring PlaylistItemText(HWND list, int index, int column) {
  // The list view keeps Unicode text whatever its window: the wide messages
  // give the name exactly.
  wchar_t text[4 * MAX_PATH] = L"";
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = int(sizeof text / sizeof text[0]);
  SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(index), LPARAM(&item));
  return text;
}

namespace {

constexpr int kMarkPlaying = 0;  // icon 178
constexpr int kMarkOther = 1;    // icon 177
const char kBackupList[] = "backup.m3u";
const char kBackupListUtf8[] = "backup.m3u8";

HWND ListOf(HWND mainWindow) { return GetDlgItem(mainWindow, IDC_PLAYLIST); }
int Count(HWND list) { return int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
int FirstSelected(HWND list) { return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }


void SetMark(HWND list, int index, int image) {
  LVITEMA item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = index;
  item.iImage = image;
  SendMessageA(list, LVM_SETITEMA, 0, LPARAM(&item));
}

// An entry at `index` with its name, path and the unmarked image.
void InsertEntry(HWND list, int index, const std::wstring& name, const std::wstring& path) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.iImage = kMarkOther;
  item.pszText = const_cast<wchar_t*>(name.c_str());
  int at = int(SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item)));
  if (at < 0) return;
  item.mask = LVIF_TEXT;
  item.iItem = at;
  item.iSubItem = 1;
  item.pszText = const_cast<wchar_t*>(path.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(at), LPARAM(&item));
}

std::vector<std::wstring> Paths(HWND list) {
  std::vector<std::wstring> paths;
  for (int i = 0, n = Count(list); i < n; ++i) paths.push_back(PlaylistItemText(list, i, 1));
  return paths;
}

void SelectAndFocus(HWND list, int index) {
  LVITEMA item = {};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, WPARAM(index), LPARAM(&item));
}

void RestoreProgramFolder() {
  char folder[MAX_PATH];
  if (ProgramFolder(folder, sizeof folder)) SetCurrentDirectoryA(folder);
}

const char kListErrorCaption[] = "リストエラー";

// Appends the entries of a list file's bytes that name existing files;
// relative ones are taken from the list's folder. The list draws once at the
// end. False when the file held lines but none the program can hold.
bool AddEntries(HWND list, const std::string& bytes, const std::wstring& listFolder, bool utf8List) {
  m3u::ListText text = m3u::ReadList(bytes, utf8List);
  const std::vector<std::wstring>& entries = text.entries;
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LVM_SETITEMCOUNT, WPARAM(Count(list) + int(entries.size())), 0);
  for (const std::wstring& entry : entries) {
    std::wstring path = m3u::ResolveEntry(listFolder, entry);
    if (path.size() <= m3u::kMaxPathChars && FileExists(path)) AddTrack(list, path);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  return !entries.empty() || text.lost == 0;
}

// Set while a backup list exists but was not read: an empty list never
// replaces it, so a list this version cannot read outlives a restart.
bool g_backupUnread = false;

// The one-shot timer that starts the track Forward and Back chose. It calls
// back by itself, so the main window's own timer handling never sees it.
constexpr UINT_PTR kChosenTrackTimer = 0x7A01;
HWND g_chosenTimerWindow = nullptr;
CMediaPlayer* g_chosenPlayer = nullptr;

void CancelChosenTrack() {
  if (!PlaylistState.movePending) return;
  PlaylistState.movePending = false;
  if (g_chosenTimerWindow) KillTimer(g_chosenTimerWindow, kChosenTrackTimer);
  g_chosenTimerWindow = nullptr;
  g_chosenPlayer = nullptr;
}

void CALLBACK ChosenTrackTimer(HWND window, UINT, UINT_PTR, DWORD) {
  if (g_chosenPlayer)
    StartChosenTrack(window, *g_chosenPlayer);
  else
    CancelChosenTrack();
}

// Starts the entry at `index` from its beginning, with the user's volume.
void PlayTrack(HWND list, CMediaPlayer& player, int index) {
  CancelChosenTrack();
  std::wstring path = index >= 0 && index < Count(list) ? PlaylistItemText(list, index, 1) : std::wstring();
  if (PlayState.state == Paused || PlayState.state == Playing) StopPlayback(list, player);
  SetMark(list, index, kMarkPlaying);
  PlayState.duration = player.PlayFile(path);
  PlayState.position = 0;
  PlayState.state = Playing;
  // Tracks count as failed in a row until one plays to its end: one that
  // opens and then breaks off does not start the count again.
  if (PlayState.duration < 0) {
    ++PlaylistState.failedInRow;
  } else {
    // Every track gets a fresh graph: it plays at the level the user chose.
    player.SetVolume(AppSettings.Volume);
  }
}

void StartAt(HWND list, CMediaPlayer& player, int index) {
  PlaylistState.current = index;
  PlayTrack(list, player, index);
}

// The entry after or before the current one; in random order both pick at random.
int StepIndex(int count, bool forward) {
  if (AppSettings.RepeatMode == kRepeatRandom) return count == 1 ? 0 : RandomPick(count - 1);
  return forward ? ForwardIndex(PlaylistState.current, count) : BackIndex(PlaylistState.current, count);
}

void Step(HWND list, CMediaPlayer& player, bool forward) {
  int count = Count(list);
  if (count == 0) return;
  StartAt(list, player, StepIndex(count, forward));
}

// Forward and Back pressed by the user: the mark moves at once, and the track
// starts only once the presses pause, so a burst of presses builds one graph
// on this thread instead of one each. The old track falls silent at once.
void StepLater(HWND mainWindow, CMediaPlayer& player, bool forward) {
  HWND list = ListOf(mainWindow);
  int count = Count(list);
  if (count == 0) return;
  int index = StepIndex(count, forward);
  if (PlaylistState.movePending) {
    SetMark(list, PlaylistState.current, kMarkOther);
  } else {
    StopPlayback(list, player);
    PlaylistState.movePending = true;
  }
  PlaylistState.current = index;
  SetMark(list, index, kMarkPlaying);
  PlayState.position = 0;
  PlayState.state = Playing;
  g_chosenTimerWindow = mainWindow;
  g_chosenPlayer = &player;
  // The same timer again: each press starts the wait anew.
  SetTimer(mainWindow, kChosenTrackTimer, kChosenTrackDelayMs, ChosenTrackTimer);
}

// A track that could not be opened counts as ended. Random order then goes
// on in list order, so every entry is tried once; the player stops when all
// of them failed in a row, and in one-track repeat at once.
void SkipFailedTrack(HWND list, CMediaPlayer& player) {
  int count = Count(list);
  if (count == 0 || PlaylistState.failedInRow >= count || AppSettings.RepeatMode == kRepeatOne) {
    StopPlayback(list, player);
    return;
  }
  if (AppSettings.RepeatMode == kRepeatRandom)
    StartAt(list, player, ForwardIndex(PlaylistState.current, count));
  else
    Step(list, player, true);
}

void TrackEnded(HWND list, CMediaPlayer& player) {
  int count = Count(list);
  switch (AppSettings.RepeatMode) {
    case kRepeatAll:
      Step(list, player, true);
      break;
    case kRepeatOne:
      if (count == 0) return;
      if (PlaylistState.current >= count) PlaylistState.current = 0;
      PlayTrack(list, player, PlaylistState.current);
      break;
    default:
      if (count == 0) return;
      StartAt(list, player, count == 1 ? 0 : RandomPick(count - 1));
      break;
  }
}

void MoveSelected(HWND list, bool down) {
  int sel = FirstSelected(list);
  int count = Count(list);
  if (sel < 0 || (down && sel >= count - 1) || (!down && sel == 0)) return;
  std::wstring name = PlaylistItemText(list, sel, 0), path = PlaylistItemText(list, sel, 1);
  // The copy comes first and the old entry goes: the moved entry loses its
  // mark, and the current index keeps pointing at the same place.
  int copyAt = down ? sel + 2 : sel - 1;
  InsertEntry(list, copyAt, name, path);
  SendMessageA(list, LVM_DELETEITEM, WPARAM(down ? sel : sel + 1), 0);
  int movedTo = down ? sel + 1 : sel - 1;
  SelectAndFocus(list, movedTo);
  SendMessageA(list, LVM_ENSUREVISIBLE, WPARAM(movedTo), FALSE);
}

// The open or save dialog for a list file: its path, or false if cancelled.
bool AskListFile(HWND owner, bool save, std::wstring* path) {
  wchar_t file[MAX_PATH] = L"*.m3u";
  OPENFILENAMEW dialog = {};
  // The older record where the newer one is refused.
  dialog.lStructSize = OsClass >= kOsNt5 ? sizeof dialog : OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = owner;
  // UTF-8 lists (any name) beside the classic ones.
  dialog.lpstrFilter = L"ﾘｽﾄﾌｧｲﾙ (*.m3u)\0*.m3u\0ﾘｽﾄﾌｧｲﾙ UTF-8 (*.m3u8)\0*.m3u8\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = L"m3u";
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!(save ? g_listFileDialogs.save : g_listFileDialogs.open)(&dialog)) return false;
  *path = file;
  return true;
}

}  // namespace

void ApplyPlaylistColours(HWND list) {
  COLORREF text = RGB(AppSettings.R & 0xFF, AppSettings.G & 0xFF, AppSettings.B & 0xFF);
  SendMessageA(list, LVM_SETTEXTCOLOR, 0, LPARAM(text));
  // Entries draw over the background picture.
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, LPARAM(CLR_NONE));
  InvalidateRect(list, nullptr, TRUE);
}

void PreparePlaylistControl(HWND list) {
  if (!list) return;
  LONG style = GetWindowLongA(list, GWL_STYLE);
  style = (style & ~(LVS_TYPEMASK | LVS_SINGLESEL)) | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS;
  SetWindowLongA(list, GWL_STYLE, style);
  struct Column {
    const char* title;
    int width;
  };
  const Column columns[] = {{"File Name", 220}, {"File Path", 420}};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(columns[i].title);
    column.cx = columns[i].width;
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(i), LPARAM(&column));
  }
  // Image 0 marks the current track, image 1 every other entry. The list
  // owns the image list and frees it with itself.
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
  for (int id : {IDI_PLAYING, IDI_NOT_PLAYING}) {
    HICON icon = HICON(LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    ImageList_AddIcon(images, icon);
    if (icon) DestroyIcon(icon);
  }
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
  ApplyPlaylistColours(list);
}

void AddTrack(HWND list, const std::wstring& path) {
  if (IsDevicePath(path)) return;
  InsertEntry(list, Count(list), m3u::NameOfPath(path), path);
}

void AddTrack(HWND list, const char* path) {
  std::wstring wide;
  if (path && Widen(path, strlen(path), CP_ACP, &wide, BadBytes::kFail)) AddTrack(list, wide);
}

namespace {

enum class Loaded { kUnreadable, kNothingUsable, kRead };

Loaded LoadInto(HWND list, const std::wstring& listPath) {
  std::string bytes;
  if (ReadWholeFile(listPath, &bytes, kMaxListBytes) != ReadResult::kRead) return Loaded::kUnreadable;
  bool usable = AddEntries(list, bytes, m3u::FolderOfPath(listPath), m3u::IsUtf8ListName(listPath));
  return usable ? Loaded::kRead : Loaded::kNothingUsable;
}

// The time a file was last written, or false when there is none of that name.
bool LastWritten(const char* path, FILETIME* time) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  *time = found.ftLastWriteTime;
  return true;
}

// A missing backup is no backup that went unread.
Loaded LoadBackup(HWND list, const char* path) {
  Loaded loaded = LoadInto(list, Widen(path, CP_ACP));
  if (loaded == Loaded::kNothingUsable || (loaded == Loaded::kUnreadable && FileExists(path))) g_backupUnread = true;
  return loaded;
}

}  // namespace

bool LoadListFile(HWND list, const std::wstring& listPath) { return LoadInto(list, listPath) != Loaded::kUnreadable; }
bool LoadListFile(HWND list, const char* listPath) { return LoadListFile(list, Widen(listPath, CP_ACP)); }

bool WriteListFile(HWND list, const std::wstring& listPath) {
  return ReplaceFileSafely(listPath, m3u::FormatList(Paths(list), m3u::IsUtf8ListName(listPath)));
}
bool WriteListFile(HWND list, const char* listPath) { return WriteListFile(list, Widen(listPath, CP_ACP)); }

void LoadBackupList(HWND list) {
  g_backupUnread = false;
  FILETIME utf8 = {}, system = {};
  bool hasUtf8 = LastWritten(kBackupListUtf8, &utf8), hasSystem = LastWritten(kBackupList, &system);
  // The UTF-8 list is written after the other one; an older one is stale.
  if (hasUtf8 && (!hasSystem || CompareFileTime(&utf8, &system) >= 0) &&
      LoadBackup(list, kBackupListUtf8) == Loaded::kRead)
    return;
  LoadBackup(list, kBackupList);
}

void SaveBackupList(HWND list) {
  if (g_backupUnread && Count(list) == 0) return;
  std::vector<std::wstring> paths = Paths(list);
  std::string system;
  bool whole = m3u::FormatSystemList(paths, &system);
  bool saved = ReplaceFileSafely(kBackupList, system);
  if (!whole) {
    saved = ReplaceFileSafely(kBackupListUtf8, m3u::FormatUtf8List(paths, false)) && saved;
  } else if (saved && GetFileAttributesA(kBackupListUtf8) != INVALID_FILE_ATTRIBUTES) {
    // Only once "backup.m3u" holds the list whole.
    saved = DeleteFileA(kBackupListUtf8) != FALSE;
  }
  if (saved) g_backupUnread = false;
}

void StartChosenTrack(HWND mainWindow, CMediaPlayer& player) {
  if (!PlaylistState.movePending) return;
  PlayTrack(ListOf(mainWindow), player, PlaylistState.current);
}

void StopPlayback(HWND list, CMediaPlayer& player) {
  CancelChosenTrack();
  for (int i = 0, n = Count(list); i < n; ++i) SetMark(list, i, kMarkOther);
  PlayState.position = 0;
  PlayState.state = Stopped;
  player.StopAndRewind();
}

void PlaylistTick(HWND mainWindow, CMediaPlayer& player) {
  // The chosen track has not started yet; the old graph has nothing to say.
  if (PlaylistState.movePending) return;
  HWND list = ListOf(mainWindow);
  if (PlayState.duration < 0) {
    SkipFailedTrack(list, player);
    return;
  }
  PlayState.position = player.GetPosition();
  if (!PlaylistState.sliderDragged) {
    HWND slider = GetDlgItem(mainWindow, IDC_POSITION);
    LPARAM percent = SliderPercent(PlayState.position, PlayState.duration);
    // Moving the thumb repaints the slider: only when it really moves.
    if (SendMessageA(slider, TBM_GETPOS, 0, 0) != percent) SendMessageA(slider, TBM_SETPOS, TRUE, percent);
  }
  switch (player.PollEvent()) {
    case CMediaPlayer::TrackEvent::Complete:
      PlaylistState.failedInRow = 0;
      TrackEnded(list, player);
      break;
    case CMediaPlayer::TrackEvent::Aborted:
      // The graph stopped on an error and will not end by itself: the track
      // counts as one that could not be opened, taken at the next tick.
      PlayState.duration = -1;
      ++PlaylistState.failedInRow;
      break;
    case CMediaPlayer::TrackEvent::None:
      break;
  }
}

void SliderScroll(HWND mainWindow, CMediaPlayer& player, int scrollCode) {
  if (scrollCode == TB_THUMBTRACK) {
    PlaylistState.sliderDragged = true;
  } else if (scrollCode == TB_ENDTRACK) {
    // A seek belongs to the track the user chose.
    StartChosenTrack(mainWindow, player);
    if (PlayState.state == Playing) {
      int percent = int(SendDlgItemMessageA(mainWindow, IDC_POSITION, TBM_GETPOS, 0, 0));
      player.SeekPercent(percent, PlayState.duration);
    }
    PlaylistState.sliderDragged = false;
  }
}

void PlaylistCommand(HWND mainWindow, CMediaPlayer& player, int id) {
  HWND list = ListOf(mainWindow);
  // Play and Stop replace a chosen track that waits; Forward and Back move
  // on from it; everything else acts on it, so it starts first.
  if (id != IDC_PLAY && id != IDC_STOP && id != IDC_BACK && id != IDC_FORWARD) StartChosenTrack(mainWindow, player);
  switch (id) {
    case IDC_PLAY: {
      if (Count(list) == 0) return;
      int sel = FirstSelected(list);
      PlaylistState.failedInRow = 0;
      StartAt(list, player, sel < 0 ? 0 : sel);
      break;
    }
    case IDC_PAUSE:
      if (PlayState.state == Stopped) return;
      PlayState.state = PlayState.state == Playing ? Paused : Playing;
      player.TogglePause();
      break;
    case IDC_STOP:
      StopPlayback(list, player);
      break;
    case IDC_BACK:
    case IDC_FORWARD:
      PlaylistState.failedInRow = 0;
      StepLater(mainWindow, player, id == IDC_FORWARD);
      break;
    case IDC_MOVE_UP:
    case IDC_MOVE_DOWN:
      MoveSelected(list, id == IDC_MOVE_DOWN);
      break;
    case IDC_LOAD_LIST:
    case IDC_WRITE_LIST: {
      std::wstring path;
      bool save = id == IDC_WRITE_LIST;
      if (AskListFile(mainWindow, save, &path)) {
        if (save) {
          if (!WriteListFile(list, path))
            ShowMessage(mainWindow, path + L"\nに書き込めません", kListErrorCaption, MB_OK | MB_ICONINFORMATION);
        } else {
          std::string bytes;
          // An unreadable file leaves the list as it is; one too large to be
          // a list is not read into memory at all.
          ReadResult read = ReadWholeFile(path, &bytes, kMaxListBytes);
          if (read == ReadResult::kRead) {
            SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
            AddEntries(list, bytes, m3u::FolderOfPath(path), m3u::IsUtf8ListName(path));
          } else if (read == ReadResult::kTooLarge) {
            ShowMessage(mainWindow, path + L"\nは大きすぎるため読み込めません（64 MB まで）", kListErrorCaption,
                        MB_OK | MB_ICONINFORMATION);
          }
        }
      }
      // The dialog makes the list's folder current; the program works from its own.
      RestoreProgramFolder();
      break;
    }
    case IDC_DELETE:
      for (int sel; (sel = FirstSelected(list)) >= 0;) SendMessageA(list, LVM_DELETEITEM, WPARAM(sel), 0);
      break;
    case IDC_DELETE_ALL:
      SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
      break;
    case IDM_REPEAT_ALL:
    case IDM_REPEAT_ONE:
    case IDM_REPEAT_RANDOM:
      // Kept in memory; written with the window state.
      AppSettings.RepeatMode = id - IDM_REPEAT_ALL;
      break;
    default:
      break;
  }
}
