#pragma once

#include "local_process.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <thread>

struct ssl_ctx_st;

namespace quill::test {

// A TLS server of an older kind, from Debian's own tools, on a free local
// port with the given certificate and key. It answers a GET with a status
// line of its own, or stops the request half-way.
class LocalTlsServer final {
public:
    enum class Kind {
        Tls10Only,             // openssl s_server: TLS 1.0 and its ciphers, nothing newer
        NoSecureRenegotiation, // gnutls-serv: TLS 1.2 without the RFC 5746 extension
    };

    LocalTlsServer(Kind kind, const QString &certificate, const QString &key);
    LocalTlsServer(const LocalTlsServer &) = delete;
    LocalTlsServer &operator=(const LocalTlsServer &) = delete;

    // The program it needs, or empty when that is not installed.
    static QString program(Kind kind);

    bool isRunning() const { return m_server && m_server->isRunning(); }
    const QString &error() const { return m_server ? m_server->error() : m_error; }
    QByteArray url(const QByteArray &path) const;

private:
    QTemporaryDir m_folder;
    QString m_error;
    std::unique_ptr<LocalProcess> m_server;
};

// A TLS server on a thread of its own that completes each handshake, reads
// the first bytes of the request and then resets the connection, while the
// client is still writing the rest.
class ResettingTlsServer final {
public:
    ResettingTlsServer(const QString &certificate, const QString &key);
    ~ResettingTlsServer();
    ResettingTlsServer(const ResettingTlsServer &) = delete;
    ResettingTlsServer &operator=(const ResettingTlsServer &) = delete;

    bool isReady() const { return m_context != nullptr; }
    QByteArray url(const QByteArray &path) const;
    int resets() const { return m_resets; }

private:
    void serve();

    ssl_ctx_st *m_context = nullptr;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_resets{0};
    std::thread m_thread;
};

} // namespace quill::test
