#include "no_wait_open.h"

#include "failure.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

std::unique_ptr<QFile> openWithoutWaiting(const QString &path, QIODevice::OpenMode mode)
{
    const int access = mode.testFlag(QIODevice::WriteOnly) ? O_WRONLY : O_RDONLY;
    const int fd = ::open(QFile::encodeName(path).constData(), access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Failure(qt_error_string(errno));
    auto closeOnFailure = qScopeGuard([fd] { ::close(fd); });
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw Failure(qt_error_string(errno));
    // The words QFile uses when it is asked to open a folder.
    if (S_ISDIR(info.st_mode))
        throw Failure(QCoreApplication::translate("QIODevice", "file to open is a directory"));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw Failure(qt_error_string(errno));
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, mode, QFileDevice::AutoCloseHandle))
        throw Failure(file->errorString());
    closeOnFailure.dismiss();
    return file;
}

bool isRegularFile(const QFile &file) noexcept
{
    struct stat info {};
    return ::fstat(file.handle(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace quill
