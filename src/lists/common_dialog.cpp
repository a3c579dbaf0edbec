#include "common_dialog.h"

#include "core/failure.h"
#include "core/platform.h"

#include <QDir>
#include <QFileInfo>

namespace quill {

namespace {

constexpr QChar kNul = u'\0';

// "*.txt;*.log" as "*.txt *.log"; the all-files pattern becomes "*".
QString qtPatterns(const QString &patterns)
{
    QStringList result;
    for (const QString &pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        result.append(trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return result.join(u' ');
}

// The description without the patterns it shows in parentheses, if any.
QString bareDescription(const QString &description)
{
    const QString trimmed = description.trimmed();
    if (!trimmed.endsWith(u')'))
        return trimmed;
    const qsizetype open = trimmed.lastIndexOf(u'(');
    return open <= 0 ? trimmed : trimmed.left(open).trimmed();
}

FileDialogRequest request(const CommonDialog &dialog)
{
    FileDialogRequest result;
    result.title = dialog.DialogTitle();
    result.filters = nameFilters(dialog.Filter());
    result.fileName = dialog.FileName();
    result.multiSelect = (dialog.Flags() & CommonDialog::kAllowMultiSelect) != 0;
    return result;
}

} // namespace

QStringList nameFilters(const QString &filter)
{
    const QStringList pieces = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QString patterns = qtPatterns(pieces[i + 1]);
        if (patterns.isEmpty())
            continue;
        result.append(bareDescription(pieces[i]) + QStringLiteral(" (") + patterns + u')');
    }
    return result;
}

QString openResult(const QStringList &paths)
{
    if (paths.size() < 2)
        return paths.value(0);
    // All chosen files normally share one folder; a name typed with a path
    // of its own still leads back to its file when joined to that folder.
    const QString folder = QFileInfo(paths.first()).path();
    const QDir dir(folder);
    QString result = folder;
    for (const QString &path : paths) {
        result.append(kNul);
        result.append(QFileInfo(path).path() == folder ? QFileInfo(path).fileName() : dir.relativeFilePath(path));
    }
    return result;
}

QStringList openResultParts(const QString &result)
{
    if (result.isEmpty())
        return {};
    return result.split(kNul);
}

void CommonDialog::ShowOpen()
{
    const QStringList chosen = m_dialogs.open(request(*this));
    QString result = openResult(chosen);
    if (result.size() > kMaxFileSize)
        throw Failure(QStringLiteral("The file name buffer is too small for the files selected"), kBufferTooSmall);
    m_fileName = std::move(result);
}

void CommonDialog::ShowSave()
{
    m_fileName = m_dialogs.save(request(*this));
}

} // namespace quill
