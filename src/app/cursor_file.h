#pragma once

#include <QCursor>
#include <QString>

namespace quill {

// Reads a Windows cursor (.cur) file: the image through Qt's ICO reader and
// the hotspot from the file's first directory entry. Throws Failure when the
// file cannot be read or is not a cursor.
QCursor loadCursorFile(const QString &path);

} // namespace quill
