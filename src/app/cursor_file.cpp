#include "cursor_file.h"

#include "core/failure.h"
#include "core/no_wait_open.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

#include <memory>

namespace quill {

namespace {

constexpr qsizetype kDirectoryHeader = 6;
constexpr qsizetype kDirectoryEntry = 16;
constexpr quint16 kCursorType = 2;
// Far more than the largest cursor an X server shows (256 x 256 in colour).
constexpr qint64 kMaxCursorBytes = 1024 * 1024;

Failure invalidPicture() { return Failure(QStringLiteral("Invalid picture"), 481); }

} // namespace

QCursor loadCursorFile(const QString &path)
{
    // A pipe would stall start-up for ever and a device could pour out
    // bytes without end: neither is read.
    const std::unique_ptr<QFile> opened = openWithoutWaiting(path, QIODevice::ReadOnly);
    QFile &file = *opened;
    if (!isRegularFile(file))
        throw invalidPicture();
    const QByteArray bytes = file.read(kMaxCursorBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw Failure(file.errorString());
    if (bytes.size() > kMaxCursorBytes)
        throw invalidPicture();

    if (bytes.size() < kDirectoryHeader + kDirectoryEntry)
        throw invalidPicture();
    const auto *raw = reinterpret_cast<const uchar *>(bytes.constData());
    const quint16 reserved = qFromLittleEndian<quint16>(raw);
    const quint16 type = qFromLittleEndian<quint16>(raw + 2);
    const quint16 count = qFromLittleEndian<quint16>(raw + 4);
    if (reserved != 0 || type != kCursorType || count == 0)
        throw invalidPicture();
    const uchar *entry = raw + kDirectoryHeader;
    const int hotX = qFromLittleEndian<quint16>(entry + 4);
    const int hotY = qFromLittleEndian<quint16>(entry + 6);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull())
        throw invalidPicture();
    return QCursor(QPixmap::fromImage(image), qBound(0, hotX, image.width() - 1), qBound(0, hotY, image.height() - 1));
}

} // namespace quill
