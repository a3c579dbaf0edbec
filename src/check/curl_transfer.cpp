#include "curl_transfer.h"

#include "ascii_host.h"
#include "core/failure.h"
#include "curl_event_loop.h"

#include <QString>

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <cstring>
#include <optional>

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

// Blanks and control characters around a name are no part of the address,
// as for every browser's address parser: names copied from a page or a
// spreadsheet often carry them. Those inside stay and fail as they are.
QByteArray withoutBlanksAround(const QByteArray &name)
{
    const auto outside = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && outside(name[begin]))
        ++begin;
    while (end > begin && outside(name[end - 1]))
        --end;
    return name.mid(begin, end - begin);
}

// libcurl refuses a header line past its limit as if memory had run out
// (before 8.6) or with a code of its own, without a word of its own either
// way.
bool isHeaderLineTooLong(CURLcode result, const char *error)
{
#if LIBCURL_VERSION_NUM >= 0x080600
    if (result == CURLE_TOO_LARGE)
        return true;
#endif
    return result == CURLE_OUT_OF_MEMORY && !error[0];
}

// Only OpenSSL's context is an SSL_CTX; other TLS libraries hand libcurl's
// context callback something else.
bool tlsIsOpenSsl()
{
    const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
    return info && info->ssl_version && std::strncmp(info->ssl_version, "OpenSSL/", 8) == 0;
}

bool resolvesAsynchronously()
{
    const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
    return info && (info->features & CURL_VERSION_ASYNCHDNS);
}

// A server that predates secure renegotiation (RFC 5746) still answers for
// its name; nothing is renegotiated on a connection that carries one GET.
// Set on each of the probe's own connections, never process-wide.
CURLcode allowLegacyServers(CURL *, void *context, void *)
{
    SSL_CTX_set_options(static_cast<SSL_CTX *>(context), SSL_OP_LEGACY_SERVER_CONNECT);
    return CURLE_OK;
}

// A request in flight, for as long as it lives, however the request ends.
class InFlight final {
public:
    explicit InFlight(bool &flag) noexcept : m_flag(flag) { m_flag = true; }
    ~InFlight() { m_flag = false; }
    InFlight(const InFlight &) = delete;
    InFlight &operator=(const InFlight &) = delete;

private:
    bool &m_flag;
};

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
        try {
            configure(timeout);
        } catch (const Failure &failure) {
            // Shown for every request: none goes out on settings that did
            // not all take.
            m_setupFailure = failure;
        }
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
        if (m_setupFailure)
            throw *m_setupFailure;
        const QByteArray name = withoutBlanksAround(url);
        if (name.isEmpty())
            throw Failure(QStringLiteral("The address holds nothing but blanks or control characters"),
                          CURLE_URL_MALFORMAT);
        // libcurl takes the address as a C string and would request what
        // stands before the NUL instead.
        if (name.contains('\0'))
            throw Failure(QStringLiteral("The address holds a NUL character"), CURLE_URL_MALFORMAT);

        m_received = 0;
        m_bodyBytes = 0;
        m_blockEnded = false;
        m_complete = false;
        m_overflow = false;
        m_finalReply = false;
        m_error[0] = '\0';
        m_staleError = false;
        // libcurl would read a non-ASCII host in the locale's encoding, and the
        // resolver may compare an upper-case one by the locale's case rules.
        const QByteArray address = withAsciiHost(name);
        // libcurl refuses an address past its length limit and would then
        // say only that no address is set.
        if (const CURLcode set = curl_easy_setopt(m_easy, CURLOPT_URL, address.constData()); set != CURLE_OK)
            throw Failure(set == CURLE_BAD_FUNCTION_ARGUMENT
                              ? QStringLiteral("The address is too long: %1 bytes").arg(name.size())
                              : QString::fromUtf8(curl_easy_strerror(set)),
                          set);

        const InFlight inFlight(m_busy);
        CURLcode result = CURLE_OK;
        try {
            result = m_loop.perform(m_easy, [this] { return m_complete; });
        } catch (const Failure &failure) {
            fail(failure.description(), failure.number());
        }

        // Once the final header block is in, whatever becomes of the body
        // does not matter.
        if (m_complete || result == CURLE_OK)
            return;
        // A server whose final reply has begun has answered: whatever stops
        // the transfer after its first line (a reset, a time-out, a later
        // line libcurl refuses, the cap) leaves the block as far as it came.
        if (holdsFinalFirstLine())
            return;
        if (m_overflow)
            fail(QStringLiteral("The reply's header block is larger than %1 KiB").arg(kMaxHeaderBytes / 1024),
                 CURLE_WRITE_ERROR);
        const char *error = m_staleError ? "" : m_error;
        // A line over libcurl's limit also takes the block past the cap; left
        // to libcurl's words it would send the user looking in the wrong place.
        if (isHeaderLineTooLong(result, error))
            fail(QStringLiteral("A line of the reply's header block is longer than %1 KiB")
                     .arg(CURL_MAX_HTTP_HEADER / 1024),
                 result);
        fail(QString::fromUtf8(error[0] ? error : curl_easy_strerror(result)), result);
    }

    const QByteArray &header() const noexcept { return m_header; }

