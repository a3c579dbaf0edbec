#pragma once

#include "core/failure.h"
#include "core/platform.h"

#include <QByteArray>

#include <curl/curl.h>

#include <chrono>
#include <memory>

namespace quill {

// The window's HTTP transfer object over libcurl: one GET at a time, waited
// for in a local event loop so that the window keeps handling events (and
// can be closed) while a slow server makes up its mind.
//
// Only the reply's header block matters, so the transfer stops as soon as
// that block is complete; a body is never read. Its lines always end in
// CR LF. Once the final reply's first line is in, the server has answered: a
// failure after it keeps the block as far as it came. Blanks and control
// characters around a name are dropped, and its host is lower-cased (ASCII)
// or written in its IDNA form, before it is requested. Redirects are not followed, only http and https are spoken,
// HTTP/1.1 is used also for https (an HTTP/2 status line has no reason
// phrase to read), certificates are not checked, every TLS version from 1.0
// and cipher the system still speaks is accepted, and no proxy is ever used.
// A setting libcurl refuses fails every request instead of being left out.
class CurlTransfer final : public Transfer {
public:
    // No honest server sends this much before its body: a longer block is
    // cut at the last line that fits, provided its first line is in.
    static constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
    // The longest one request may take, as the window is set up with.
    static constexpr std::chrono::milliseconds kTimeout = std::chrono::seconds(60);

    explicit CurlTransfer(std::chrono::milliseconds timeout = kTimeout);
    ~CurlTransfer() override;
    CurlTransfer(const CurlTransfer &) = delete;
    CurlTransfer &operator=(const CurlTransfer &) = delete;

    void OpenURL(const QByteArray &url) override;
    QByteArray GetHeader() override;

private:
    class Engine;
    std::unique_ptr<Engine> m_engine;
};

// libcurl may refuse an option (an older release, another TLS library, a
// value out of range). A transfer set up without one of its settings could
// reach another scheme or a proxy, so a refusal is a failure that names the
// setting.
Failure refusedSetting(const char *setting, CURLcode code);

template <typename Value>
void setTransferOption(CURL *easy, CURLoption option, Value value, const char *setting)
{
    if (const CURLcode set = curl_easy_setopt(easy, option, value); set != CURLE_OK)
        throw refusedSetting(setting, set);
}

} // namespace quill
