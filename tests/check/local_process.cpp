#include "local_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace quill::test {

namespace {

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Ports that were free a moment ago, all different.
QList<quint16> freePorts(qsizetype count)
{
    QList<int> sockets;
    QList<quint16> ports;
    for (qsizetype i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            ports.append(ntohs(address.sin_port));
        sockets.append(fd);
    }
    for (const int fd : sockets)
        ::close(fd);
    return ports;
}

bool accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

} // namespace

QString LocalProcess::find(const QString &name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                                      QStringLiteral("/usr/bin")});
    return found;
}

LocalProcess::LocalProcess(const QString &program, qsizetype portCount, const Configure &configure,
                           const QString &errorLogPath)
{
    if (program.isEmpty()) {
        m_error = QStringLiteral("the server program is not installed");
        return;
    }
    for (int attempt = 0; attempt < 5 && !isRunning(); ++attempt) {
        const QList<quint16> ports = freePorts(portCount);
        if (ports.size() == portCount)
            start(program, ports, configure, errorLogPath);
    }
}

LocalProcess::~LocalProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool LocalProcess::start(const QString &program, const QList<quint16> &ports, const Configure &configure,
                         const QString &errorLogPath)
{
    const QStringList arguments = configure(ports, &m_error);
    if (arguments.isEmpty())
        return false;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        if (m_process.state() == QProcess::NotRunning) {
            QFile log(errorLogPath);
            log.open(QIODevice::ReadOnly);
            m_error = QString::fromUtf8(m_process.readAll() + log.readAll());
            return false;
        }
        if (std::all_of(ports.begin(), ports.end(), accepts)) {
            m_ports = ports;
            return true;
        }
        QThread::msleep(20);
    }
    m_error = QStringLiteral("%1 did not answer on port %2").arg(program).arg(ports.first());
    m_process.kill();
    m_process.waitForFinished(2000);
    return false;
}

} // namespace quill::test
