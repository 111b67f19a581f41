#include <winsock2.h>  // before <windows.h>

#include "side_effects.h"

namespace {

int SystemSocketStartup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data);
}

int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}

}  // namespace

const SideEffects kSystemSideEffects = {SystemSocketStartup, SystemMessageBox};
SideEffects g_sideEffects = kSystemSideEffects;
