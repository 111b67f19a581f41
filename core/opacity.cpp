#include "core/opacity.h"

#include <algorithm>

int AlphaForOpacity(int skelton) {
  skelton = std::clamp(skelton, 0, 100);
  return (skelton * 200 + 5500) / 100;
}

void ApplyTransparency(HWND window, int skelton) {
  HMODULE user32 = LoadLibraryA("user32.dll");
  if (!user32) return;
  using SetLayered = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
  auto set = reinterpret_cast<SetLayered>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
  if (set) set(window, 0, BYTE(AlphaForOpacity(skelton)), LWA_ALPHA);
  FreeLibrary(user32);
}
