#pragma once

#include <QObject>
#include <QTimer>

#include "core/failure.h"

#include <curl/curl.h>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

class QEventLoop;
class QSocketNotifier;

namespace quill {

// Runs one libcurl easy transfer at a time from a local Qt event loop: the
// multi handle tells which sockets to watch and when to wake up, and Qt's
// socket notifiers and a timer wake it. The caller waits without polling,
// and the application handles its events meanwhile. Connections the
// transfer leaves open are kept for the next one.
class CurlEventLoop final : public QObject {
    Q_OBJECT

public:
    CurlEventLoop();
    ~CurlEventLoop() override;
    CurlEventLoop(const CurlEventLoop &) = delete;
    CurlEventLoop &operator=(const CurlEventLoop &) = delete;

    // Returns once the transfer has ended, with its result; or as soon as
    // `enough` holds after libcurl has dealt with what it received, stopping
    // the transfer there, with CURLE_OK. A failure of the multi handle
    // itself is thrown, in libcurl's words.
    CURLcode perform(CURL *easy, std::function<bool()> enough);

private:
    struct Watch {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *socketData);
    static int onTimer(CURLM *multi, long milliseconds, void *self);
    void watch(curl_socket_t socket, int what);
    void act(curl_socket_t socket, int events);
    // Keeps the first failure of the multi handle; false when there was one.
    bool check(CURLMcode code);

    static constexpr int kImmediateRounds = 4;

    CURLM *m_multi;
    QTimer m_timer;
    // libcurl asked for a timeout of zero: it has work to do right away.
    bool m_timeoutDue = false;
    // Kept, disabled, when libcurl stops watching a socket: the next
    // transfer on a kept connection, or a new socket of the same number,
    // enables them again instead of making new ones.
    std::unordered_map<curl_socket_t, Watch> m_watches;
    QEventLoop *m_loop = nullptr;
    std::function<bool()> m_enough;
    std::optional<CURLcode> m_result;
    // The multi handle could not be set up: every transfer fails with it.
    std::optional<Failure> m_setupFailure;
    // The first failure of the multi handle during this transfer.
    std::optional<Failure> m_failure;
};

} // namespace quill
