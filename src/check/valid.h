#pragma once

#include <QByteArray>

#include <optional>

namespace quill {

class MessageBoxes;
class Transfer;

// The URL probe: is a name taken, going by the first line of one reply's
// header block? Both procedures report their own failures and go on, so
// nothing is ever thrown to the caller.
namespace Valid {

// Requests the URL up to maxAttempts times, stopping after a reply whose
// status text starts with "200"; returns the last status text cut from a
// reply (code and reason phrase), or empty text when none was.
QByteArray CheckURL(Transfer &inet, MessageBoxes &boxes, const QByteArray &url, int maxAttempts);

// True when the name is taken, false when it is not, and no value for an
// empty name, which is not requested at all.
std::optional<bool> IsURLValid(Transfer &inet, MessageBoxes &boxes, const QByteArray &name);

} // namespace Valid

} // namespace quill
