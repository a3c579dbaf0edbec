#include "ordinary_file.h"

#include <QFileInfo>

namespace quill {

bool OrdinaryFileExists(const QString &path) noexcept
{
    if (path.isEmpty())
        return false;
    try {
        const QFileInfo file(path);
        return file.isFile() && !file.isHidden();
    } catch (...) {
        return false;
    }
}

} // namespace quill
