#pragma once

#include <QString>

namespace quill {

// Tells whether a text is a usable Qt style sheet: one or more rules, each a
// selector and a block of "property: value" declarations, that Qt's own
// parser accepts. Qt would quietly take any text as declarations for the
// widget itself, so the form of the rules is checked here first.
bool isUsableStyleSheet(const QString &sheet);

} // namespace quill
