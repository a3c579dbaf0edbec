#include "list_file_reader.h"

#include "core/failure.h"
#include "core/file_exists.h"
#include "core/no_wait_open.h"
#include "core/platform.h"
#include "domain_list.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

constexpr qsizetype kBlockSize = 1 << 20;
// What one FIFO may give: its writer may never stop, with line ends or
// without, and unlike a file it has no size to stop at. Lists of millions of
// names still pass through one.
constexpr qint64 kMaxFifoBytes = qint64(64) << 20;

constexpr bool isLineEnd(char c) noexcept
{
    return c == '\r' || c == '\n';
}

// Makes room for a large file at once, with the number of names guessed from
// its first block: growing step by step would copy the list several times.
// The size says how much may come, not how much is kept: the piece after the
// block's last line end may run on past the bound and end the load, as the
// one endless piece of a sparse file does. So the file is taken to be lines
// only in the share of the block they fill. Room is a guess and never more
// than half the machine's memory: a file larger than that is read on until
// the memory runs out, and reported so, instead of failing its first ask.
void makeRoom(DomainList &target, QByteArrayView firstBlock, qint64 fileSize)
{
    const auto ends = std::count_if(firstBlock.begin(), firstBlock.end(), isLineEnd);
    // The block's bytes up to its last line end, and no further.
    const qsizetype lined = firstBlock.rend() - std::find_if(firstBlock.rbegin(), firstBlock.rend(), isLineEnd);
    const double perByte = double(ends + 1) / double(firstBlock.size());
    const double memory = double(::sysconf(_SC_PHYS_PAGES)) * double(::sysconf(_SC_PAGESIZE));
    const double kept = std::min(double(fileSize) * double(lined) / double(firstBlock.size()),
                                 memory / 2 / (1 + perByte * sizeof(qsizetype)));
    const auto names = qsizetype(perByte * kept * 1.05) + 16;
    target.reserve(target.Count() + names, target.byteSize() + qsizetype(kept));
}

// The bytes of a file up to its first hole: a sparse file's size says
// nothing of what it holds, and its holes read as one endless name that ends
// the load, so room is made for its data alone. A FIFO has no holes to seek.
qint64 dataSize(QFile &file)
{
    const qint64 size = file.size();
    const off_t hole = ::lseek(file.handle(), 0, SEEK_HOLE);
    if (hole < 0)
        return size;
    // The seek moved the file's place: back to where the reading is.
    if (::lseek(file.handle(), file.pos(), SEEK_SET) < 0)
        throw Failure(QString::fromLocal8Bit(std::strerror(errno)));
    return std::min<qint64>(hole, size);
}

[[noreturn]] void throwTooLong()
{
    throw Failure(QStringLiteral("Not a list file: a line longer than %1 bytes").arg(ListFileSplitter::kMaxNameBytes));
}

// Devices and sockets are refused before they are opened, let alone read:
// /dev/zero and its kind never end, and opening some devices acts on them.
// A FIFO can end, and is read like a file.
void refuseUnlessFileOrFifo(mode_t mode)
{
    if (S_ISREG(mode) || S_ISFIFO(mode) || S_ISDIR(mode)) // a folder is refused by the open, in QFile's words
        return;
    const char *kind = S_ISCHR(mode) ? "a character device" : S_ISBLK(mode) ? "a block device"
                     : S_ISSOCK(mode) ? "a socket" : "neither a file nor a FIFO";
    throw Failure(QStringLiteral("Not a list file but %1").arg(QLatin1String(kind)));
}

void refuseUnlessFileOrFifo(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0)
        refuseUnlessFileOrFifo(info.st_mode);
}

} // namespace

void ListFileSplitter::keep(QByteArrayView tail)
{
    if (tail.size() > kMaxNameBytes - m_carry.size())
        throwTooLong();
    m_carry.append(tail);
}

void ListFileSplitter::emitPiece(QByteArrayView tail)
{
    if (m_carry.isEmpty()) {
        if (tail.size() > kMaxNameBytes)
            throwTooLong();
        m_sink(tail);
        return;
    }
    keep(tail);
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
            keep(QByteArrayView(p, end - p));
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
    refuseUnlessFileOrFifo(path);
    // Blocks go straight from the file into our buffer, no second copy.
    const std::unique_ptr<QFile> opened = openWithoutWaiting(path, QIODevice::ReadOnly | QIODevice::Unbuffered);
    QFile &file = *opened;
    // The path may have been swapped for a device since it was looked at.
    if (struct stat info {}; ::fstat(file.handle(), &info) == 0)
        refuseUnlessFileOrFifo(info.st_mode);
    const bool bounded = !isRegularFile(file);
    const auto block = std::make_unique_for_overwrite<char[]>(kBlockSize);
    ListFileSplitter splitter([&target](QByteArrayView name) { target.Add(name); });
    qint64 total = 0;
    for (bool first = true;; first = false) {
        const qint64 got = file.read(block.get(), kBlockSize);
        if (got < 0)
            throw Failure(file.errorString());
        if (got == 0)
            break;
        total += got;
        if (bounded && total > kMaxFifoBytes)
            throw Failure(QStringLiteral("Not a list file: a FIFO that gives more than %1 bytes").arg(kMaxFifoBytes));
        if (first && got == kBlockSize)
            makeRoom(target, QByteArrayView(block.get(), got), dataSize(file));
        splitter.feed(QByteArrayView(block.get(), got));
    }
    splitter.finish();
}

} // namespace quill
