#pragma once

#include <QByteArray>
#include <QColor>

namespace quill::test {

// A Windows cursor file of one 32-bit image filled with `colour`.
QByteArray cursorFileBytes(int size, int hotX, int hotY, QColor colour = Qt::black);

} // namespace quill::test
