#include "scripted_server.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace quill::test {

namespace {

constexpr int kPollMs = 20;

int listenOnLoopback(quint16 *port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(fd, 16);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

// Waits until fd is ready or the server stops; false when it stops.
bool waitFor(int fd, short events, const std::atomic<bool> &stop)
{
    pollfd entry{fd, events, 0};
    while (!stop) {
        const int ready = ::poll(&entry, 1, kPollMs);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

bool sendAll(int fd, const char *data, qint64 length, const std::atomic<bool> &stop, qint64 *sent)
{
    while (length > 0) {
        if (!waitFor(fd, POLLOUT, stop))
            return false;
        const ssize_t n = ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        data += n;
        length -= n;
        if (sent)
            *sent += n;
    }
    return true;
}

// Waits until the client has closed its end or the server stops.
void waitForClientToLeave(int fd, const std::atomic<bool> &stop)
{
    char buffer[4096];
    while (waitFor(fd, POLLIN, stop)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return;
    }
}

// The next close sends a reset instead of an orderly end.
void resetOnClose(int fd)
{
    const linger abort{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

} // namespace

ScriptedServer::ScriptedServer()
{
    m_listener = listenOnLoopback(&m_port);
    m_thread = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    release();
    m_thread.join();
    ::close(m_listener);
}

QByteArray ScriptedServer::url(const QByteArray &path) const
{
    return "http://127.0.0.1:" + QByteArray::number(m_port) + path;
}

void ScriptedServer::push(Reply reply)
{
    const std::lock_guard lock(m_mutex);
    m_replies.push_back(std::move(reply));
}

void ScriptedServer::release()
{
    {
        const std::lock_guard lock(m_mutex);
        m_release = true;
    }
    m_released.notify_all();
}

int ScriptedServer::requestCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_requests.size());
}

QList<QByteArray> ScriptedServer::requestHeads() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

qint64 ScriptedServer::lastBodyBytesSent() const
{
    const std::lock_guard lock(m_mutex);
    return m_lastBodyBytes;
}

void ScriptedServer::serve()
{
    while (waitFor(m_listener, POLLIN, m_stop)) {
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        answer(client);
        ::close(client);
    }
}

void ScriptedServer::answer(int client)
{
    QByteArray request;
    bool first = false;
    {
        const std::lock_guard lock(m_mutex);
        first = !m_replies.empty() && m_replies.front().first;
    }
    char buffer[4096];
    // A reply that comes first counts its connection as the request.
    while (!first && !request.contains("\r\n\r\n")) {
        if (!waitFor(client, POLLIN, m_stop))
            return;
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        request.append(buffer, n);
    }

    Reply reply{"HTTP/1.1 599 Nothing Scripted\r\nContent-Length: 0\r\n\r\n", 0, false, false, Ending::Close};
    int number = 0;
    {
        const std::lock_guard lock(m_mutex);
        m_requests.append(request.left(request.indexOf("\r\n\r\n") + 4));
        number = static_cast<int>(m_requests.size());
        if (!m_replies.empty()) {
            reply = std::move(m_replies.front());
            m_replies.pop_front();
        }
        m_lastBodyBytes = 0;
    }
    if (onRequest && QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), [hook = onRequest, number] { hook(number); },
                                  Qt::QueuedConnection);
    if (reply.held) {
        std::unique_lock lock(m_mutex);
        m_released.wait(lock, [this] { return m_release; });
        m_release = false;
    }

    if (!sendAll(client, reply.head.constData(), reply.head.size(), m_stop, nullptr))
        return;
    const QByteArray filler(64 * 1024, 'x');
    qint64 sent = 0;
    qint64 left = reply.bodyBytes;
    bool open = true;
    while (open && (reply.endless || left > 0)) {
        const qint64 chunk = reply.endless ? filler.size() : std::min<qint64>(left, filler.size());
        open = sendAll(client, filler.constData(), chunk, m_stop, &sent);
        left -= chunk;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_lastBodyBytes = sent;
    }
    if (!open)
        return;
    switch (reply.ending) {
    case Ending::Close:
        break;
    case Ending::Reset:
        resetOnClose(client);
        break;
    case Ending::Hang:
        waitForClientToLeave(client, m_stop);
        break;
    case Ending::ClosedOnReuse:
        waitFor(client, POLLIN, m_stop);
        break;
    }
}

RefusingPort::RefusingPort() : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    // Bound but never listening: the port stays ours, and connecting to it
    // is refused.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort()
{
    ::close(m_socket);
}

QString libcurlRefusalOf(const QByteArray &reply)
{
    ScriptedServer server;
    server.reply(reply);
    CURL *easy = curl_easy_init();
    char error[CURL_ERROR_SIZE] = {};
    const QByteArray url = server.url();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    const CURLcode result = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    return result == CURLE_OK ? QString() : QString::fromUtf8(error[0] ? error : curl_easy_strerror(result));
}

QString libcurlRefusalOfBareCr()
{
    static const QString refusal = libcurlRefusalOf("HTTP/1.1 200 O\rK\r\nContent-Length: 0\r\n\r\n");
    return refusal;
}

} // namespace quill::test
