#include "list_file_reader.h"

#include "core/failure.h"
#include "core/file_exists.h"
#include "core/no_wait_open.h"
#include "core/platform.h"
#include "domain_list.h"

#include <QFile>

#include <algorithm>
#include <memory>

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
    // Blocks go straight from the file into our buffer, no second copy.
    const std::unique_ptr<QFile> opened = openWithoutWaiting(path, QIODevice::ReadOnly | QIODevice::Unbuffered);
    QFile &file = *opened;
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
