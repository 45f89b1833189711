// The main dialog's procedure (template 129): the Windows side of the
// dialog, forwarding to the portable dialog logic.
#pragma once

#include <windows.h>

// lParam of WM_INITDIALOG is the DialogState the dialog runs on; it must
// outlive the window.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
