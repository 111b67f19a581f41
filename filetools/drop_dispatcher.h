// What happens to files dropped on the main window.
#pragma once
#include <windows.h>

class CMainDialog;

// Takes over the drop handle and releases it.
void DispatchDrop(CMainDialog& mainWindow, HDROP drop);
