#include "application_title.h"

#include "core/failure.h"

namespace quill {

QString ApplicationTitle(const QString &productName)
{
    constexpr qsizetype kLongest = 40;
    QString title = productName;
    do {
        const qsizetype blank = title.lastIndexOf(u' ');
        if (blank < 0)
            throw Failure(QStringLiteral("Invalid procedure call or argument"), 5);
        title.truncate(blank);
    } while (title.size() > kLongest);
    return title;
}

} // namespace quill
