#pragma once

#include <QIODevice>
#include <QString>

#include <memory>

class QFile;

namespace quill {

// Opens a path for reading, or for writing without cutting it, without ever
// waiting: a FIFO with nobody at its other end would block the open for
// good. Once open, reads and writes wait as for any file, so a FIFO's
// writer is read to its end. Folders are refused with QFile's own words.
// Throws Failure with the system's words when the open fails.
std::unique_ptr<QFile> openWithoutWaiting(const QString &path, QIODevice::OpenMode mode);

// True when the open file is a regular file, not a FIFO, socket or device.
bool isRegularFile(const QFile &file) noexcept;

} // namespace quill
