#include "ascii_host.h"

#include <QString>
#include <QUrl>

#include <algorithm>

namespace quill {

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isSchemeCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-'
        || c == '.';
}

// Where the authority begins: after "scheme://", or at the start of a bare
// host as libcurl reads one; -1 for a "://" that follows no scheme, which
// libcurl cannot read either.
qsizetype authorityStart(const QByteArray &name)
{
    const qsizetype separator = name.indexOf("://");
    if (separator < 0)
        return 0;
    // A "://" in the path or query of a bare host.
    for (const char stop : {'/', '?', '#'})
        if (const qsizetype at = name.indexOf(stop); at >= 0 && at < separator)
            return 0;
    const char first = separator > 0 ? name.front() : '\0';
    const bool scheme = ((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z'))
        && std::all_of(name.begin(), name.begin() + separator, isSchemeCharacter);
    return scheme ? separator + 3 : -1;
}

} // namespace

QByteArray withAsciiHost(const QByteArray &name)
{
    const qsizetype authority = authorityStart(name);
    if (authority < 0)
        return name;
    qsizetype end = name.size();
    for (const char stop : {'/', '?', '#'})
        if (const qsizetype at = name.indexOf(stop, authority); at >= 0)
            end = std::min(end, at);
    if (end == authority)
        return name;
    const qsizetype at = name.lastIndexOf('@', end - 1);
    const qsizetype hostStart = at >= authority ? at + 1 : authority;
    // An IP literal in brackets is ASCII or nothing libcurl would take; a
    // zone in it names an interface, whose case counts.
    if (hostStart < end && name[hostStart] == '[')
        return name;
    const qsizetype colon = name.indexOf(':', hostStart);
    const qsizetype hostEnd = colon >= 0 && colon < end ? colon : end;
    const QByteArrayView host = QByteArrayView(name).sliced(hostStart, hostEnd - hostStart);
    if (host.isEmpty())
        return name;
    if (isAscii(host)) {
        // Browsers lower-case a host before looking it up: the resolver
        // would otherwise compare it by the locale's case rules, which are
        // not ASCII's everywhere (a Turkish I is not an i).
        QByteArray lowered = name;
        for (qsizetype i = hostStart; i < hostEnd; ++i)
            if (lowered[i] >= 'A' && lowered[i] <= 'Z')
                lowered[i] = static_cast<char>(lowered[i] - 'A' + 'a');
        return lowered;
    }
    if (!host.isValidUtf8())
        return name;
    const QByteArray ascii = QUrl::toAce(QString::fromUtf8(host));
    if (ascii.isEmpty())
        return name;
    return QByteArray(name).replace(hostStart, hostEnd - hostStart, ascii);
}

} // namespace quill
