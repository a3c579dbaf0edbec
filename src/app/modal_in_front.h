#pragma once

class QDialog;

namespace quill {

// Shows the dialog application-modal and waits until it is done, as
// QDialog::exec() does, keeping it in front of the windows it blocks: when
// one of them becomes active (the user clicked it, or the window manager
// chose it), the activation is handed back to the dialog, raised above it.
// Where the window manager only marks the dialog as asking for attention
// (sway's default), the dialog is shown anew, which such a window manager
// puts in front with the keyboard. Without this the dialog would stay
// hidden, with the keyboard on a window that takes no input.
int execInFront(QDialog &dialog);

} // namespace quill
