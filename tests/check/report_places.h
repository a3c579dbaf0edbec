#pragma once

#include "core/error_report.h"
#include "fake_platform.h"

#include <QList>
#include <QStringList>

namespace quill::test {

// "<path>at line <step>" of every error report shown, in order.
inline QStringList reportPlaces(const FakeBoxes &boxes)
{
    QStringList places;
    for (const QString &text : boxes.reports())
        places.append(text.section(QStringLiteral("\r\n"), 1).section(u'\r', 0, 0));
    return places;
}

// The places of reports from the probe's status fetch at these steps.
inline QStringList checkUrlPlaces(const QList<int> &steps)
{
    QStringList places;
    for (int step : steps)
        places.append(procedurePath(QStringLiteral("Valid"), QStringLiteral("CheckURL")) + QStringLiteral("at line ")
                      + QString::number(step));
    return places;
}

} // namespace quill::test
