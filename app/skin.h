// Skins: the background picture and the button pictures of the main window
// and the launcher, read from the folders under "skin".
#pragma once
#include <windows.h>

// The current skin folder, for example .\skin\default\ .
extern char SkinFolder[256];

void ApplySkin(HWND mainWindow);
void ApplyListBackground(HWND list);
