#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace quill {

class DomainList;
class MessageBoxes;

// Cuts the bytes of a list file into names as they arrive, block by block:
// CR LF and a lone CR end a line, a lone LF cuts a line into pieces, and
// every piece is a name with its exact bytes. A file ending in CR or CR LF
// gives no empty name after its last line; one ending in a lone LF does.
// A name longer than kMaxNameBytes throws Failure before it is handed on,
// holding no more than the bound: a device or a writer that never sends a
// line end is no list, and would otherwise fill the memory.
class ListFileSplitter final {
public:
    using Sink = std::function<void(QByteArrayView name)>;

    // Far beyond any name a list holds (entries of tens of thousands of
    // characters load), far below what would strain the memory.
    static constexpr qsizetype kMaxNameBytes = qsizetype(1) << 20;

    explicit ListFileSplitter(Sink sink) : m_sink(std::move(sink)) {}

    void feed(QByteArrayView block);
    // The end of the file: hands over the last piece, if there is one.
    void finish();

private:
    void emitPiece(QByteArrayView tail);
    void keep(QByteArrayView tail);

    Sink m_sink;
    QByteArray m_carry;          // a piece that runs on into the next block
    bool m_lineStart = true;     // nothing read since the last CR or CR LF
    bool m_skipLineFeed = false; // a block ended on CR: an LF next is its pair
};

// Module FileToListview1: appends every name of the list file at `path` to
// `target`. A missing file shows "File not found" and adds nothing. What is
// neither an ordinary file nor a FIFO (a device, a socket) throws Failure
// before it is opened. Any other failure, a name past the bound included,
// throws Failure after the names read so far have been added. The file is
// closed in every case.
void LoadListFile(MessageBoxes &boxes, const QString &applicationTitle, DomainList &target, const QString &path);

} // namespace quill
