#include "cursor_file.h"

#include "failure.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace quill {

namespace {

constexpr qsizetype kDirectoryHeader = 6;
constexpr qsizetype kDirectoryEntry = 16;
constexpr quint16 kCursorType = 2;

Failure invalidPicture() { return Failure(QStringLiteral("Invalid picture"), 481); }

} // namespace

QCursor loadCursorFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(file.errorString());

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
