#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quill::test {

// A real web server that nobody here wrote: Debian's nginx, started in a
// folder of its own with a configuration of its own on a free local port,
// serving the given files (path -> content) and answering 404 elsewhere.
// It stops when this goes.
class LocalNginx final {
public:
    explicit LocalNginx(const QMap<QString, QByteArray> &files);
    ~LocalNginx();
    LocalNginx(const LocalNginx &) = delete;
    LocalNginx &operator=(const LocalNginx &) = delete;

    // The nginx program, or empty when it is not installed.
    static QString program();

    bool isRunning() const { return m_port != 0; }
    // Why it did not start.
    const QString &error() const { return m_error; }
    quint16 port() const { return m_port; }
    QByteArray url(const QByteArray &path) const;
    // One line per request served so far: connection number, "request
    // line", status code. Waits a little for `atLeast` lines to be written.
    QStringList accessLog(qsizetype atLeast = 0) const;

private:
    bool start(quint16 port);

    QTemporaryDir m_prefix;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace quill::test
