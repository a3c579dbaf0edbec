#include "message_throttle.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>

#include <cstring>
#include <utility>

namespace quill {

namespace {

bool isGoneObjectWarning(const char *category, const QString &message)
{
    return category && std::strcmp(category, "qt.accessibility.atspi") == 0
           && message.startsWith(QLatin1String("Could not find accessible on path"));
}

QtMessageHandler g_next = nullptr;
MessageThrottle g_throttle;
QElapsedTimer g_clock;
QMutex g_lock;

void throttledHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    std::optional<QString> out;
    {
        const QMutexLocker locker(&g_lock);
        out = g_throttle.pass(context.category, message, g_clock.elapsed());
    }
    if (out && g_next)
        g_next(type, context, *out);
}

} // namespace

std::optional<QString> MessageThrottle::pass(const char *category, const QString &message, qint64 nowMs)
{
    if (!isGoneObjectWarning(category, message))
        return message;
    if (nowMs - m_lastOut < kIntervalMs) {
        ++m_held;
        return std::nullopt;
    }
    m_lastOut = nowMs;
    if (m_held == 0)
        return message;
    const int held = std::exchange(m_held, 0);
    return message + QStringLiteral(" (and %1 more like it held back)").arg(held);
}

void installMessageThrottle()
{
    g_clock.start();
    g_next = qInstallMessageHandler(throttledHandler);
}

} // namespace quill
