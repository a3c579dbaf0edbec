#pragma once

class QFrame;

namespace quill {

// Draws the frame's outermost line on the outermost device pixels of the
// frame's widget, over what the style drew. At a fractional scale (1.25,
// 1.5) the style draws the right and bottom lines one logical pixel in,
// where the scale rounds them under the frame's children, and a frame whose
// top or left edge falls between device pixels loses those lines as well.
// At a whole scale nothing is added.
void drawFrameWhole(QFrame &frame);

} // namespace quill