private:
    template <typename Value>
    void set(CURLoption option, Value value, const char *setting)
    {
        setTransferOption(m_easy, option, value, setting);
    }

    void configure(std::chrono::milliseconds timeout)
    {
        // A libcurl that looks names up on the calling thread would hold the
        // window for as long as a lookup takes: its only time-out works by
        // signals, which are off. Such a libcurl makes no request at all.
        if (!resolvesAsynchronously())
            throw Failure(QStringLiteral("This libcurl looks host names up only by blocking (it lacks "
                                         "asynchronous name resolution), which would freeze the window "
                                         "without a time-out: no request is made"),
                          CURLE_NOT_BUILT_IN);
        set(CURLOPT_NOSIGNAL, 1L, "signal-free waiting");
        set(CURLOPT_ERRORBUFFER, m_error, "error text buffer");
        set(CURLOPT_SOCKOPTFUNCTION, &Engine::onNewSocket, "new-connection callback");
        set(CURLOPT_SOCKOPTDATA, this, "new-connection callback");
        set(CURLOPT_HEADERFUNCTION, &Engine::onHeader, "header callback");
        set(CURLOPT_HEADERDATA, this, "header callback");
        set(CURLOPT_WRITEFUNCTION, &Engine::onBody, "body callback");
        set(CURLOPT_WRITEDATA, this, "body callback");
        // The verdict is the first reply's, not the one a redirect leads to.
        set(CURLOPT_FOLLOWLOCATION, 0L, "redirects off");
        set(CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()), "time-out");
#if LIBCURL_VERSION_NUM >= 0x075700
        // A name lookup that outlasts the time-out is left to end on its own
        // thread: waiting for it would hold the window past the time-out.
        set(CURLOPT_QUICK_EXIT, 1L, "lookups left behind on a time-out");
#endif
        // An HTTP/2 status line has no reason phrase: the probe reads HTTP/1.1's.
        set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1), "HTTP version");
        // Names come from files anybody may have written: never a local file
        // or another protocol, and a bare host is always http, even one named
        // ftp.something that libcurl would otherwise guess to be FTP.
        set(CURLOPT_PROTOCOLS_STR, "http,https", "protocol allow-list");
        set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https", "redirect protocol allow-list");
        set(CURLOPT_DEFAULT_PROTOCOL, "http", "default protocol");
        // A proxy would answer for names it cannot reach, and its "500" would
        // pass for the name's own reply: requests always go direct, whatever
        // the environment's *_proxy variables say.
        set(CURLOPT_PROXY, "", "proxy off");
        // A bare GET without credentials whose status line is all that is
        // read: the certificate protects nothing here, and a server that
        // answers with a self-signed, expired or other host's certificate
        // still answers for the name.
        set(CURLOPT_SSL_VERIFYPEER, 0L, "certificate check off");
        set(CURLOPT_SSL_VERIFYHOST, 0L, "host name check off");
        // For the same reason a server that speaks only an old TLS version
        // or cipher still answers: every one the system's TLS library can
        // still speak is accepted, from TLS 1.0 on.
        set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_0), "oldest TLS version");
        set(CURLOPT_SSL_CIPHER_LIST, "ALL:@SECLEVEL=0", "TLS cipher list");
        if (tlsIsOpenSsl())
            set(CURLOPT_SSL_CTX_FUNCTION, &allowLegacyServers, "TLS context callback");
    }

    // The block holds the complete first line of the final reply, and
    // perhaps more of its lines.
    bool holdsFinalFirstLine() const noexcept { return !m_header.isEmpty() && !m_blockEnded && m_finalReply; }

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
        // libcurl has read the code of a status line before it hands it over.
        if (m_header.isEmpty())
            m_finalReply = !isInterim(responseCode());
        appendLine(m_header, data, length);
        if (!isBlankLine(data, length))
            return length;
        m_blockEnded = true;
        // The final block is complete: the transfer stops as soon as libcurl
        // has handled what it has already received. A small body that came
        // with the headers thus ends the reply cleanly and keeps the
        // connection for the next name; nothing more of a body is waited for.
        m_complete = !isInterim(responseCode());
        return length;
    }

    long responseCode() const
    {
        long code = 0;
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }

    static bool isInterim(long code) noexcept { return code >= 100 && code <= 199; }

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
    // The block being received is the final reply's, going by its status line.
    bool m_finalReply = false;
    bool m_busy = false;
    bool m_staleError = false;
    char m_error[CURL_ERROR_SIZE] = {};
    std::optional<Failure> m_setupFailure;
};

Failure refusedSetting(const char *setting, CURLcode code)
{
    return Failure(QStringLiteral("libcurl refused a transfer setting (%1): %2")
                       .arg(QLatin1String(setting), QString::fromUtf8(curl_easy_strerror(code))),
                   code);
}

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
