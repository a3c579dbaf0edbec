#include "curl_transfer.h"

#include "ascii_host.h"
#include "core/failure.h"
#include "curl_event_loop.h"

#include <QString>

#include <curl/curl.h>

#include <cstring>

namespace quill {

namespace {

bool isBlankLine(const char *data, size_t length)
{
    return (length == 2 && data[0] == '\r' && data[1] == '\n') || (length == 1 && data[0] == '\n');
}

// libcurl hands over one header line at a time, with the line end the
// server sent; a bare LF is allowed from servers, but the block goes on
// with CR LF line ends. A CR inside a line is the server's and stays.
void appendLine(QByteArray &block, const char *data, size_t length)
{
    const auto size = static_cast<qsizetype>(length);
    if (size > 0 && data[size - 1] == '\n' && (size < 2 || data[size - 2] != '\r')) {
        block.append(data, size - 1);
        block.append("\r\n", 2);
        return;
    }
    block.append(data, size);
}

void initialiseCurlOnce()
{
    static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
    (void)done;
}

} // namespace

class CurlTransfer::Engine final {
public:
    explicit Engine(std::chrono::milliseconds timeout) : m_easy(curl_easy_init())
    {
        if (!m_easy)
            return;
        curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
        curl_easy_setopt(m_easy, CURLOPT_SOCKOPTFUNCTION, &Engine::onNewSocket);
        curl_easy_setopt(m_easy, CURLOPT_SOCKOPTDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Engine::onHeader);
        curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Engine::onBody);
        curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
        // The verdict is the first reply's, not the one a redirect leads to.
        curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
        // An HTTP/2 status line has no reason phrase: the probe reads HTTP/1.1's.
        curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        // Names come from files anybody may have written: never a local file
        // or another protocol, and a bare host is always http, even one named
        // ftp.something that libcurl would otherwise guess to be FTP.
        curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(m_easy, CURLOPT_DEFAULT_PROTOCOL, "http");
        // A proxy would answer for names it cannot reach, and its "500" would
        // pass for the name's own reply: requests always go direct, whatever
        // the environment's *_proxy variables say.
        curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
        // A bare GET without credentials whose status line is all that is
        // read: the certificate protects nothing here, and a server that
        // answers with a self-signed, expired or other host's certificate
        // still answers for the name.
        curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYHOST, 0L);
    }

    ~Engine()
    {
        if (m_easy)
            curl_easy_cleanup(m_easy);
    }

    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    void open(const QByteArray &url)
    {
        if (m_busy)
            throw Failure(QStringLiteral("Another request is still under way"));
        m_header.clear();
        if (!m_easy)
            throw Failure(QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)), CURLE_FAILED_INIT);
        // libcurl takes the address as a C string and would request what
        // stands before the NUL instead.
        if (url.contains('\0'))
            throw Failure(QStringLiteral("The address holds a NUL character"), CURLE_URL_MALFORMAT);

        m_received = 0;
        m_bodyBytes = 0;
        m_blockEnded = false;
        m_complete = false;
        m_overflow = false;
        m_error[0] = '\0';
        m_staleError = false;
        // libcurl would read a non-ASCII host in the locale's encoding.
        const QByteArray address = withAsciiHost(url);
        // libcurl refuses an address past its length limit and would then
        // say only that no address is set.
        if (const CURLcode set = curl_easy_setopt(m_easy, CURLOPT_URL, address.constData()); set != CURLE_OK)
            throw Failure(set == CURLE_BAD_FUNCTION_ARGUMENT
                              ? QStringLiteral("The address is too long: %1 bytes").arg(url.size())
                              : QString::fromUtf8(curl_easy_strerror(set)),
                          set);

        m_busy = true;
        const CURLcode result = m_loop.perform(m_easy, [this] { return m_complete; });
        m_busy = false;

        if (m_overflow)
            fail(QStringLiteral("The reply's header block is larger than %1 KiB").arg(kMaxHeaderBytes / 1024),
                 CURLE_WRITE_ERROR);
        // Once the final header block is in, whatever becomes of the body
        // does not matter.
        if (m_complete || result == CURLE_OK)
            return;
        // libcurl refuses a header line past its limit as if memory had run
        // out, without a word of its own: that would send the user looking
        // in the wrong place.
        const char *error = m_staleError ? "" : m_error;
        if (result == CURLE_OUT_OF_MEMORY && !error[0])
            fail(QStringLiteral("A line of the reply's header block is longer than %1 KiB")
                     .arg(CURL_MAX_HTTP_HEADER / 1024),
                 result);
        fail(QString::fromUtf8(error[0] ? error : curl_easy_strerror(result)), result);
    }

    const QByteArray &header() const noexcept { return m_header; }

