// A save that fails part way (a full disk, a read-only folder, a folder
// where the file should go) must leave the file that was there before, and
// the lists, exactly as they were, with no stray file beside them. The
// disks and folders that fail are real: small file systems mounted in a
// mount namespace of the test's own, gone when the test ends.

#include "list_file_helpers.h"
#include "missing_tool.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDirIterator>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace quill;
using namespace quill::test;

namespace {

bool writeProc(const char *file, const QByteArray &text)
{
    QFile proc{QString::fromLatin1(file)};
    return proc.open(QIODevice::WriteOnly) && proc.write(text) == text.size();
}

// Puts this process in a mount namespace of its own, so that what the test
// mounts is seen by nobody else and goes away with the process. Must run
// before any thread starts. Returns why it could not, or nothing.
QString enterPrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        // Without the right to, a user namespace of our own gives it.
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return QStringLiteral("no mount namespace of our own: ") + QString::fromLocal8Bit(std::strerror(errno));
        if (!writeProc("/proc/self/setgroups", "deny")
            || !writeProc("/proc/self/uid_map", QByteArray("0 ") + QByteArray::number(uid) + " 1")
            || !writeProc("/proc/self/gid_map", QByteArray("0 ") + QByteArray::number(gid) + " 1"))
            return QStringLiteral("cannot map our user in a user namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("cannot make our mounts private: ") + QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

// A mount over a folder, taken away again at the end of the case.
class Mount final {
public:
    explicit Mount(const QString &folder) : m_folder(QFile::encodeName(folder)) {}
    ~Mount()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;

    bool tmpfs(qint64 bytes)
    {
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        return check(::mount("quill-test", m_folder.constData(), "tmpfs", 0, options.constData()));
    }
    // The folder itself, bound onto itself so that it can turn read-only.
    bool bindToItself()
    {
        return check(::mount(m_folder.constData(), m_folder.constData(), nullptr, MS_BIND, nullptr));
    }
    bool readOnly(bool bound)
    {
        const unsigned long flags = MS_REMOUNT | MS_RDONLY | (bound ? MS_BIND : 0);
        return ::mount(nullptr, m_folder.constData(), nullptr, flags, nullptr) == 0;
    }

private:
    bool check(int result)
    {
        m_mounted = result == 0;
        return m_mounted;
    }

    QByteArray m_folder;
    bool m_mounted = false;
};

// Every file and folder below `folder` with its bytes, hidden ones too.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> result;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        result.insert(QDir(folder).relativeFilePath(path),
                      it.fileInfo().isDir() ? QByteArray("<folder>") : readAll(path));
    }
    return result;
}

QList<Names> allLists(const Form1 &window)
{
    return {entries(controls(window).ListView1->ListItems()), entries(controls(window).ListView2->ListItems()),
            entries(controls(window).ListView3->ListItems())};
}

// Names of 100000 bytes each, every one different.
Names bigNames(int count)
{
    Names names;
    for (int i = 0; i < count; ++i)
        names.append(QByteArray(100000, char('a' + i)));
    return names;
}

// What stands in the save's way.
struct Trouble {
    qint64 room = 0; // a file system of this many bytes over the folder
    bool bind = false; // the folder bound onto itself
    bool readOnly = false; // that mount turned read-only once the old file is in
    qsizetype oldFile = 300; // bytes of the file there before; -1: none
    bool folder = false; // a folder where the file should be
    bool replaced = false; // the old file replaced by a folder during the save
    bool link = false; // a second hard link to the old file, so it is written in place
};

QByteArray oldFile(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

QString report(int button, int step, const QString &description)
{
    return description
        + QStringLiteral("\r\nin Tavrelle2021/08/31.Form1.PushButton%1_Click at line %2").arg(button).arg(step)
        + QStringLiteral("\r\rPlease email screenshot of this message to support@tavrelle.com");
}

const QString kNoSpace = QStringLiteral("No space left on device");
const QString kNotOpen = QStringLiteral("Bad file name or number");

} // namespace

Q_DECLARE_METATYPE(Trouble)

