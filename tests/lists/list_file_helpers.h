#pragma once

#include "data/domain_list.h"
#include "fake_platform.h"
#include "list_entries.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

// Small helpers of the list-file tests.
namespace quill::test {

// The file's bytes; a null array when there is no such file.
inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Every file in the folder, hidden ones too.
inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// The step of each error report shown, -1 for a report of another procedure.
inline QList<int> reportSteps(const FakeBoxes &boxes, const char *procedure)
{
    QList<int> steps;
    for (const QString &text : boxes.reports()) {
        const bool ours = text.contains(QLatin1String(procedure) + QLatin1String(" at line "));
        steps.append(ours ? text.section(QLatin1String("at line "), 1).section(u'\r', 0, 0).toInt() : -1);
    }
    return steps;
}

// Ends a load or save that hangs on a FIFO, so that a hang fails the test
// instead of stalling the suite: after a while it opens each FIFO at both
// ends for a moment, which lets a blocked open or read go on.
class HangBreaker final {
public:
    explicit HangBreaker(QStringList fifos) : m_fifos(std::move(fifos))
    {
        m_thread = std::thread([this] {
            std::unique_lock lock(m_mutex);
            while (!m_done.wait_for(lock, std::chrono::seconds(5), [this] { return m_finished; })) {
                m_broke = true;
                for (const QString &fifo : std::as_const(m_fifos)) {
                    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
                    if (fd >= 0)
                        ::close(fd);
                }
            }
        });
    }
    ~HangBreaker() { finish(); }
    HangBreaker(const HangBreaker &) = delete;
    HangBreaker &operator=(const HangBreaker &) = delete;

    // Returns true when the command had to be freed from a hang.
    bool finish()
    {
        if (m_thread.joinable()) {
            {
                std::lock_guard lock(m_mutex);
                m_finished = true;
            }
            m_done.notify_all();
            m_thread.join();
        }
        return m_broke;
    }

private:
    QStringList m_fifos;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::atomic<bool> m_broke = false;
    std::thread m_thread;
};

} // namespace quill::test
