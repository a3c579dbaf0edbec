#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QFileDevice;

namespace quill {

// Writes a list file: each name's bytes and CR LF. The names go to a
// temporary file beside the target, which replaces the target only on
// close(), once every name is written; until then, and whenever a write has
// failed, an existing file stays exactly as it was. Each save owns its
// writer, so saves started while another one waits never share a file.
class ListFileWriter final {
public:
    ListFileWriter();
    ~ListFileWriter(); // discards what was not closed
    ListFileWriter(const ListFileWriter &) = delete;
    ListFileWriter &operator=(const ListFileWriter &) = delete;

    // Throws Failure when the file cannot be created.
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
    void flushBuffer();

    std::unique_ptr<QFileDevice> m_file;
    QByteArray m_buffer;
    QString m_writeFailure; // the first failed write's description
};

} // namespace quill
