#include "file_exists.h"

#include <QFile>

#include <sys/stat.h>

namespace quill {

bool FileExists(const QString &path) noexcept
{
    if (path.isEmpty())
        return false;
    try {
        const QByteArray native = QFile::encodeName(path);
        if (native.contains('\0'))
            return false;
        struct stat info {};
        return ::stat(native.constData(), &info) == 0;
    } catch (...) {
        return false;
    }
}

} // namespace quill
