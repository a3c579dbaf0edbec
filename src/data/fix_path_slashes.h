#pragma once

#include <QString>

namespace quill {

// Repairs the doubled separators that joining a folder and a file name
// leaves, e.g. when the folder is the root: each pair of adjacent '/' becomes
// one, so a run of n becomes n/2 rounded up. A path that starts with a
// separator keeps exactly two in front, whatever its leading run was.
QString FixPathSlashes(const QString &path);

} // namespace quill