class SaveFailuresTest final : public QObject {
    Q_OBJECT

public:
    explicit SaveFailuresTest(QString noMounts) : m_noMounts(std::move(noMounts)) {}

private Q_SLOTS:
    void failures_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<Names>("names");
        QTest::addColumn<QStringList>("reports");
        const Names three{"one", "", " three\t"};
        // 1 MiB of room, half of it the old file: the sixth name of 100000
        // bytes no longer fits, and each write from there on fails.
        QTest::newRow("disk full in the middle")
            << 1 << Trouble{.room = 1 << 20, .oldFile = 1 << 19} << bigNames(8)
            << QStringList{report(1, 136, kNoSpace), report(1, 136, kNoSpace), report(1, 136, kNoSpace)};
        // The few short names go out together when the file is closed.
        // Written in place, the new list needs room only where it outgrows the old.
        QTest::newRow("disk full, a file with a second link")
            << 6 << Trouble{.room = 1 << 20, .oldFile = 1 << 19, .link = true} << bigNames(12)
            << QStringList{report(6, 140, kNoSpace)};
        QTest::newRow("disk full, short list")
            << 6 << Trouble{.room = 1 << 16, .oldFile = 1 << 16} << three << QStringList{report(6, 140, kNoSpace)};
        const auto notOpened = [](int button, const QString &description) {
            return QStringList{report(button, 130, description), report(button, 136, kNotOpen),
                               report(button, 136, kNotOpen), report(button, 136, kNotOpen)};
        };
        const QString notWritable = QStringLiteral("Existing file %1 is not writable"); // %1: the path
        QTest::newRow("read-only file system")
            << 1 << Trouble{.room = 1 << 16, .readOnly = true} << three << notOpened(1, notWritable);
        QTest::newRow("read-only folder")
            << 6 << Trouble{.bind = true, .readOnly = true} << three << notOpened(6, notWritable);
        QTest::newRow("read-only folder, no file there yet")
            << 1 << Trouble{.bind = true, .readOnly = true, .oldFile = -1} << three
            << notOpened(1, QStringLiteral("Read-only file system"));
        QTest::newRow("a folder where the file should be")
            << 6 << Trouble{.folder = true} << three << notOpened(6, QStringLiteral("Filename refers to a directory"));
        QTest::newRow("the file replaced by a folder during the save")
            << 1 << Trouble{.replaced = true} << three << QStringList{report(1, 140, QStringLiteral("Is a directory"))};
    }

    void failures()
    {
        QFETCH(int, button);
        QFETCH(Trouble, trouble);
        QFETCH(Names, names);
        QFETCH(QStringList, reports);
        if ((trouble.room > 0 || trouble.bind) && !m_noMounts.isEmpty())
            QUILL_MISSING_TOOL(m_noMounts);
        QTemporaryDir base;
        const QString room = base.filePath(QStringLiteral("room"));
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("room")));
        Mount mount(room);
        if (trouble.room > 0)
            QVERIFY(mount.tmpfs(trouble.room));
        else if (trouble.bind)
            QVERIFY(mount.bindToItself());
        const QString path = room + QStringLiteral("/saved.txt");
        const bool existing = trouble.folder || trouble.oldFile >= 0;
        if (trouble.folder) {
            QVERIFY(QDir(room).mkdir(QStringLiteral("saved.txt")));
            writeAll(path + QStringLiteral("/inside.txt"), "inside\r\n");
        } else if (trouble.oldFile >= 0) {
            writeAll(path, oldFile(trouble.oldFile));
        }
        const QByteArray link = QFile::encodeName(room + QStringLiteral("/link.txt"));
        if (trouble.link)
            QCOMPARE(::link(QFile::encodeName(path).constData(), link.constData()), 0);
        if (trouble.readOnly)
            QVERIFY(mount.readOnly(trouble.bind));

        WindowUnderTest t;
        Form1 &window = *t.window;
        fill(controls(window).ListView1->ListItems(), {"pending"});
        fill(controls(window).ListView2->ListItems(), button == 1 ? names : Names{"taken"});
        fill(controls(window).ListView3->ListItems(), button == 6 ? names : Names{"available"});
        const QList<Names> lists = allLists(window);
        QMap<QString, QByteArray> expected = contents(room);
        FakeBoxes &boxes = t.fakes.boxes;
        boxes.answerSave(path);
        if (existing)
            boxes.answerMessage(Answer::Yes); // overwrite what is there
        for (int i = 0; i < reports.size(); ++i)
            boxes.answerMessage(Answer::Ok);
        if (trouble.replaced) {
            t.fakes.events.onPass = [&](int pass) {
                if (pass != 2)
                    return;
                QFile::remove(path);
                QDir(room).mkdir(QStringLiteral("saved.txt"));
                writeAll(path + QStringLiteral("/inside.txt"), "inside\r\n");
                expected = contents(room);
            };
        }
        window.setMousePointer(Pointer::Hand);

        button == 1 ? window.PushButton1_Click() : window.PushButton6_Click();

        reports.replaceInStrings(QStringLiteral("%1"), path);
        QCOMPARE(boxes.reports(), reports);
        QCOMPARE(contents(room), expected);
        QVERIFY(allLists(window) == lists);
        QCOMPARE(window.MousePointer(), Pointer::Default);
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }

private:
    QString m_noMounts; // why this run cannot mount, if it cannot
};

int main(int argc, char **argv)
{
    QString noMounts = enterPrivateMounts();
    QApplication app(argc, argv);
    SaveFailuresTest test(std::move(noMounts));
    return QTest::qExec(&test, argc, argv);
}

#include "tst_save_failures.moc"
