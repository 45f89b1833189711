#include "ui/controls/DialogState.h"

std::unique_ptr<DialogState> NewDialogState() { return std::make_unique<DialogState>(); }
