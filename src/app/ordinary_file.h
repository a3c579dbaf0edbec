#pragma once

#include <QString>

namespace quill {

// True when the path names an ordinary file: a regular file (or a link to
// one) whose name is not hidden. Folders, devices, pipes and sockets do not
// count. Never fails.
bool OrdinaryFileExists(const QString &path) noexcept;

} // namespace quill
