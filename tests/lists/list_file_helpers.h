#pragma once

#include "fake_platform.h"
#include "list_entries.h"
#include "lists/domain_list.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

// Small helpers of the list-file tests.
namespace quill::test {

// The file's bytes; a null array when there is no such file.
inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Every file in the folder, hidden ones too.
inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// The step of each error report shown, -1 for a report of another procedure.
inline QList<int> reportSteps(const FakeBoxes &boxes, const char *procedure)
{
    QList<int> steps;
    for (const QString &text : boxes.reports()) {
        const bool ours = text.contains(QLatin1String(procedure) + QLatin1String(" at line "));
        steps.append(ours ? text.section(QLatin1String("at line "), 1).section(u'\r', 0, 0).toInt() : -1);
    }
    return steps;
}

} // namespace quill::test
