#include "filetools/drop_dispatcher.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "core/side_effects.h"
#include "filetools/archive_bridge.h"
#include "filetools/compress_dialog.h"
#include "filetools/drop_rules.h"
#include "filetools/join_dialog.h"
#include "filetools/split_dialog.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "media/playlist.h"
#include "media/playlist_rules.h"
#include "media/video_dialog.h"

char DropPath[MAX_PATH];

namespace {

// The response file the compress dialog's libraries read, in the current
// folder (the program's).
const char kResponseFile[] = "res";

std::vector<std::string> DroppedPaths(HDROP drop) {
  std::vector<std::string> paths;
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    char path[MAX_PATH] = "";
    if (DragQueryFileA(drop, i, path, sizeof path)) paths.push_back(path);
  }
  return paths;
}

void SetDropPath(const std::string& path) {
  lstrcpynA(DropPath, path.c_str(), sizeof DropPath);
}

void Extract(const DropTarget& target, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (!ExtractArchive(target.window->m_hWnd, path.c_str())) {
      std::string text = path + "\nは解凍できません";
      g_sideEffects.messageBox(target.window->m_hWnd, text.c_str(), "解凍エラー", MB_OK | MB_ICONINFORMATION);
    }
  }
}

void Compress(const DropTarget& target, const std::vector<std::string>& paths) {
  CHandle file(CreateFileA(kResponseFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  bool written = file.Valid();
  for (size_t i = 0; written && i < paths.size(); ++i) {
    std::string line = ResponseLine(paths[i]);
    DWORD wrote = 0;
    written = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr) && wrote == line.size();
  }
  if (!file.Close()) written = false;
  if (!written) {
    // The libraries would pack nothing: say so rather than open the dialog.
    DeleteFileA(kResponseFile);
    g_sideEffects.messageBox(target.window->m_hWnd, "圧縮するファイルの一覧（res）を作成できません", "圧縮エラー",
                             MB_OK | MB_ICONINFORMATION);
    return;
  }
  SetDropPath(WithoutLastExtension(paths.front()));
  CCompressDialog dialog(DropPath, kResponseFile, target.window->m_hWnd);
  dialog.DoModal();
  DeleteFileA(kResponseFile);
}

// One job at a time: the compress, split and join dialogs and the archiver
// libraries' progress window run message loops of their own, through which a
// second drop would reach the main window, open a second dialog and overwrite
// "res" under the first.
bool g_dropRunning = false;

void AddMusic(const DropTarget& target, const std::vector<std::string>& paths) {
  for (const std::string& path : paths)
    if (IsMusicFile(path.c_str())) AddTrack(target.playlist, path.c_str());
}

}  // namespace

void DispatchDrop(const DropTarget& target, HDROP drop) {
  std::vector<std::string> paths = DroppedPaths(drop);
  RECT window = {};
  POINT cursor = {};
  GetWindowRect(target.window->m_hWnd, &window);
  GetCursorPos(&cursor);
  // The shell's handle is not needed past this point; dialogs may run long.
  DragFinish(drop);
  if (paths.empty()) return;
  if (g_dropRunning) {
    g_sideEffects.messageBox(target.window->m_hWnd, "前の処理が終わってから、もう一度ドロップしてください。", "Tovix",
                             MB_OK | MB_ICONINFORMATION);
    return;
  }
  g_dropRunning = true;
  switch (ChooseDropBranch(window.top, cursor.y, target.action)) {
    case DropBranch::Playlist: AddMusic(target, paths); break;
    case DropBranch::Extract: Extract(target, paths); break;
    case DropBranch::Compress: Compress(target, paths); break;
    case DropBranch::Split:
      SetDropPath(paths.front());
      StartSplit(target.window->m_hWnd, DropPath);
      break;
    case DropBranch::Join:
      SetDropPath(paths.front());
      StartJoin(target.window->m_hWnd, DropPath);
      break;
    case DropBranch::Video:
      if (IsVideoFile(paths.front())) {
        SetDropPath(paths.front());
        target.video->Open(target.window, DropPath);
      }
      break;
    case DropBranch::None: break;
  }
  g_dropRunning = false;
}
