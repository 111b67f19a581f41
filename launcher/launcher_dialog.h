// The launcher window: 110 entries, ten per page on eleven pages, each a file
// registered by dropping it on a button and opened through the shell by a
// click. The entries live in the profile, section LUN, keys lun01..lun110.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "framework/skin_button.h"
#include "launcher/launcher_buttons.h"
#include "launcher/launcher_rules.h"

class CLauncherDialog : public CDialog {
 public:
  CLauncherDialog();
  ~CLauncherDialog() override;

  // The skin folder the window takes its pictures from (e.g. .\skin\default\),
  // given before Create: the window reads it while it sets itself up.
  void SetSkinFolder(const char* folder);

  // Back to the first page.
  void ResetLauncherPage();
  // Reloads the ten buttons of the current page from the profile.
  void RefreshLauncherPage();
  // The button in place k (1..10) of the current page was clicked: opens its
  // entry, or with Shift held deletes it.
  void LaunchItem(int k);
  // Opens entry n (lun01..lun110) whatever page is shown, for the main
  // window's F1..F10; nothing else changes.
  void LaunchEntry(int n);

  // For tests that look at the window's parts.
  int Page() const { return m_page; }
  CLauncherButton& Item(int k) { return m_items[k - 1]; }
  CSkinButton& SkinButton(int i) { return m_skinButtons[i]; }
  HWND ToolTip() const { return m_toolTip; }

 protected:
  BOOL OnInitDialog() override;
  // Enter and Esc never close it.
  void OnOK() override {}
  void OnCancel() override {}
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnCommand(int id, int code);
  void Scroll(int delta);
  void ShowPageNumber();
  void OnDropFiles(HDROP drop);
  void OnMove();
  void OnPaint();
  HBRUSH PageNumberBackground(HDC dc);
  // Opens the stored path of entry n through the shell; an entry that cannot
  // be opened (too long, or refused by the shell) is reported in a message.
  void OpenEntry(int n);
  void StorePosition();
  void BackgroundPath(char* path, size_t size) const;

  int m_page = -1;  // -1 only while the window sets itself up
  char m_skinFolder[MAX_PATH] = "";
  CLauncherButton m_items[kLauncherPageItems];
  // Page up IDC_LUN_UP, page down IDC_LUN_DOWN, close IDC_LUN_CLOSE.
  CSkinButton m_skinButtons[3];
  HWND m_toolTip = nullptr;
  // The launcher picture under the page number, and the text colour that
  // stands out from it.
  HBRUSH m_pageBrush = nullptr;
  COLORREF m_pageColour = RGB(255, 255, 255);
};
