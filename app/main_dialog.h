// The main window: status panel, command buttons, drop-action box, music row
// and playlist in one borderless window 220 pixels wide.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "../framework/app.h"
#include "../framework/dialog.h"
#include "../launcher/launcher_dialog.h"
#include "../media/media_player.h"
#include "skin_button.h"

constexpr int MAIN_WIDTH = 220;
constexpr int HEIGHT_COMPACT = 46;
constexpr int HEIGHT_MUSIC = 67;
constexpr int HEIGHT_LIST = 198;

// Whether the launcher is shown by the launcher command, and whether the main
// window is hidden by a double click until the pointer leaves its place.
extern bool LauncherVisible;
extern bool PeekHidden;

// The background picture 1077: when it paints, it paints over the status
// panel, which the next tick then copies onto the window again.
class CPanelBackground : public CWnd {
 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class CMainDialog;
// The running main window, for the parts that draw on it.
extern CMainDialog* g_mainDialog;

class CMainDialog : public CDialog {
 public:
  CMainDialog();
  ~CMainDialog() override;

  BOOL PreTranslateMessage(MSG* msg) override;

  // Selected entry of the drop-action box 1005.
  int DDList = 0;

  NOTIFYICONDATAA m_trayIcon = {};
  CSkinButton m_buttons[19];
  CPanelBackground m_background;
  HWND m_toolTip = nullptr;
  HICON m_icon = nullptr;
  CLauncherDialog m_launcher;
  CMediaPlayer m_player;

  HWND Playlist() const { return GetDlgItem(1048); }
  bool TornDown() const { return m_tornDown; }
  // The launcher window again from its template, hidden.
  void RecreateLauncher();

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  void OnTimer(UINT_PTR id);
  void OnCommand(int id, int code);
  void OnMove();
  void Teardown();

 private:
  void BindControls();
  void FillDropActions();
  void ApplyTopMost();
  void CreateToolTips();
  void SetHeight(int height);
  void OpenLauncher();
  void OpenSettings();
  void Peek();
  HBRUSH SliderBackground(HDC dc);
  bool m_tornDown = false;
  // The skin's background behind the slider, and the folder it came from.
  HBRUSH m_sliderBrush = nullptr;
  char m_sliderBrushFolder[256] = "";
};

// Alpha of the layered window for an opacity in percent (255 at 100, 55 at 0).
int AlphaForOpacity(int skelton);
// Applies the opacity through SetLayeredWindowAttributes, looked up each time
// because older systems lack it.
void ApplyTransparency(HWND window, int skelton);
// The peek re-show check of the tick.
void PeekCheck(CMainDialog& dialog);
