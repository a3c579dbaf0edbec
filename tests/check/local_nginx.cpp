#include "local_nginx.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quill::test {

namespace {

// A port that was free a moment ago; nginx may still lose it to somebody
// else, in which case the start is tried again.
sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

QString configuration(const QString &prefix, quint16 port)
{
    return QStringLiteral(R"(daemon off;
master_process off;
worker_processes 1;
pid %1/nginx.pid;
error_log %1/error.log;
events { worker_connections 1024; }
http {
    log_format quill '$connection "$request" $status';
    access_log %1/access.log quill;
    client_body_temp_path %1/tmp/body;
    proxy_temp_path %1/tmp/proxy;
    fastcgi_temp_path %1/tmp/fastcgi;
    uwsgi_temp_path %1/tmp/uwsgi;
    scgi_temp_path %1/tmp/scgi;
    server {
        listen 127.0.0.1:%2;
        root %1/html;
        location / { }
    }
}
)")
        .arg(prefix)
        .arg(port);
}

} // namespace

QString LocalNginx::program()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("nginx"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("nginx"),
                                               {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return found;
}

LocalNginx::LocalNginx(const QMap<QString, QByteArray> &files)
{
    if (program().isEmpty()) {
        m_error = QStringLiteral("nginx is not installed");
        return;
    }
    const QDir prefix(m_prefix.path());
    prefix.mkpath(QStringLiteral("tmp"));
    prefix.mkpath(QStringLiteral("html"));
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = prefix.filePath(QStringLiteral("html/") + it.key());
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size()) {
            m_error = QStringLiteral("cannot write ") + path;
            return;
        }
    }
    for (int attempt = 0; attempt < 5 && !isRunning(); ++attempt)
        start(freePort());
}

LocalNginx::~LocalNginx()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool LocalNginx::start(quint16 port)
{
    if (port == 0)
        return false;
    QFile conf(m_prefix.filePath(QStringLiteral("nginx.conf")));
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || conf.write(configuration(m_prefix.path(), port).toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write the nginx configuration");
        return false;
    }
    conf.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program(), {QStringLiteral("-p"), m_prefix.path(), QStringLiteral("-c"), conf.fileName(),
                                QStringLiteral("-e"), m_prefix.filePath(QStringLiteral("error.log"))});
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        if (m_process.state() == QProcess::NotRunning) {
            QFile log(m_prefix.filePath(QStringLiteral("error.log")));
            log.open(QIODevice::ReadOnly);
            m_error = QString::fromUtf8(m_process.readAll() + log.readAll());
            return false;
        }
        if (accepts(port)) {
            m_port = port;
            return true;
        }
        QThread::msleep(20);
    }
    m_error = QStringLiteral("nginx did not answer on port %1").arg(port);
    return false;
}

QByteArray LocalNginx::url(const QByteArray &path) const
{
    return "http://127.0.0.1:" + QByteArray::number(m_port) + path;
}

QStringList LocalNginx::accessLog(qsizetype atLeast) const
{
    const auto read = [this] {
        QFile log(m_prefix.filePath(QStringLiteral("access.log")));
        if (!log.open(QIODevice::ReadOnly))
            return QStringList();
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    };
    // nginx writes a request's line once the reply is out, which may be
    // just after the client has read it.
    QDeadlineTimer deadline(2000);
    QStringList lines = read();
    while (lines.size() < atLeast && !deadline.hasExpired()) {
        QThread::msleep(5);
        lines = read();
    }
    return lines;
}

} // namespace quill::test
