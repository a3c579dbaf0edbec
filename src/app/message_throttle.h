#pragma once

#include <QString>

#include <limits>
#include <optional>

namespace quill {

// Qt's accessibility bridge warns once for every request about an object
// that is gone, and a screen reader asks thousands of times about a closed
// file dialog's objects: half a megabyte of one warning in the user's
// journal per dialog. That warning is let through at most once a second,
// with how many like it were held back; every other message passes as it is.
class MessageThrottle final {
public:
    static constexpr qint64 kIntervalMs = 1000;

    // The text to write for a message of the category at nowMs (a steady
    // clock's milliseconds), or nothing when it is held back.
    std::optional<QString> pass(const char *category, const QString &message, qint64 nowMs);

private:
    qint64 m_lastOut = std::numeric_limits<qint64>::min() / 2;
    int m_held = 0;
};

// The throttle in front of the message handler, for the program's life.
void installMessageThrottle();

} // namespace quill
