#include "local_nginx.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

namespace quill::test {

namespace {

QString configuration(const QString &prefix, const QList<quint16> &ports, const NginxOptions &options)
{
    QString tls;
    if (ports.size() > 1)
        tls = QStringLiteral("listen 127.0.0.1:%1 ssl http2;\n        ssl_certificate %2;\n"
                             "        ssl_certificate_key %3;")
                  .arg(ports[1])
                  .arg(options.certificate, options.key);
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
        %3
        root %1/html;
        location / { %4 }
    }
}
)")
        .arg(prefix)
        .arg(ports[0])
        .arg(tls, options.okForEverything ? QStringLiteral("return 200;") : QString());
}

} // namespace

QString LocalNginx::program()
{
    return LocalProcess::find(QStringLiteral("nginx"));
}

LocalNginx::LocalNginx(const QMap<QString, QByteArray> &files, const NginxOptions &options)
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
    const QString errorLog = prefix.filePath(QStringLiteral("error.log"));
    const bool tls = !options.certificate.isEmpty() && !options.key.isEmpty();
    m_server = std::make_unique<LocalProcess>(
        program(), tls ? 2 : 1,
        [&](const QList<quint16> &ports, QString *error) {
            QFile conf(prefix.filePath(QStringLiteral("nginx.conf")));
            if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate)
                || conf.write(configuration(prefix.path(), ports, options).toUtf8()) < 0) {
                *error = QStringLiteral("cannot write the nginx configuration");
                return QStringList();
            }
            return QStringList{QStringLiteral("-p"), prefix.path(), QStringLiteral("-c"), conf.fileName(),
                               QStringLiteral("-e"), errorLog};
        },
        errorLog);
}

QByteArray LocalNginx::url(const QByteArray &path) const
{
    return "http://127.0.0.1:" + QByteArray::number(port()) + path;
}

QByteArray LocalNginx::tlsUrl(const QByteArray &path) const
{
    return "https://127.0.0.1:" + QByteArray::number(m_server ? m_server->port(1) : 0) + path;
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
