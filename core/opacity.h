// Opacity of the main window and the launcher (the WINDOW/Skelton setting,
// in percent), through a layered window's alpha.
#pragma once
#include <windows.h>

// Alpha of the layered window for an opacity in percent (255 at 100, 55 at
// 0, so a window never vanishes); a stored value outside 0..100 is held to it
// rather than wrapping around in the byte.
int AlphaForOpacity(int skelton);
// Applies the opacity through SetLayeredWindowAttributes, looked up each time
// because older systems lack it.
void ApplyTransparency(HWND window, int skelton);
