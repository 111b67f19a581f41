// Places, sizes and tool tips of the main window's controls.
#include <algorithm>

#include "core/settings.h"
#include "framework/window_tools.h"
#include "resources/resource.h"
#include "app/main_dialog.h"
#include "app/skin.h"

namespace {

const char* const kDropActions[] = {"解凍", "圧縮", "分割", "結合", "動画"};

struct ToolTipText {
  int id;
  const char* text;
};
const ToolTipText kToolTips[] = {
    {IDC_CLEAN_MEMORY, "メモリ解放"},
    {IDC_EXIT_WINDOWS, "Windowsの終了ダイアログ"},
    {IDC_HIDE, "タスクトレイにしまう"},
    {IDC_QUIT, "終了します"},
    {IDC_SETTINGS, "設定"},
    {IDC_LAUNCHER, "ランチャー"},
    {IDC_DROP_ACTION, "ドロップされたファイルの処理"},
    {IDC_PLAY, "再生"},
    {IDC_PAUSE, "一時停止／再開"},
    {IDC_STOP, "停止"},
    {IDC_BACK, "戻る"},
    {IDC_FORWARD, "進む"},
    {IDC_OPEN_LIST, "リストを開く"},
    {IDC_CLOSE_LIST, "リストを閉じる"},
    {IDC_MOVE_UP, "アイテムを上へ移動"},
    {IDC_MOVE_DOWN, "アイテムを下へ移動"},
    {IDC_LOAD_LIST, "ファイル読み込み"},
    {IDC_WRITE_LIST, "リスト書き出し"},
    {IDC_DELETE, "削除"},
    {IDC_DELETE_ALL, "全て削除"},
};

struct FixedPlace {
  int id, x, y, width, height;
};
const FixedPlace kFixedPlaces[] = {
    {IDC_DROP_ACTION, 4, 22, 46, 120},  // height includes the dropped list
    {IDC_PLAYLIST, 0, 69, 190, 108},
    {IDC_POSITION, 149, 179, 49, 16},
};

}  // namespace

void CMainDialog::BindControls() {
  m_background.SubclassDlgItem(IDC_BACKGROUND, this);
  for (size_t i = 0; i < sizeof m_buttons / sizeof m_buttons[0]; ++i)
    m_buttons[i].SubclassDlgItem(UINT(kSkinPlaces[i].id), this);
  // The box, the list and the slider get pixel places that fit the skin's
  // layout whatever the dialog font's metrics are.
  for (const FixedPlace& place : kFixedPlaces)
    SetWindowPos(GetDlgItem(place.id), nullptr, place.x, place.y, place.width, place.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainDialog::FillDropActions() {
  HWND combo = GetDlgItem(IDC_DROP_ACTION);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const char* text : kDropActions) SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(text));
  // A stored index outside the list selects the first action.
  if (m_dropAction < 0 || m_dropAction >= int(sizeof kDropActions / sizeof kDropActions[0])) m_dropAction = 0;
  SendMessageA(combo, CB_SETCURSEL, WPARAM(m_dropAction), 0);
}

void CMainDialog::CreateToolTips() {
  m_toolTip = CreateToolTip(m_hWnd);
  if (!m_toolTip || !AppSettings.TipEnable) return;
  for (const ToolTipText& tip : kToolTips) {
    if (HWND control = GetDlgItem(tip.id)) AddToolTip(m_toolTip, m_hWnd, control, tip.text);
  }
}

void CMainDialog::SetHeight(int height) {
  RECT r;
  GetWindowRect(m_hWnd, &r);
  AppSettings.MainWindowX = r.left;
  AppSettings.MainWindowY = r.top;
  AppSettings.Size = height;
  MoveWindow(m_hWnd, r.left, r.top, kMainWidth, std::max(0, height), TRUE);
}

void CMainDialog::OnMove() {
  RECT r;
  GetWindowRect(m_hWnd, &r);
  Placement p = KeepOnScreen(r.left, r.top, r.left, r.top, r.right, r.bottom,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                             kMainWidth, AppSettings.Size);
  if (p.move) MoveWindow(m_hWnd, p.x, p.y, kMainWidth, std::max(0, AppSettings.Size), TRUE);
}

