#include "curl_event_loop.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <algorithm>
#include <utility>

namespace quill {

namespace {

Failure multiFailure(CURLMcode code)
{
    return Failure(QString::fromUtf8(curl_multi_strerror(code)), code);
}

} // namespace

CurlEventLoop::CurlEventLoop() : m_multi(curl_multi_init())
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    if (!m_multi) {
        m_setupFailure = Failure(QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)), CURLE_FAILED_INIT);
        return;
    }
    const auto set = [this](CURLMcode code) {
        if (code != CURLM_OK && !m_setupFailure)
            m_setupFailure = multiFailure(code);
    };
    // Without its callbacks the handle would never say what to wait for.
    set(curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlEventLoop::onSocket));
    set(curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this));
    set(curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlEventLoop::onTimer));
    set(curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this));
#if LIBCURL_VERSION_NUM >= 0x081400
    // Releases that keep lookups with the multi handle would otherwise wait
    // for one that outlasts its request's time-out.
    set(curl_multi_setopt(m_multi, CURLMOPT_QUICK_EXIT, 1L));
#endif
}

CurlEventLoop::~CurlEventLoop()
{
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

CURLcode CurlEventLoop::perform(CURL *easy, std::function<bool()> enough)
{
    if (m_setupFailure)
        throw *m_setupFailure;
    m_result.reset();
    m_failure.reset();
    if (const CURLMcode added = curl_multi_add_handle(m_multi, easy); added != CURLM_OK)
        throw multiFailure(added);
    m_enough = std::move(enough);
    // Adding the handle has asked for a timeout of zero: the request goes
    // out now, and the loop runs only to wait for the reply.
    act(CURL_SOCKET_TIMEOUT, 0);
    if (!m_result && !m_failure) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    m_enough = nullptr;
    m_timer.stop();
    // Also ends a transfer that was stopped half-way.
    check(curl_multi_remove_handle(m_multi, easy));
    if (m_failure)
        throw Failure(*std::exchange(m_failure, std::nullopt));
    return m_result.value_or(CURLE_FAILED_INIT);
}

int CurlEventLoop::onSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    static_cast<CurlEventLoop *>(self)->watch(socket, what);
    return 0;
}

int CurlEventLoop::onTimer(CURLM *, long milliseconds, void *self)
{
    auto *loop = static_cast<CurlEventLoop *>(self);
    loop->m_timeoutDue = milliseconds == 0;
    if (milliseconds < 0)
        loop->m_timer.stop();
    else
        loop->m_timer.start(static_cast<int>(std::min<long>(milliseconds, 24L * 3600 * 1000)));
    return 0;
}

void CurlEventLoop::watch(curl_socket_t socket, int what)
{
    Watch &watch = m_watches[socket];
    const auto follow = [&](std::unique_ptr<QSocketNotifier> &notifier, QSocketNotifier::Type type, bool wanted,
                            int event) {
        if (!notifier && wanted) {
            notifier = std::make_unique<QSocketNotifier>(socket, type);
            connect(notifier.get(), &QSocketNotifier::activated, this, [this, socket, event] { act(socket, event); });
        }
        if (notifier)
            notifier->setEnabled(wanted);
    };
    // CURL_POLL_REMOVE wants neither.
    follow(watch.read, QSocketNotifier::Read, what & CURL_POLL_IN, CURL_CSELECT_IN);
    follow(watch.write, QSocketNotifier::Write, what & CURL_POLL_OUT, CURL_CSELECT_OUT);
}

bool CurlEventLoop::check(CURLMcode code)
{
    if (code == CURLM_OK)
        return true;
    if (!m_failure)
        m_failure = multiFailure(code);
    return false;
}

void CurlEventLoop::act(curl_socket_t socket, int events)
{
    int running = 0;
    bool going = check(curl_multi_socket_action(m_multi, socket, events, &running));
    // What libcurl wants done at once is done at once, not after a trip
    // round the event loop; a few times at most, so that events still get
    // their turn if it keeps asking.
    for (int again = 0; going && again < kImmediateRounds && m_timeoutDue && !m_result; ++again) {
        m_timeoutDue = false;
        m_timer.stop();
        going = check(curl_multi_socket_action(m_multi, CURL_SOCKET_TIMEOUT, 0, &running));
    }
    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        m_result = message->data.result;
    }
    if (!m_result && !m_failure && m_enough && m_enough())
        m_result = CURLE_OK;
    if ((m_result || m_failure) && m_loop)
        m_loop->quit();
}

} // namespace quill
