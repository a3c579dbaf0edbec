// The hand pointer's file reader on any bytes: it either fails with a
// description, or gives a cursor of a file that says it is one, with the
// hotspot of its first directory entry moved inside the image.

#include "app/cursor_file.h"
#include "core/failure.h"
#include "fuzz_check.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QtEndian>

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

using namespace quill;
using namespace quill::fuzz;

namespace {

// The bytes live in a file of memory, named through /proc as a path.
int g_file = -1;
QString g_path;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_cursor_file";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    // Qt warns about every broken input; a run would spend its time and its
    // log on the warnings.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    g_file = ::memfd_create("HAND-M.CUR", MFD_CLOEXEC);
    if (g_file < 0)
        fail("a memory file can be made", {});
    g_path = QStringLiteral("/proc/self/fd/%1").arg(g_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (::ftruncate(g_file, 0) != 0
        || ::pwrite(g_file, data, size, 0) != static_cast<ssize_t>(size))
        fail("the input can be written", {});
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    QCursor cursor;
    try {
        cursor = loadCursorFile(g_path);
    } catch (const Failure &failure) {
        check(!failure.description().isEmpty(), "a failure says what failed", printable(bytes.left(64)));
        return 0;
    }

    const auto *raw = reinterpret_cast<const uchar *>(data);
    check(size >= 22 && qFromLittleEndian<quint16>(raw) == 0 && qFromLittleEndian<quint16>(raw + 2) == 2
              && qFromLittleEndian<quint16>(raw + 4) > 0,
          "only a file that says it is a cursor loads", printable(bytes.left(64)));
    const QPixmap pixmap = cursor.pixmap();
    check(!pixmap.isNull(), "a loaded cursor has an image", printable(bytes.left(64)));
    const int hotX = qFromLittleEndian<quint16>(raw + 10);
    const int hotY = qFromLittleEndian<quint16>(raw + 12);
    checkEqual(cursor.hotSpot().x(), qBound(0, hotX, pixmap.width() - 1), "hotspot x, moved inside the image");
    checkEqual(cursor.hotSpot().y(), qBound(0, hotY, pixmap.height() - 1), "hotspot y, moved inside the image");
    return 0;
}
