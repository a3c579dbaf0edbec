#include "style_sheet_check.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <optional>

namespace quill {

namespace {

bool isAllowedControl(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Index of the quote that closes the string opening at `open`, or -1.
qsizetype stringEnd(QStringView text, qsizetype open)
{
    const QChar quote = text[open];
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        if (text[i] == u'\\')
            ++i;
        else if (text[i] == quote)
            return i;
        else if (text[i] == u'\n' || text[i] == u'\r')
            return -1;
    }
    return -1;
}

// The sheet with each comment turned into a blank; nothing when a comment or
// a string does not end, or when the text holds control characters.
std::optional<QString> withoutComments(QStringView sheet)
{
    QString result;
    result.reserve(sheet.size());
    for (qsizetype i = 0; i < sheet.size(); ++i) {
        const QChar c = sheet[i];
        if (c.unicode() < 0x20 && !isAllowedControl(c))
            return std::nullopt;
        if (c == u'"' || c == u'\'') {
            const qsizetype end = stringEnd(sheet, i);
            if (end < 0)
                return std::nullopt;
            result += sheet.mid(i, end - i + 1);
            i = end;
        } else if (c == u'/' && i + 1 < sheet.size() && sheet[i + 1] == u'*') {
            const qsizetype end = sheet.indexOf(u"*/", i + 2);
            if (end < 0)
                return std::nullopt;
            result += u' ';
            i = end + 1;
        } else {
            result += c;
        }
    }
    return result;
}

bool isPropertyName(QStringView name)
{
    if (name.startsWith(u'-'))
        name = name.mid(1);
    if (name.isEmpty() || !isAsciiLetter(name.front()))
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'-'; });
}

bool isDeclaration(QStringView text)
{
    const qsizetype colon = text.indexOf(u':');
    return colon >= 0 && isPropertyName(text.left(colon).trimmed()) && !text.mid(colon + 1).trimmed().isEmpty();
}

// A rule's block: declarations split at semicolons outside strings and
// brackets (url() and gradients hold both).
bool isDeclarationBlock(QStringView block)
{
    int brackets = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= block.size(); ++i) {
        if (i < block.size()) {
            const QChar c = block[i];
            if (c == u'"' || c == u'\'') {
                i = stringEnd(block, i);
                if (i < 0)
                    return false;
                continue;
            }
            if (c == u'{')
                return false;
            if (c == u'(') {
                ++brackets;
                continue;
            }
            if (c == u')' && --brackets < 0)
                return false;
            if (c != u';' || brackets > 0)
                continue;
        }
        const QStringView declaration = block.mid(start, i - start).trimmed();
        if (!declaration.isEmpty() && !isDeclaration(declaration))
            return false;
        start = i + 1;
    }
    return brackets == 0;
}

bool hasRuleForm(QStringView sheet)
{
    int rules = 0;
    qsizetype selectorStart = 0;
    for (qsizetype i = 0; i < sheet.size(); ++i) {
        const QChar c = sheet[i];
        if (c == u'"' || c == u'\'') {
            i = stringEnd(sheet, i);
            if (i < 0)
                return false;
        } else if (c == u'}' || c == u';') {
            // A semicolon belongs in a block, never in a selector: Qt would
            // take such text as declarations for the widget itself.
            return false;
        } else if (c == u'{') {
            if (sheet.mid(selectorStart, i - selectorStart).trimmed().isEmpty())
                return false;
            qsizetype close = i + 1;
            while (close < sheet.size() && sheet[close] != u'}') {
                if (sheet[close] == u'"' || sheet[close] == u'\'')
                    close = stringEnd(sheet, close);
                if (close < 0)
                    return false;
                ++close;
            }
            if (close >= sheet.size() || !isDeclarationBlock(sheet.mid(i + 1, close - i - 1)))
                return false;
            ++rules;
            i = close;
            selectorStart = close + 1;
        }
    }
    return rules > 0 && sheet.mid(selectorStart).trimmed().isEmpty();
}

// Qt's parser is private; what it thinks of a sheet shows only as a warning
// when a widget takes the sheet. A probe widget takes it while a handler
// catches that warning and passes every other message on.
std::atomic<bool> g_parseFailed{false};
std::atomic<QtMessageHandler> g_previousHandler{nullptr};

void probeHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("Could not parse stylesheet"))) {
        g_parseFailed = true;
        return;
    }
    if (const QtMessageHandler previous = g_previousHandler)
        previous(type, context, message);
}

bool qtParses(const QString &sheet)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return true;
    g_parseFailed = false;
    g_previousHandler = qInstallMessageHandler(probeHandler);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(g_previousHandler);
    return !g_parseFailed;
}

} // namespace

bool isUsableStyleSheet(const QString &sheet)
{
    const std::optional<QString> plain = withoutComments(sheet);
    return plain && hasRuleForm(*plain) && qtParses(sheet);
}

} // namespace quill
