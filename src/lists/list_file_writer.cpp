#include "list_file_writer.h"

#include "app/failure.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quill {

namespace {

constexpr qsizetype kBufferSize = 1 << 16;

} // namespace

ListFileWriter::ListFileWriter() = default;

ListFileWriter::~ListFileWriter()
{
    discard();
}

void ListFileWriter::open(const QString &path)
{
    discard();
    const QFileInfo target(path);
    std::unique_ptr<QFileDevice> file;
    // Devices and pipes cannot be replaced by a file: they are written to.
    if (target.exists() && !target.isFile() && !target.isDir())
        file = std::make_unique<QFile>(path);
    else
        file = std::make_unique<QSaveFile>(path);
    // Our own buffer collects the names; each full block goes straight on.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw Failure(file->errorString());
    m_file = std::move(file);
    m_writeFailure.clear();
    m_buffer.clear();
    m_buffer.reserve(kBufferSize + 256);
}

void ListFileWriter::writeLine(QByteArrayView name)
{
    if (!m_file)
        throw Failure(QStringLiteral("Bad file name or number"), 52);
    if (!m_writeFailure.isEmpty())
        throw Failure(m_writeFailure);
    m_buffer.append(name);
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= kBufferSize)
        flushBuffer();
}

void ListFileWriter::flushBuffer()
{
    const char *data = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (left > 0) {
        const qint64 written = m_file->write(data, left);
        if (written <= 0) {
            m_writeFailure = m_file->errorString();
            if (m_writeFailure.isEmpty())
                m_writeFailure = QStringLiteral("Device I/O error");
            m_buffer.clear();
            throw Failure(m_writeFailure);
        }
        data += written;
        left -= written;
    }
    m_buffer.clear();
}

void ListFileWriter::close()
{
    if (!m_file)
        return;
    if (m_writeFailure.isEmpty()) {
        try {
            flushBuffer();
        } catch (const Failure &) {
            discard();
            throw;
        }
    }
    if (!m_writeFailure.isEmpty()) {
        // The failed writes have been reported one by one; the old file stays.
        discard();
        return;
    }
    std::unique_ptr<QFileDevice> file = std::move(m_file);
    if (auto *save = qobject_cast<QSaveFile *>(file.get())) {
        if (save->commit())
            return;
        // Putting the new file in place can fail without a word from Qt.
        if (save->error() == QFileDevice::NoError)
            throw Failure(QStringLiteral("Path/File access error"), 75);
        throw Failure(save->errorString());
    }
    file->close();
    if (file->error() != QFileDevice::NoError)
        throw Failure(file->errorString());
}

void ListFileWriter::discard() noexcept
{
    if (!m_file)
        return;
    if (auto *save = qobject_cast<QSaveFile *>(m_file.get()))
        save->cancelWriting();
    m_file.reset();
    m_buffer.clear();
}

} // namespace quill
