// What happens to files dropped on the main window: the playlist takes music
// dropped on its part; above it the chosen drop action applies.
#pragma once
#include <windows.h>

#include <string>

class CWnd;
class CVideoDialog;

// The path the next window opened for a drop reads (the compress dialog's
// archive name, the video window's file), exactly as the shell named it.
extern std::wstring DropPath;

// What of the main window a drop needs; the main window fills it in.
struct DropTarget {
  CWnd* window;         // owns messages and dialogs; its rectangle decides the branch
  int action;           // the drop combo box's selection
  HWND playlist;        // where music goes
  CVideoDialog* video;  // the window videos play in
};

// Handles the drop and releases the drop handle.
void DispatchDrop(const DropTarget& target, HDROP drop);
