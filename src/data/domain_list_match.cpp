#include "domain_list.h"

#include <QStringView>

namespace quill {

namespace {

bool isAscii(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// Whether `entry` starts with the ASCII text `prefix` (lower-cased when
// `caseless`), or nothing when the entry's first bytes are not ASCII and only
// its decoded text can tell.
std::optional<bool> startsWithAscii(QByteArrayView entry, QByteArrayView prefix, bool caseless)
{
    // Fewer bytes than the text has characters: fewer characters too.
    if (entry.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        const char c = entry[i];
        if (uchar(c) >= 0x80)
            return std::nullopt;
        if ((caseless ? lowerAscii(c) : c) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

QModelIndexList DomainList::match(const QModelIndex &start, int role, const QVariant &value, int hits,
                                  Qt::MatchFlags flags) const
{
    const Qt::MatchFlags kind = flags & Qt::MatchTypeMask;
    const QString text = value.toString();
    // The search on the bytes answers what decoding each entry would for
    // an ASCII text no longer than the views show; anything else is left
    // to Qt's own search. The text is looked at before it becomes bytes:
    // Latin-1 would turn every letter beyond it into '?'.
    if (kind != Qt::MatchStartsWith || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        || value.userType() != QMetaType::QString || start.parent().isValid() || start.column() != 0
        || text.size() > kMaxShownBytes - 4 || !isAscii(text) || flags.testFlag(Qt::MatchRecursive))
        return QAbstractListModel::match(start, role, value, hits, flags);

    const bool caseless = !flags.testFlag(Qt::MatchCaseSensitive);
    QByteArray prefix = text.toLatin1();
    if (caseless)
        prefix = prefix.toLower();
    const int rows = rowCount();
    const int from = start.isValid() ? start.row() : 0;
    const bool wrap = flags.testFlag(Qt::MatchWrap);
    QModelIndexList found;
    const auto look = [&](int first, int end) {
        for (int row = first; row < end && (hits < 0 || found.size() < hits); ++row) {
            const QByteArrayView entry(m_bytes.constData() + begin(row), m_ends[row] - begin(row));
            std::optional<bool> starts = startsWithAscii(entry, prefix, caseless);
            if (!starts)
                starts = data(index(row), role).toString().startsWith(
                    text, caseless ? Qt::CaseInsensitive : Qt::CaseSensitive);
            if (*starts)
                found.append(index(row));
        }
    };
    look(from, rows);
    if (wrap)
        look(0, from);
    return found;
}

} // namespace quill
