#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

// What the fuzz targets share: a property check that ends the run with a
// readable message (libFuzzer then keeps the input as a crash file), and
// printable forms of the values they compare.
namespace quill::fuzz {

// Bytes with every byte outside printable ASCII, and the backslash, as \xHH.
inline QByteArray printable(const QByteArray &bytes)
{
    QByteArray result = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '\\' && c != '"')
            result.append(c);
        else
            result.append("\\x").append(QByteArray::number(b, 16).rightJustified(2, '0'));
    }
    return result.append('"');
}

inline QByteArray printable(const QString &text)
{
    QByteArray result = "u\"";
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'\\' && c != u'"')
            result.append(char(c.unicode()));
        else
            result.append("\\u").append(QByteArray::number(c.unicode(), 16).rightJustified(4, '0'));
    }
    return result.append('"');
}

template <typename T>
    requires std::is_integral_v<T>
QByteArray printable(T number)
{
    return QByteArray::number(qlonglong(number));
}

template <typename T>
QByteArray printable(const QList<T> &items)
{
    QByteArray result = "[";
    for (qsizetype i = 0; i < items.size(); ++i)
        result.append(i == 0 ? "" : ", ").append(printable(items[i]));
    return result.append(']');
}

// Text from fuzz input. Byte 0 even: each further byte is one character, so
// ASCII separators come often; odd: the rest as UTF-16, little-endian,
// surrogates and all.
inline QString textOf(const std::uint8_t *data, std::size_t size)
{
    QString text;
    if (size == 0)
        return text;
    if ((data[0] & 1) == 0) {
        for (std::size_t i = 1; i < size; ++i)
            text.append(QChar(char16_t(data[i])));
        return text;
    }
    for (std::size_t i = 1; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | data[i + 1] << 8)));
    return text;
}

// Every run of '/' as one: the file a path names on Linux.
inline QString collapsed(const QString &path)
{
    QString result;
    for (const QChar c : path) {
        if (c != u'/' || !result.endsWith(u'/'))
            result.append(c);
    }
    return result;
}

[[noreturn]] inline void fail(const char *property, const QByteArray &details)
{
    std::fprintf(stderr, "\n*** PROPERTY FAILED: %s\n%s\n", property, details.constData());
    std::fflush(stderr);
    std::abort();
}

inline void check(bool holds, const char *property, const QByteArray &details = {})
{
    if (!holds)
        fail(property, details);
}

// Fails unless the two are equal, showing both.
template <typename T>
void checkEqual(const T &actual, const T &expected, const char *property)
{
    if (!(actual == expected))
        fail(property, "  got:      " + printable(actual) + "\n  expected: " + printable(expected));
}

} // namespace quill::fuzz
