// The user-interface seam over a real dialog window. Every operation but
// PostDialogMessage runs on the thread that owns the window.
#pragma once

#include <windows.h>

#include "ui/controls/UiPort.h"

class Win32UiPort : public UiPort {
public:
    // `dialog` must outlive the port. Timers arrive as WM_TIMER at the
    // dialog's procedure, which routes them to the dialog logic.
    explicit Win32UiPort(HWND dialog) : m_dialog(dialog) {}

    bool PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void DiscardPosted(uint32_t first, uint32_t last) override;

    void EnableControl(int id, bool enable) override;
    void ShowControl(int id, bool show) override;
    void SetControlText(int id, const char* text) override;
    size_t GetControlText(int id, char* buffer, size_t size) override;
    void SetCheck(int id, bool checked) override;

    void ResetList(int id) override;
    int AddListEntry(int id, const char* text) override;
    int ListCount(int id) override;
    int ListSelection(int id) override;
    void SetListSelection(int id, int index) override;
    int FindListPrefix(int id, const char* prefix) override;
    int SelectedPositions(int id, int* positions, int max) override;
    void SelectAllEntries(int id) override;

    void SetProgressRange(int id, int low, int high) override;
    void SetProgressPosition(int id, int position) override;
    void SetProgressState(int id, ProgressBarState state) override;

    void SetAddress(int id, uint32_t address) override;
    uint32_t GetAddress(int id) override;

    void ShowMessageBox(uint32_t type, const char* caption, const char* text) override;
    bool ChooseFolder(const char* title, char* path, size_t size) override;
    int RunLogSettingsDialog(LogSettingsAnswer& answer) override;

    void SetDialogTimer(uint32_t id, uint32_t milliseconds) override;
    void KillDialogTimer(uint32_t id) override;

    void SetCaption(const char* text) override;
    void MoveDialog(int left, int top) override;
    ScreenArea ScreenUnderCaption(int left, int top) override;
    int DialogWidth() override;
    WindowPosition GetPlacement() override;
    void EndDialog(int result) override;

private:
    LRESULT Send(int id, UINT message, WPARAM wParam, LPARAM lParam);
    bool IsListBox(int id);

    HWND m_dialog;
};
