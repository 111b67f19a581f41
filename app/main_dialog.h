// The main window: status panel, command buttons, drop-action box, music row
// and playlist in one borderless window 220 pixels wide.
//
// main_dialog.cpp routes its messages and commands, main_sequences.cpp holds
// its start-up, tick and teardown, main_layout.cpp the places, sizes and tool
// tips of its controls.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "core/placement.h"
#include "framework/app.h"
#include "framework/dialog.h"
#include "launcher/launcher_dialog.h"
#include "resources/resource.h"
#include "media/media_player.h"
#include "media/video_dialog.h"
#include "core/opacity.h"
#include "framework/skin_button.h"

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

  // What the subsystems work on (see main_parts.cpp).
  HWND Playlist() const { return GetDlgItem(IDC_PLAYLIST); }
  CMediaPlayer& Player() { return m_player; }
  // At most one video window, replaced by each video opened.
  CVideoDialog& Video() { return m_video; }
  CLauncherDialog& Launcher() { return m_launcher; }
  NOTIFYICONDATAA& TrayIcon() { return m_trayIcon; }
  // Selected entry of the drop-action box 1005.
  int& DropAction() { return m_dropAction; }

  // For tests that look at the window's parts.
  HWND ToolTip() const { return m_toolTip; }
  HICON Icon() const { return m_icon; }
  CSkinButton& Button(size_t index) { return m_buttons[index]; }
  static constexpr size_t kButtonCount = 19;
  bool TornDown() const { return m_tornDown; }

  // The launcher window again from its template, hidden.
  void RecreateLauncher();

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:

  // main_sequences.cpp
  void OnTimer(UINT_PTR id);
  void Teardown();
  // main_dialog.cpp
  void OnCommand(int id, int code);
  void OpenLauncher();
  void OpenSettings();
  void Peek();
  void ApplyTopMost();
  HBRUSH SliderBackground(HDC dc);
  // main_layout.cpp
  void BindControls();
  void FillDropActions();
  void CreateToolTips();
  void SetHeight(int height);
  void OnMove();

  int m_dropAction = 0;
  NOTIFYICONDATAA m_trayIcon = {};
  CSkinButton m_buttons[kButtonCount];
  CPanelBackground m_background;
  HWND m_toolTip = nullptr;
  HICON m_icon = nullptr;
  CLauncherDialog m_launcher;
  CMediaPlayer m_player;
  CVideoDialog m_video;
  bool m_tornDown = false;
  // The tray menu still reaches the window while the settings sheet has it
  // disabled; a second sheet would refill the working copy under the first.
  bool m_settingsOpen = false;
  // The skin's background behind the slider, and the folder it came from.
  HBRUSH m_sliderBrush = nullptr;
  char m_sliderBrushFolder[256] = "";
};

// The peek re-show check of the tick.
void PeekCheck(CMainDialog& dialog);
