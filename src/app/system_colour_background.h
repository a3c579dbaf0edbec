#pragma once

#include <QPalette>

class QWidget;

namespace quill {

// Gives the window's background a colour of the desktop's palette, by its
// role and not as a copy: when the desktop's palette changes, the background
// follows, unless someone else (a skin, say) has painted the window since.
// A later call takes the place of an earlier one.
void followSystemColour(QWidget &window, QPalette::ColorRole role);

} // namespace quill
