#include "local_tls_server.h"

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quill::test {

QString LocalTlsServer::program(Kind kind)
{
    return LocalProcess::find(kind == Kind::NoSecureRenegotiation ? QStringLiteral("gnutls-serv")
                                                                  : QStringLiteral("openssl"));
}

LocalTlsServer::LocalTlsServer(Kind kind, const QString &certificate, const QString &key)
{
    if (program(kind).isEmpty()) {
        m_error = QStringLiteral("%1 is not installed").arg(program(kind));
        return;
    }
    const QString log = m_folder.filePath(QStringLiteral("server.log"));
    m_server = std::make_unique<LocalProcess>(
        program(kind), 1,
        [&](const QList<quint16> &ports, QString *) {
            const QString port = QString::number(ports[0]);
            if (kind == Kind::NoSecureRenegotiation)
                return QStringList{QStringLiteral("--http"), QStringLiteral("--port"), port,
                                   QStringLiteral("--x509certfile"), certificate, QStringLiteral("--x509keyfile"),
                                   key, QStringLiteral("--priority"),
                                   QStringLiteral("NORMAL:-VERS-TLS1.3:%DISABLE_SAFE_RENEGOTIATION")};
            QStringList arguments{QStringLiteral("s_server"), QStringLiteral("-accept"),
                                  QStringLiteral("127.0.0.1:") + port, QStringLiteral("-cert"), certificate,
                                  QStringLiteral("-key"), key, QStringLiteral("-quiet")};
            return arguments + QStringList{QStringLiteral("-tls1"), QStringLiteral("-cipher"),
                                           QStringLiteral("ALL:@SECLEVEL=0"), QStringLiteral("-www")};
        },
        log);
}

QByteArray LocalTlsServer::url(const QByteArray &path) const
{
    return "https://127.0.0.1:" + QByteArray::number(m_server ? m_server->port() : 0) + path;
}

ResettingTlsServer::ResettingTlsServer(const QString &certificate, const QString &key)
{
    SSL_CTX *context = SSL_CTX_new(TLS_server_method());
    if (!context || SSL_CTX_use_certificate_chain_file(context, certificate.toLocal8Bit().constData()) != 1
        || SSL_CTX_use_PrivateKey_file(context, key.toLocal8Bit().constData(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(context);
        return;
    }
    m_context = context;
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(m_listener, 4);
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

ResettingTlsServer::~ResettingTlsServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
    SSL_CTX_free(m_context);
}

QByteArray ResettingTlsServer::url(const QByteArray &path) const
{
    return "https://127.0.0.1:" + QByteArray::number(m_port) + path;
}

void ResettingTlsServer::serve()
{
    pollfd entry{m_listener, POLLIN, 0};
    while (!m_stop) {
        if (::poll(&entry, 1, 20) <= 0)
            continue;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        SSL *tls = SSL_new(m_context);
        SSL_set_fd(tls, client);
        char first[16];
        if (SSL_accept(tls) == 1 && SSL_read(tls, first, sizeof first) > 0) {
            // Closed with the rest unread and no lingering: a reset.
            const linger abort{1, 0};
            ::setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            ++m_resets;
        }
        SSL_free(tls);
        ::close(client);
    }
}

} // namespace quill::test
