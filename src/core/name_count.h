#pragma once

#include <QString>

namespace quill {

// A count of names in words, for what is announced: "1 name", "3 names".
inline QString nameCount(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 name") : QStringLiteral("%1 names").arg(count);
}

} // namespace quill
