#pragma once

#include <QString>

namespace quill {

class MessageBoxes;

inline constexpr char16_t kSupportAddress[] = u"support@tavrelle.com";

// "in Tavrelle2021/08/31.<module>.<procedure> "
QString procedurePath(const QString &module, const QString &procedure);

// The report text, byte for byte: description, CR LF, path, "at line ",
// the step, CR CR, and the request to e-mail a screenshot.
QString errorReportText(const QString &path, int step, const QString &description);

void ShowErrorReport(MessageBoxes &boxes, const QString &path, int step, const QString &description);

} // namespace quill
