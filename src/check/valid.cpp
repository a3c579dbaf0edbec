#include "valid.h"

#include "core/failure.h"
#include "core/platform.h"
#include "core/procedure.h"

namespace quill {

namespace {

// "HTTP/1.1 " stands before the code.
constexpr qsizetype kVersionPrefix = 9;

// The header block up to the first CR at or after its tenth character.
// `noReply`: the request failed and left no block, which the report says
// rather than blame a reply that never was.
QByteArray statusLineOf(const QByteArray &headerBlock, bool noReply)
{
    // A CR among the first nine characters is passed over.
    const qsizetype cr = headerBlock.indexOf('\r', kVersionPrefix);
    if (cr < 0)
        throw Failure(noReply ? QStringLiteral("No reply was read, so there is no status line")
                              : QStringLiteral("The reply's header block has no status line"));
    return headerBlock.left(cr);
}

// The status line without its first nine characters.
QByteArray statusTextOf(const QByteArray &statusLine, bool noReply)
{
    const qsizetype length = statusLine.size() - kVersionPrefix;
    if (length < 0)
        throw Failure(noReply ? QStringLiteral("No reply was read, so there is no status")
                              : QStringLiteral("The status line is shorter than its version prefix"));
    return statusLine.right(length);
}

// The probe runs once per name: its procedures' paths are built once.
const QString &checkUrlPath()
{
    static const QString path = procedurePath(QStringLiteral("Valid"), QStringLiteral("CheckURL"));
    return path;
}

const QString &isUrlValidPath()
{
    static const QString path = procedurePath(QStringLiteral("Valid"), QStringLiteral("IsURLValid"));
    return path;
}

} // namespace

namespace Valid {

QByteArray CheckURL(Transfer &inet, MessageBoxes &boxes, const QByteArray &url, int maxAttempts)
{
    Procedure proc(boxes, checkUrlPath());
    int attempts = 0;
    bool success = false;
    QByteArray statusLine;
    QByteArray result;
    bool noReply = false; // this attempt's request failed, and left no block
    proc.step(100, [&] { attempts = 0; });
    proc.step(102, [&] { success = false; });
    while (proc.metOrFailed(104, [&] { return attempts < maxAttempts && !success; })) {
        proc.step(106, [&] { ++attempts; });
        noReply = true;
        proc.step(108, [&] {
            inet.OpenURL(url);
            noReply = false;
        });
        // Read also after a failed request: what the block then holds decides.
        proc.step(110, [&] {
            const QByteArray block = inet.GetHeader();
            noReply = noReply && block.isEmpty();
            statusLine = statusLineOf(block, noReply);
        });
        proc.step(112, [&] { result = statusTextOf(statusLine, noReply); });
        if (proc.metOrFailed(114, [&] { return result.left(3) == "200"; }))
            proc.step(116, [&] { success = true; });
    }
    return result;
}

std::optional<bool> IsURLValid(Transfer &inet, MessageBoxes &boxes, const QByteArray &name)
{
    Procedure proc(boxes, isUrlValidPath());
    std::optional<bool> verdict;
    QByteArray status;
    if (proc.metOrFailed(100, [&] { return name.isEmpty(); }))
        return verdict;
    proc.step(102, [&] { status = CheckURL(inet, boxes, name, 1); });
    if (proc.metOrFailed(104, [&] { return status.size() > 4; }))
        proc.step(106, [&] { verdict = true; });
    else
        proc.step(108, [&] { verdict = false; });
    // The status line is bytes: only ASCII letters change case.
    if (proc.metOrFailed(110, [&] { return status.toLower().contains("404 not found"); }))
        proc.step(112, [&] { verdict = false; });
    return verdict;
}

} // namespace Valid

} // namespace quill
