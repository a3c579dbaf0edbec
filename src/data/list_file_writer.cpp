#include "list_file_writer.h"

#include "core/failure.h"
#include "core/no_wait_open.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

constexpr qsizetype kBufferSize = 1 << 16;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool mayWrite(const QByteArray &path)
{
    return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0;
}

// A writable ordinary file is written where it is when a replacement
// renamed over it would change what it is (cut its other links off the new
// list, hand it to us) or could not be made beside it at all.
bool mustWriteInPlace(const QString &file, const struct stat &info)
{
    const QByteArray encoded = QFile::encodeName(file);
    if (!mayWrite(encoded))
        return false; // the replacement says why it cannot be written
    const QByteArray folder = QFile::encodeName(QFileInfo(file).path());
    struct stat folderInfo {};
    if (::stat(folder.constData(), &folderInfo) != 0)
        return false;
    // A new file takes the folder's group where the folder asks for that.
    const gid_t newGroup = (folderInfo.st_mode & S_ISGID) ? folderInfo.st_gid : ::getegid();
    return info.st_nlink > 1 || info.st_uid != ::geteuid() || info.st_gid != newGroup || !mayWrite(folder);
}

} // namespace

ListFileWriter::ListFileWriter() = default;

ListFileWriter::~ListFileWriter()
{
    discard();
}

void ListFileWriter::open(const QString &path)
{
    discard();
    // Links are followed to the file they name, as the replacement does.
    const QString existing = QFileInfo(path).canonicalFilePath();
    struct stat info {};
    const bool there = !existing.isEmpty() && ::stat(QFile::encodeName(existing).constData(), &info) == 0;
    m_mode = Mode::Replace;
    if (there && !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode))
        m_mode = Mode::Stream;
    else if (there && S_ISREG(info.st_mode) && mustWriteInPlace(existing, info))
        m_mode = Mode::InPlace;
    std::unique_ptr<QFileDevice> file;
    if (m_mode == Mode::Replace) {
        file = std::make_unique<QSaveFile>(path);
        // Our own buffer collects the names; each full block goes straight on.
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw Failure(file->errorString());
    } else {
        // A pipe that nobody reads fails at once instead of stalling the window.
        file = openWithoutWaiting(existing, QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
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
    if (m_mode != Mode::InPlace && m_buffer.size() >= kBufferSize)
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

void ListFileWriter::writeInPlace()
{
    const int fd = m_file->handle();
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw Failure(systemError(errno));
    const off_t newSize = m_buffer.size();
    // Room first, so that a full disk fails while the old list is whole.
    if (newSize > info.st_size) {
        const int error = ::posix_fallocate(fd, info.st_size, newSize - info.st_size);
        if (error != 0) {
            // Whatever room was taken before the failure is given back.
            if (::ftruncate(fd, info.st_size) != 0) {
            }
            m_writeFailure = systemError(error);
            throw Failure(m_writeFailure);
        }
    }
    // A write that fails from here on leaves the file part new, part old.
    flushBuffer();
    if (::ftruncate(fd, newSize) != 0) {
        m_writeFailure = systemError(errno);
        throw Failure(m_writeFailure);
    }
}

void ListFileWriter::close()
{
    if (!m_file)
        return;
    if (m_writeFailure.isEmpty()) {
        try {
            m_mode == Mode::InPlace ? writeInPlace() : flushBuffer();
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
