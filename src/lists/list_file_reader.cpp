#include "list_file_reader.h"

#include "app/failure.h"
#include "app/file_exists.h"
#include "app/platform.h"
#include "domain_list.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

constexpr qsizetype kBlockSize = 1 << 20;

constexpr bool isLineEnd(char c) noexcept
{
    return c == '\r' || c == '\n';
}

// Makes room for a large file at once, with the number of names guessed from
// its first block: growing step by step would copy the list several times.
void makeRoom(DomainList &target, QByteArrayView firstBlock, qint64 fileSize)
{
    const auto ends = std::count_if(firstBlock.begin(), firstBlock.end(), isLineEnd);
    const double perByte = double(ends + 1) / double(firstBlock.size());
    const auto names = qsizetype(perByte * double(fileSize) * 1.05) + 16;
    target.reserve(target.Count() + names, target.byteSize() + qsizetype(fileSize));
}

// Opens the file for reading without ever waiting: a FIFO that nobody writes
// to would block the open for good, so the open does not wait for a writer,
// and the reads that follow do wait, so a writer's lines are read to their
// end. A FIFO without a writer reads as an empty file.
void openForReading(QFile &file, const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Failure(qt_error_string(errno));
    auto closeOnFailure = qScopeGuard([fd] { ::close(fd); });
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw Failure(qt_error_string(errno));
    // The words QFile uses when it is asked to open a folder.
    if (S_ISDIR(info.st_mode))
        throw Failure(QCoreApplication::translate("QIODevice", "file to open is a directory"));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw Failure(qt_error_string(errno));
    // Blocks go straight from the file into our buffer, no second copy.
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        throw Failure(file.errorString());
    closeOnFailure.dismiss();
}

} // namespace

void ListFileSplitter::emitPiece(QByteArrayView tail)
{
    if (m_carry.isEmpty()) {
        m_sink(tail);
        return;
    }
    m_carry.append(tail);
    m_sink(m_carry);
    m_carry.clear();
}

void ListFileSplitter::feed(QByteArrayView block)
{
    const char *p = block.data();
    const char *const end = p + block.size();
    if (m_skipLineFeed && p != end) {
        m_skipLineFeed = false;
        if (*p == '\n')
            ++p;
    }
    while (p != end) {
        const char *stop = std::find_if(p, end, isLineEnd);
        if (stop == end) {
            m_carry.append(p, end - p);
            m_lineStart = false;
            return;
        }
        emitPiece(QByteArrayView(p, stop - p));
        if (*stop == '\n') {
            m_lineStart = false;
        } else {
            m_lineStart = true;
            if (stop + 1 == end)
                m_skipLineFeed = true;
            else if (stop[1] == '\n')
                ++stop;
        }
        p = stop + 1;
    }
}

void ListFileSplitter::finish()
{
    if (!m_lineStart)
        emitPiece({});
    m_lineStart = true;
    m_skipLineFeed = false;
}

void LoadListFile(MessageBoxes &boxes, const QString &applicationTitle, DomainList &target, const QString &path)
{
    if (!FileExists(path)) {
        boxes.message(applicationTitle, QStringLiteral("File not found"), Buttons::Ok, Icon::None);
        return;
    }
    QFile file;
    openForReading(file, path);
    const auto block = std::make_unique_for_overwrite<char[]>(kBlockSize);
    ListFileSplitter splitter([&target](QByteArrayView name) { target.Add(name); });
    for (bool first = true;; first = false) {
        const qint64 got = file.read(block.get(), kBlockSize);
        if (got < 0)
            throw Failure(file.errorString());
        if (got == 0)
            break;
        if (first && got == kBlockSize)
            makeRoom(target, QByteArrayView(block.get(), got), file.size());
        splitter.feed(QByteArrayView(block.get(), got));
    }
    splitter.finish();
}

} // namespace quill
