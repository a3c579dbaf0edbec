// The open dialog's result text: joined from the chosen paths, cut into parts
// again, and turned back into paths the way the load command does.
//
// Input: byte 0 modulo 3 picks what the rest (one character per byte) is:
//   0: any result text;
//   1: a folder, then names, separated by '|': the folder is made absolute,
//      the names lose their '/' and NUL, and each path is folder/name;
//   2: full paths separated by '|', each made absolute and without NUL,
//      from any folders.

#include "data/fix_path_slashes.h"
#include "fuzz_check.h"
#include "lists/common_dialog.h"

#include <QFileInfo>

#include <cstdint>

using namespace quill;
using namespace quill::fuzz;

namespace {

constexpr QChar kNul = u'\0';
constexpr QChar kSeparator = u'/';

QString absolute(QString path)
{
    path.remove(kNul);
    return path.startsWith(kSeparator) ? path : kSeparator + path;
}

// The file an absolute path names when no folder on the way is a link:
// empty and "." steps dropped, ".." going one folder up, and not above the
// root, where ".." is the root itself.
QString resolved(const QString &path)
{
    QStringList steps;
    for (const QString &step : path.split(kSeparator, Qt::SkipEmptyParts)) {
        if (step == QLatin1String("..")) {
            if (!steps.isEmpty())
                steps.removeLast();
        } else if (step != QLatin1String("."))
            steps.append(step);
    }
    return kSeparator + steps.join(kSeparator);
}

// What the load command makes of the parts: the one path as it is, else the
// folder joined to each name and repaired.
QStringList loadedPaths(const QStringList &parts)
{
    if (parts.size() == 1)
        return parts;
    QStringList paths;
    for (qsizetype i = 1; i < parts.size(); ++i)
        paths.append(FixPathSlashes(parts[0] + kSeparator + parts[i]));
    return paths;
}

void checkAnyText(const QString &text)
{
    const QStringList parts = openResultParts(text);
    if (text.isEmpty()) {
        check(parts.isEmpty(), "an empty result has no parts", printable(parts));
        return;
    }
    checkEqual(parts.size(), text.count(kNul) + 1, "a part more than NULs");
    checkEqual(parts.join(kNul), text, "the parts joined with NUL give the result back");
    checkEqual(openResult({text}), text, "one chosen path is the whole result");
}

// The parts of the result for the chosen paths, checked for what holds
// whatever folders they are in; returned for the checks of the caller.
QStringList checkedParts(const QStringList &paths)
{
    const QString result = openResult(paths);
    const QStringList parts = openResultParts(result);
    const QByteArray details = "  paths: " + printable(paths) + "\n  parts: " + printable(parts);
    if (paths.size() < 2) {
        checkEqual(parts, paths, "no path or one gives itself as the parts");
        return parts;
    }
    check(parts.size() == paths.size() + 1, "the parts are a folder and a name per path", details);
    checkEqual(parts[0], QFileInfo(paths[0]).path(), "the folder is that of the first path");
    for (qsizetype i = 0; i < paths.size(); ++i) {
        check(resolved(parts[0] + kSeparator + parts[i + 1]) == resolved(paths[i]),
              "each name leads back to its path from the folder", details);
    }
    return parts;
}

void checkOneFolder(const QString &folder, QStringList names)
{
    QStringList paths;
    for (QString &name : names) {
        name.remove(kSeparator).remove(kNul);
        paths.append(folder.endsWith(kSeparator) ? folder + name : folder + kSeparator + name);
    }
    const QStringList parts = checkedParts(paths);
    if (paths.size() < 2)
        return;
    checkEqual(parts.mid(1), names, "names of one folder come back as they are");
    // A folder without a separator at its end comes back as it is, and then
    // a plain join gives the very path; the root joins with one too many.
    const bool plainFolder = !folder.endsWith(kSeparator) || folder == QStringLiteral("/");
    if (plainFolder)
        checkEqual(parts[0], folder, "a folder without a separator at its end comes back as it is");
    const QStringList loaded = loadedPaths(parts);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (plainFolder && folder != QStringLiteral("/"))
            checkEqual(parts[0] + kSeparator + parts[i + 1], paths[i], "folder, separator and name give the path");
        checkEqual(loaded[i], FixPathSlashes(paths[i]), "the load command's path is the chosen one, repaired");
        checkEqual(collapsed(loaded[i]), collapsed(paths[i]), "the load command opens the chosen file");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    QString text;
    for (std::size_t i = 1; i < size; ++i)
        text.append(QChar(char16_t(data[i])));
    switch (data[0] % 3) {
    case 0:
        checkAnyText(text);
        break;
    case 1: {
        QStringList names = text.split(u'|');
        const QString folder = absolute(names.takeFirst());
        checkOneFolder(folder, names);
        break;
    }
    default: {
        QStringList paths;
        for (const QString &path : text.split(u'|', Qt::SkipEmptyParts))
            paths.append(absolute(path));
        checkedParts(paths);
    }
    }
    return 0;
}
