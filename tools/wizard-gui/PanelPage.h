// The wizard's page kind: one panel of the options database.
#pragma once

#include <windows.h>

INT_PTR CALLBACK PanelPageProc(HWND hwndPage, UINT message, WPARAM wParam, LPARAM lParam);
