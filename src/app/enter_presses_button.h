#pragma once

class QAbstractButton;

namespace quill {

// Enter and keypad Enter press the button as Space does: down on the key's
// press, a click on its release, nothing on auto-repeat. Qt presses a button
// on Enter only when it is a dialog's default, which would also draw the
// default frame; here the button's look and the tab order stay as they are.
void pressOnEnter(QAbstractButton &button);

} // namespace quill
