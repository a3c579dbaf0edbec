#pragma once

#include <QString>

namespace quill {

inline constexpr char16_t kProductName[] = u"Quillmere Tandrovel";

// The title rule: drop the last word at least once, then keep dropping words
// until no more than 40 characters remain. Throws Failure when a cut is due
// and no blank is left.
QString ApplicationTitle(const QString &productName);

} // namespace quill
