#include "cursor_bytes.h"

#include <QDataStream>
#include <QIODevice>

namespace quill::test {

QByteArray cursorFileBytes(int size, int hotX, int hotY, QColor colour)
{
    const int maskRow = ((size + 31) / 32) * 4;
    const quint32 imageBytes = 40 + size * size * 4 + maskRow * size;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(2) << quint16(1);                                  // directory
    out << quint8(size) << quint8(size) << quint8(0) << quint8(0)                    // entry
        << quint16(hotX) << quint16(hotY) << imageBytes << quint32(22);
    out << quint32(40) << qint32(size) << qint32(2 * size) << quint16(1) << quint16(32) // bitmap header
        << quint32(0) << quint32(0) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int i = 0; i < size * size; ++i)
        out << quint8(colour.blue()) << quint8(colour.green()) << quint8(colour.red()) << quint8(255);
    for (int i = 0; i < maskRow * size; ++i)
        out << quint8(0);
    return bytes;
}

} // namespace quill::test
