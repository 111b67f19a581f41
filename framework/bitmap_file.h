// The one way the program reads a picture file: damaged files (a download
// cut short, a header that claims more than the file holds) are refused
// instead of being handed to the system's loader, which would read past
// their end.
#pragma once
#include <windows.h>

#include "framework/bitmap_check.h"

// Loads a bitmap file at its own size as a device-independent section, or
// returns null when the file is missing, unreadable or not a sound bitmap.
HBITMAP LoadBitmapFile(const char* path);

// Copies the part of a bitmap file at (sourceX, sourceY), width by height
// (the whole picture when either is negative), to (x, y) of dc. A picture
// that cannot be loaded draws nothing.
void DrawBitmapFile(HDC dc, int x, int y, int width, int height, const char* path, int sourceX = 0,
                    int sourceY = 0);
