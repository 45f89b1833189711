// The seam between the dialog logic and a user interface. The dialog logic
// (ui/, retrieval/) sees controls by numeric id only; ui/win32 renders the
// real dialogs, ui/headless keeps everything in memory. All operations but
// the posting ones of DialogPoster run on the dialog's thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/DialogPoster.h"
#include "settings/WindowPosition.h"

enum ProgressBarState : int { PROGRESS_NORMAL = 1, PROGRESS_ERROR = 2, PROGRESS_PAUSED = 3 };

// The answers of the log-settings dialog, in and out.
struct LogSettingsAnswer {
    bool collect;          // check box 1026
    char sizeText[16];     // edit 1027, at most 15 characters
};

class UiPort : public DialogPoster {
public:
    // Controls.
    virtual void EnableControl(int id, bool enable) = 0;
    virtual void ShowControl(int id, bool show) = 0;
    virtual void SetControlText(int id, const char* text) = 0;
    // Copies at most size - 1 characters and terminates; returns the length.
    virtual size_t GetControlText(int id, char* buffer, size_t size) = 0;
    virtual void SetCheck(int id, bool checked) = 0;

    // Combo boxes and the list box. Sorted where the template says so.
    virtual void ResetList(int id) = 0;
    virtual int AddListEntry(int id, const char* text) = 0;  // position, or -1
    virtual int ListCount(int id) = 0;
    virtual int ListSelection(int id) = 0;  // combo's current entry, -1 when none
    virtual void SetListSelection(int id, int index) = 0;
    // First entry, from the start, that begins with prefix (any case); -1.
    virtual int FindListPrefix(int id, const char* prefix) = 0;
    // A multiple-selection list's selected positions in ascending order, at
    // most max; returns the count.
    virtual int SelectedPositions(int id, int* positions, int max) = 0;
    virtual void SelectAllEntries(int id) = 0;

    // Progress bars.
    virtual void SetProgressRange(int id, int low, int high) = 0;
    virtual void SetProgressPosition(int id, int position) = 0;
    virtual void SetProgressState(int id, ProgressBarState state) = 0;

    // The IP address control, host byte order (first field in the high byte).
    virtual void SetAddress(int id, uint32_t address) = 0;
    virtual uint32_t GetAddress(int id) = 0;

    // Modal boxes and dialogs, owned by the main dialog.
    virtual void ShowMessageBox(uint32_t type, const char* caption, const char* text) = 0;
    // True and the chosen folder's path (bounded) when the user chose one.
    virtual bool ChooseFolder(const char* title, char* path, size_t size) = 0;
    // Runs the log-settings dialog with `answer` as its initial contents;
    // returns 1 for OK (answer holds the controls as they were then) or 0.
    virtual int RunLogSettingsDialog(LogSettingsAnswer& answer) = 0;

    // One-shot timers by id; setting a running one restarts it.
    virtual void SetDialogTimer(uint32_t id, uint32_t milliseconds) = 0;
    virtual void KillDialogTimer(uint32_t id) = 0;

    // The window itself.
    virtual void SetCaption(const char* text) = 0;
    virtual void MoveDialog(int left, int top) = 0;
    // The work area of the screen that holds most of the dialog's caption
    // when the dialog stands at (left, top), and the dialog's width, in
    // screen pixels: what DialogStartPosition weighs.
    virtual ScreenArea ScreenUnderCaption(int left, int top) = 0;
    virtual int DialogWidth() = 0;
    virtual WindowPosition GetPlacement() = 0;
    virtual void EndDialog(int result) = 0;
};
