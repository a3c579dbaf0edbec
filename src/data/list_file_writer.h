#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QFileDevice;

namespace quill {

// Writes a list file: each name's bytes and CR LF. Until close(), and
// whenever a write has failed, an existing file stays exactly as it was.
// How the new list gets there keeps what the file is:
// - an ordinary file of our own in a folder we may write to is replaced:
//   the names go to a temporary file beside it, renamed over it on close();
// - a file that a replacement would change or that cannot be replaced (more
//   than one hard link, another owner or group, a folder closed to us) is
//   written in place on close(), so it keeps its inode, links, owner, group
//   and mode; the names wait in memory until then;
// - devices and pipes are written to as the names come. A pipe that nobody
//   reads fails to open instead of waiting for a reader; one whose reader
//   leaves fails the next write with EPIPE (the program ignores SIGPIPE).
// Names are written in blocks, so a failing write may first show when the
// list is closed rather than at the name that did not fit.
// Each save owns its writer, so saves started while another one waits never
// share a file.
class ListFileWriter final {
public:
    ListFileWriter();
    ~ListFileWriter(); // discards what was not closed
    ListFileWriter(const ListFileWriter &) = delete;
    ListFileWriter &operator=(const ListFileWriter &) = delete;

    // Throws Failure when the file cannot be created or opened.
    void open(const QString &path);
    bool isOpen() const noexcept { return m_file != nullptr; }
    // Throws Failure when nothing is open or the write fails; after a failed
    // write every later one fails too.
    void writeLine(QByteArrayView name);
    // Puts the file in place. Does nothing when nothing is open; after a
    // failed write it discards the file. Throws Failure when it cannot be
    // put in place.
    void close();

    // Drops what was written; an existing file stays as it was.
    void discard() noexcept;

private:
    enum class Mode { Replace, InPlace, Stream };

    void flushBuffer();
    void writeInPlace();

    std::unique_ptr<QFileDevice> m_file;
    Mode m_mode = Mode::Replace;
    QByteArray m_buffer;
    QString m_writeFailure; // the first failed write's description
};

} // namespace quill
