// A bare window with a 250 ms timer that does nothing: the idle floor that
// the program's own idle cost is measured against.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(w, m, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA c = {};
  c.lpfnWndProc = Proc;
  c.hInstance = instance;
  c.lpszClassName = "BareWindow";
  RegisterClassA(&c);
  HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, "BareWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 220,
                           67, nullptr, nullptr, instance, nullptr);
  SetTimer(w, 1, 250, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
