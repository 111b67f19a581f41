#include "skin.h"

char SkinFolder[256] = "";

// The pictures come with the skins.
void ApplySkin(HWND) {}
void ApplyListBackground(HWND) {}