private:
    [[noreturn]] void fail(const QString &description, int number)
    {
        // One name's reply must never be read as another's.
        m_header.clear();
        throw Failure(description, number);
    }

    // libcurl keeps the first error text of a transfer. When a kept-alive
    // connection turns out to have been closed by the server just as it was
    // reused, libcurl quietly tries again on a new one, and what that attempt
    // fails with would be reported in the dead connection's words.
    static int onNewSocket(void *self, curl_socket_t, curlsocktype)
    {
        auto *engine = static_cast<Engine *>(self);
        engine->m_staleError = engine->m_error[0] != '\0';
        return CURL_SOCKOPT_OK;
    }

    static size_t onHeader(char *data, size_t size, size_t count, void *self)
    {
        return static_cast<Engine *>(self)->header(data, size * count);
    }

    size_t header(const char *data, size_t length)
    {
        // Trailers of a chunked body are not the reply's header block.
        if (m_complete)
            return length;
        // Interim replies (100 Continue) come first, each with its own block:
        // the one that counts is the final reply's.
        if (m_blockEnded) {
            m_header.clear();
            m_blockEnded = false;
        }
        if (length > static_cast<size_t>(kMaxHeaderBytes - m_received)) {
            m_overflow = true;
            return 0;
        }
        m_received += static_cast<qsizetype>(length);
        appendLine(m_header, data, length);
        if (!isBlankLine(data, length))
            return length;
        m_blockEnded = true;
        long code = 0;
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &code);
        // The final block is complete: the transfer stops as soon as libcurl
        // has handled what it has already received. A small body that came
        // with the headers thus ends the reply cleanly and keeps the
        // connection for the next name; nothing more of a body is waited for.
        m_complete = code < 100 || code > 199;
        return length;
    }

    static size_t onBody(char *, size_t size, size_t count, void *self)
    {
        return static_cast<Engine *>(self)->body(size * count);
    }

    size_t body(size_t length)
    {
        // A reply libcurl took for final although it looked interim.
        if (!m_complete)
            m_complete = m_blockEnded;
        // Bytes already received are thrown away; a flood of them is not read.
        m_bodyBytes += static_cast<qsizetype>(length);
        return m_bodyBytes > kMaxHeaderBytes ? 0 : length;
    }

    CURL *m_easy;
    CurlEventLoop m_loop;
    QByteArray m_header;
    qsizetype m_received = 0;
    qsizetype m_bodyBytes = 0;
    bool m_blockEnded = false;
    bool m_complete = false;
    bool m_overflow = false;
    bool m_busy = false;
    bool m_staleError = false;
    char m_error[CURL_ERROR_SIZE] = {};
};

CurlTransfer::CurlTransfer(std::chrono::milliseconds timeout)
{
    initialiseCurlOnce();
    m_engine = std::make_unique<Engine>(timeout);
}

CurlTransfer::~CurlTransfer() = default;

void CurlTransfer::OpenURL(const QByteArray &url)
{
    m_engine->open(url);
}

QByteArray CurlTransfer::GetHeader()
{
    return m_engine->header();
}

} // namespace quill
