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
#include "framework/wide_text.h"
#include "framework/wnd.h"
#include "media/playlist.h"
#include "media/playlist_rules.h"
#include "media/video_dialog.h"

std::wstring DropPath;

namespace {

// The response file the compress dialog's libraries read, in the current
// folder (the program's).
const char kResponseFile[] = "res";

// The shell's names in UTF-16, whatever their length: the 8-bit form would
// turn a name the code page lacks into a look-alike or "?".
std::vector<std::wstring> DroppedPaths(HDROP drop) {
  std::vector<std::wstring> paths;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (!length) continue;
    std::wstring path(length + 1, L'\0');
    UINT got = DragQueryFileW(drop, i, &path[0], length + 1);
    path.resize(got < length ? got : length);
    if (!path.empty()) paths.push_back(path);
  }
  return paths;
}

const char kNameRefusedForExtraction[] =
    "ファイル名に、インストールされている解凍ライブラリーが扱えない文字が含まれているため、解凍できません";

void Extract(const DropTarget& target, const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) {
    int result = ExtractArchive(target.window->m_hWnd, path);
    if (result == 1) continue;
    std::wstring text = result == kExtractNameRefused ? NameRefusedText(path, kNameRefusedForExtraction)
                                                      : path + Widen("\nは解凍できません", CP_ACP);
    ShowMessage(target.window->m_hWnd, text, "解凍エラー", MB_OK | MB_ICONINFORMATION);
  }
}

// The response file's text: in the code page, byte for byte as it always
// was, when it holds every name; else in UTF-8 after a byte-order mark (the
// compress dialog writes it again for the library it calls).
std::string ResponseText(const std::vector<std::wstring>& paths) {
  std::string text;
  for (const std::wstring& path : paths) {
    std::string name;
    if (!NarrowExact(FileNameOf(path), CP_ACP, &name)) {
      text = "\xEF\xBB\xBF";
      for (const std::wstring& each : paths) text += "\"" + Narrow(FileNameOf(each), CP_UTF8) + "\"\r\n";
      return text;
    }
    text += ResponseLine(name);
  }
  return text;
}

void Compress(const DropTarget& target, const std::vector<std::wstring>& paths) {
  CHandle file(CreateFileA(kResponseFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  bool written = file.Valid();
  if (written) {
    std::string text = ResponseText(paths);
    DWORD wrote = 0;
    written = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) && wrote == text.size();
  }
  if (!file.Close()) written = false;
  if (!written) {
    // The libraries would pack nothing: say so rather than open the dialog.
    DeleteFileA(kResponseFile);
    g_sideEffects.messageBox(target.window->m_hWnd, "圧縮するファイルの一覧（res）を作成できません", "圧縮エラー",
                             MB_OK | MB_ICONINFORMATION);
    return;
  }
  DropPath = WithoutLastExtension(paths.front());
  std::vector<std::wstring> names;
  for (const std::wstring& path : paths) names.push_back(FileNameOf(path));
  CCompressDialog dialog(DropPath, kResponseFile, names, target.window->m_hWnd);
  dialog.DoModal();
  DeleteFileA(kResponseFile);
}

// One job at a time: the compress, split and join dialogs and the archiver
// libraries' progress window run message loops of their own, through which a
// second drop would reach the main window, open a second dialog and overwrite
// "res" under the first.
bool g_dropRunning = false;

void AddMusic(const DropTarget& target, const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) {
    std::string extension;
    if (AsciiExtension(path, &extension) && IsMusicFile(("x" + extension).c_str())) AddTrack(target.playlist, path);
  }
}

}  // namespace

void DispatchDrop(const DropTarget& target, HDROP drop) {
  std::vector<std::wstring> paths = DroppedPaths(drop);
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
      DropPath = paths.front();
      StartSplit(target.window->m_hWnd, DropPath);
      break;
    case DropBranch::Join:
      DropPath = paths.front();
      StartJoin(target.window->m_hWnd, DropPath);
      break;
    case DropBranch::Video:
      if (IsVideoFile(paths.front())) {
        DropPath = paths.front();
        target.video->Open(target.window, DropPath);
      }
      break;
    case DropBranch::None: break;
  }
  g_dropRunning = false;
}
