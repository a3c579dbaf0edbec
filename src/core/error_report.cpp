#include "error_report.h"

#include "platform.h"

namespace quill {

QString procedurePath(const QString &module, const QString &procedure)
{
    return QStringLiteral("in Tavrelle2021/08/31.") + module + u'.' + procedure + u' ';
}

QString errorReportText(const QString &path, int step, const QString &description)
{
    return description + QStringLiteral("\r\n") + path + QStringLiteral("at line ") + QString::number(step)
        + QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ")
        + QString::fromUtf16(kSupportAddress);
}

void ShowErrorReport(MessageBoxes &boxes, const QString &path, int step, const QString &description)
{
    boxes.message(QStringLiteral("Application Error"), errorReportText(path, step, description), Buttons::Ok,
                  Icon::Warning);
}

} // namespace quill
