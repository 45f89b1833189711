// The log-settings dialog (template 132): collection switch and log-file
// size in kilobytes.
#pragma once

#include <windows.h>

// Dialog procedure of template 132. lParam of WM_INITDIALOG is the
// LogSettingsAnswer the dialog starts from and, on OK, writes back; it must
// outlive the dialog. The dialog's result is 1 for OK and 0 for Cancel.
INT_PTR CALLBACK LogSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
