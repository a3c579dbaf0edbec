#pragma once

#include "local_process.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>

namespace quill::test {

// A real HTTP proxy that nobody here wrote: Debian's tinyproxy in the
// foreground on a free local port, with a configuration and a log of its
// own. For a host it cannot reach it answers "500 Unable to connect" itself.
class LocalTinyproxy final {
public:
    LocalTinyproxy();
    LocalTinyproxy(const LocalTinyproxy &) = delete;
    LocalTinyproxy &operator=(const LocalTinyproxy &) = delete;

    static QString program();

    bool isRunning() const { return m_proxy && m_proxy->isRunning(); }
    QString error() const { return m_proxy ? m_proxy->error() : QStringLiteral("tinyproxy is not installed"); }
    // "http://127.0.0.1:<port>", as a *_proxy variable names it.
    QByteArray url() const;
    // How many requests it has been asked to pass on.
    int requestCount() const;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<LocalProcess> m_proxy;
};

} // namespace quill::test
