#pragma once

namespace quill {

// True where nobody but the window itself draws its title bar: a Wayland
// compositor that offers no server-side decorations, with Qt's own
// client-side decorations left on. Qt's are then the ones drawn, and they
// always carry a maximise button. Anywhere else (X11, a compositor that
// decorates windows, decorations turned off) it is false.
bool windowDrawsItsOwnTitleBar();

} // namespace quill
