// Skins: the background picture and the button pictures of the main window
// (and the launcher), read from the folders under "skin".
#pragma once
#include <windows.h>

// The current skin folder, for example .\skin\default\ .
extern char SkinFolder[256];

// Where each skinned button of the main window sits, in window pixels.
struct SkinPlace {
  int number;  // file number: "%02d" + U.bmp / D.bmp
  int id;      // control id
  int x, y, width, height;
};
extern const SkinPlace kSkinPlaces[19];

// Sets SkinFolder from Skin (falling back to "default" when the chosen skin
// has no sound "00.bmp" or its name is refused), the buttons' pictures and
// places, and the background.
void ApplySkin(HWND mainWindow);
// The playlist's background picture from ListViewBKImage in the skin folder
// (none when the name is refused).
void ApplyListBackground(HWND list);

// Whether a skin or picture name stays directly inside its folder: not empty
// nor only dots, no folder separator, no drive or stream colon, no "..".
bool NameStaysInFolder(const char* name);
