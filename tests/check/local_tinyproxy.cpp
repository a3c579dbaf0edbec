#include "local_tinyproxy.h"

#include <QFile>

namespace quill::test {

QString LocalTinyproxy::program()
{
    return LocalProcess::find(QStringLiteral("tinyproxy"));
}

LocalTinyproxy::LocalTinyproxy()
{
    if (program().isEmpty())
        return;
    const QString log = m_folder.filePath(QStringLiteral("tinyproxy.log"));
    m_proxy = std::make_unique<LocalProcess>(
        program(), 1,
        [&](const QList<quint16> &ports, QString *error) {
            QFile conf(m_folder.filePath(QStringLiteral("tinyproxy.conf")));
            const QByteArray text = "Port " + QByteArray::number(ports[0]) + "\nListen 127.0.0.1\nTimeout 10\n"
                                    "MaxClients 20\nAllow 127.0.0.1\nLogLevel Connect\nLogFile \"" + log.toUtf8()
                                    + "\"\n";
            if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate) || conf.write(text) != text.size()) {
                *error = QStringLiteral("cannot write the tinyproxy configuration");
                return QStringList();
            }
            return QStringList{QStringLiteral("-d"), QStringLiteral("-c"), conf.fileName()};
        },
        log);
}

QByteArray LocalTinyproxy::url() const
{
    return "http://127.0.0.1:" + QByteArray::number(m_proxy ? m_proxy->port() : 0);
}

int LocalTinyproxy::requestCount() const
{
    QFile log(m_folder.filePath(QStringLiteral("tinyproxy.log")));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(log.readAll().count("]: Request (file descriptor"));
}

} // namespace quill::test
