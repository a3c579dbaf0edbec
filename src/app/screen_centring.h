#pragma once

class QWidget;

namespace quill {

// Places a top-level window so that its frame, as far as it is known, is
// centred on the window's screen.
void centreFrameOnScreen(QWidget &window);

// Centres the window's frame on its screen now, once it has been shown, and
// once more when a window manager has framed it: before that the frame is
// not known, and a frame placed by the client area alone sits low and to
// the right. On a bare X server there is no frame and the first placing
// stays.
void keepCentredOnScreen(QWidget &window);

} // namespace quill
