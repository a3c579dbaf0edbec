#pragma once

#include "core/platform.h"

#include <QByteArray>

#include <chrono>
#include <memory>

namespace quill {

// The window's HTTP transfer object over libcurl: one GET at a time, waited
// for in a local event loop so that the window keeps handling events (and
// can be closed) while a slow server makes up its mind.
//
// Only the reply's header block matters, so the transfer stops as soon as
// that block is complete; a body is never read. Its lines always end in
// CR LF. Redirects are not followed, only http and https are spoken, HTTP/1.1
// is used also for https (an HTTP/2 status line has no reason phrase to
// read), certificates are not checked, and no proxy is ever used.
class CurlTransfer final : public Transfer {
public:
    // No honest server sends this much before its body.
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

} // namespace quill
