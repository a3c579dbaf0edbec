#include "fix_path_slashes.h"

namespace quill {

namespace {

constexpr QChar kSeparator = u'/';

// Replaces each pair of adjacent separators by one, scanning on after the
// pair so that a replaced separator is not paired again.
QString halvePairs(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        result.append(text[i]);
        if (text[i] == kSeparator && i + 1 < text.size() && text[i + 1] == kSeparator)
            ++i;
    }
    return result;
}

} // namespace

QString FixPathSlashes(const QString &path)
{
    if (!path.startsWith(kSeparator))
        return halvePairs(path);
    qsizetype rest = 0;
    while (rest < path.size() && path[rest] == kSeparator)
        ++rest;
    return QString(2, kSeparator) + halvePairs(QStringView(path).mid(rest));
}

} // namespace quill
