#include "drop_dispatcher.h"

#include <shellapi.h>

// The file tools come later; the drop is released so the shell can go on.
void DispatchDrop(CMainDialog&, HDROP drop) { DragFinish(drop); }
