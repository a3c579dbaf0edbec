#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quill::test {

// An HTTP server of the tests' own on 127.0.0.1 (a port of the system's
// choosing) that answers each connection's request with the next scripted
// reply, byte for byte, and then closes the connection. It runs on a thread
// of its own, so the client under test waits on a real socket.
class ScriptedServer final {
public:
    // What the server does once the reply's bytes are out.
    enum class Ending {
        Close, // an orderly close
        Reset, // a TCP reset, as from a server that crashed
        Hang,  // nothing more until the client goes away
        // Closed, unread, once the client sends more: the reset a client gets
        // when a server drops a kept-alive connection just as it is reused.
        ClosedOnReuse,
    };

    struct Reply {
        QByteArray head;       // everything up to and including the blank line
        qint64 bodyBytes = 0;  // filler bytes sent after the head
        bool endless = false;  // filler until the client goes away
        bool held = false;     // sent only once release() is called
        Ending ending = Ending::Close;
        bool first = false;    // sent as soon as the client connects, before it says anything
    };

    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    quint16 port() const noexcept { return m_port; }
    QByteArray url(const QByteArray &path = "/") const;

    void reply(const QByteArray &head, Ending ending = Ending::Close) { push({head, 0, false, false, ending}); }
    void push(Reply reply);
    // Lets the held reply go.
    void release();

    // Runs on the client's (GUI) thread, through its event loop, each time a
    // request has been read: the argument counts the requests from 1.
    std::function<void(int request)> onRequest;

    int requestCount() const;
    QList<QByteArray> requestHeads() const;
    // Body bytes the last reply got into the socket before the client left.
    qint64 lastBodyBytesSent() const;

private:
    void serve();
    void answer(int client);

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_release = false;
    std::deque<Reply> m_replies;
    QList<QByteArray> m_requests;
    qint64 m_lastBodyBytes = 0;
    std::thread m_thread;
};

// A local port nobody listens on while this lives: connections are refused.
class RefusingPort final {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort &) = delete;
    RefusingPort &operator=(const RefusingPort &) = delete;
    quint16 port() const noexcept { return m_port; }

private:
    int m_socket;
    quint16 m_port = 0;
};

// What a plain transfer says to the reply: empty when libcurl passes it on.
// Releases differ on some replies, and a distribution may carry either.
QString libcurlRefusalOf(const QByteArray &reply);

// libcurl 8.21 and later refuse a reply with a bare CR inside a header line,
// where older releases passed it on.
QString libcurlRefusalOfBareCr();

} // namespace quill::test
