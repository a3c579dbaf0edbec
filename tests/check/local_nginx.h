#pragma once

#include "local_process.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quill::test {

struct NginxOptions {
    // With both set, nginx also speaks TLS, and offers HTTP/2 there, on a
    // second port with this certificate and key (PEM files).
    QString certificate;
    QString key;
    // Every request gets "200 OK" and an empty body, straight from the
    // configuration: the quickest reply a server can give.
    bool okForEverything = false;
};

// A real web server that nobody here wrote: Debian's nginx, started in a
// folder of its own with a configuration of its own on a free local port,
// serving the given files (path -> content) and answering 404 elsewhere.
// It stops when this goes.
class LocalNginx final {
public:
    explicit LocalNginx(const QMap<QString, QByteArray> &files, const NginxOptions &options = {});
    LocalNginx(const LocalNginx &) = delete;
    LocalNginx &operator=(const LocalNginx &) = delete;

    // The nginx program, or empty when it is not installed.
    static QString program();

    bool isRunning() const { return m_server && m_server->isRunning(); }
    // Why it did not start.
    const QString &error() const { return m_server ? m_server->error() : m_error; }
    quint16 port() const { return m_server ? m_server->port(0) : 0; }
    QByteArray url(const QByteArray &path) const;
    // The same path on the TLS port.
    QByteArray tlsUrl(const QByteArray &path) const;
    // One line per request served so far: connection number, "request
    // line" (with its protocol), status code. Waits a little for `atLeast`
    // lines to be written.
    QStringList accessLog(qsizetype atLeast = 0) const;

private:
    QTemporaryDir m_prefix;
    QString m_error;
    std::unique_ptr<LocalProcess> m_server;
};

} // namespace quill::test
