#pragma once

#include <QString>

namespace quill {

// True when the file system can tell the path's last-modified time: files and
// folders alike. Never fails and shows nothing.
bool FileExists(const QString &path) noexcept;

} // namespace quill
