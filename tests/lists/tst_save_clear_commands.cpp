#include "list_file_helpers.h"
#include "missing_tool.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace quill;
using namespace quill::test;

namespace {

// Lowers one of this process's resource limits for as long as it lives.
class ResourceLimit final {
public:
    ResourceLimit(int resource, rlim_t value) : m_resource(resource)
    {
        getrlimit(m_resource, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed process
        rlimit limit = m_saved;
        limit.rlim_cur = value;
        setrlimit(m_resource, &limit);
    }
    ~ResourceLimit()
    {
        setrlimit(m_resource, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    int m_resource;
    rlimit m_saved{};
    void (*m_handler)(int);
};

// With the open-files limit set to this, the next open fails.
rlim_t lowestFreeDescriptor()
{
    const int free = ::dup(0);
    ::close(free);
    return rlim_t(free);
}

// Root writes into any folder whatever its mode. For as long as this lives
// the process goes without that right, so that a folder's mode holds it too.
class NoOverridingModes final {
public:
    NoOverridingModes()
    {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~NoOverridingModes()
    {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    NoOverridingModes(const NoOverridingModes &) = delete;
    NoOverridingModes &operator=(const NoOverridingModes &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};

// What a pipe's reader has been sent so far.
QByteArray drain(int fd)
{
    QByteArray bytes;
    char block[4096];
    for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;)
        bytes.append(block, n);
    return bytes;
}

constexpr uid_t kNobody = 65534;

const Names kTaken = {"t1", " t 2\t", "", "\xEF\xBB\xBF\x80\xFF"};
const QByteArray kTakenBytes("t1\r\n t 2\t\r\n\r\n\xEF\xBB\xBF\x80\xFF\r\n");

} // namespace

class SaveClearCommandsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // As the program does at start-up: a reader that leaves costs a failed
    // write, not the process.
    void initTestCase() { std::signal(SIGPIPE, SIG_IGN); }

    void saves_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<Names>("available");
        QTest::addColumn<QByteArray>("existing"); // null: no file there
        QTest::addColumn<QString>("dialogAnswer"); // empty: cancel
        QTest::addColumn<QString>("overwrite");    // "yes", "no" or "" when not asked
        QTest::addColumn<QByteArray>("file");      // null: no file afterwards
        QTest::addColumn<QString>("said");         // to a screen reader
        const QString name = QStringLiteral("saved"); // no extension, none added
        const QString fourSaved = QStringLiteral("4 names saved to saved.");
        QTest::newRow("taken list to a new file") << 1 << Names{"a1"} << QByteArray() << name << "" << kTakenBytes
                                                  << fourSaved;
        QTest::newRow("available list") << 6 << Names{"a1", "a2"} << QByteArray() << name << ""
                                        << QByteArray("a1\r\na2\r\n") << QStringLiteral("2 names saved to saved.");
        QTest::newRow("overwrite, Yes") << 1 << Names{} << QByteArray("old") << name << "yes" << kTakenBytes
                                        << fourSaved;
        QTest::newRow("overwrite, No") << 1 << Names{} << QByteArray("old") << name << "no" << QByteArray("old")
                                       << QString();
        QTest::newRow("empty list cuts a file to zero bytes") << 6 << Names{} << QByteArray("old") << name << "yes"
                                                              << QByteArray("") << QStringLiteral("0 names saved to saved.");
        QTest::newRow("empty list to a new file") << 6 << Names{} << QByteArray() << name << "" << QByteArray("")
                                                  << QStringLiteral("0 names saved to saved.");
        QTest::newRow("cancel") << 1 << Names{} << QByteArray() << QString() << "" << QByteArray() << QString();
    }

    void saves()
    {
        QFETCH(int, button);
        QFETCH(Names, available);
        QFETCH(QByteArray, existing);
        QFETCH(QString, dialogAnswer);
        QFETCH(QString, overwrite);
        QFETCH(QByteArray, file);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dialogAnswer.isEmpty() ? QString() : dir.filePath(dialogAnswer);
        if (!existing.isNull())
            writeAll(path, existing);
        WindowUnderTest t;
        FakeBoxes &boxes = t.fakes.boxes;
        fill(controls(*t.window).ListView2->ListItems(), kTaken);
        fill(controls(*t.window).ListView3->ListItems(), available);
        boxes.answerSave(path);
        if (!overwrite.isEmpty())
            boxes.answerMessage(overwrite == QLatin1String("yes") ? Answer::Yes : Answer::No);
        t.window->setMousePointer(Pointer::Hand);

        button == 1 ? t.window->PushButton1_Click() : t.window->PushButton6_Click();

        QCOMPARE(filesIn(dir.path()), file.isNull() ? QStringList{} : QStringList{dialogAnswer});
        QCOMPARE(readAll(path), file);
        const bool wrote = !dialogAnswer.isEmpty() && overwrite != QLatin1String("no");
        QCOMPARE(t.window->MousePointer(), wrote ? Pointer::Default : Pointer::Hand);
        QCOMPARE(t.fakes.events.passes, wrote ? int(button == 1 ? kTaken.size() : available.size()) : 0);
        const FileDialogRequest request = boxes.shown().at(0).request;
        QCOMPARE(request.title, QStringLiteral("Save"));
        QCOMPARE(request.filters, (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}));
        if (!overwrite.isEmpty()) {
            const ShownBox question = boxes.shown().at(1);
            QCOMPARE(question.text,
                     QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
            QCOMPARE(question.title, t.window->applicationTitle());
            QCOMPARE(question.buttons, Buttons::YesNo);
            QCOMPARE(question.icon, Icon::None);
        }
        QVERIFY(boxes.reports().isEmpty());
        QCOMPARE(t.fakes.announcer.said, said.isEmpty() ? QStringList{} : QStringList{said});
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QList<int>>("reports");
        const QList<int> failedOpen{130, 136, 136, 136, 136};
        QTest::newRow("folder missing") << QStringLiteral("missing/saved") << QByteArray() << QString() << failedOpen;
        QTest::newRow("no file can be opened") << QStringLiteral("saved") << QByteArray("old")
                                               << QStringLiteral("open files") << failedOpen;
        QTest::newRow("write fails") << QStringLiteral("saved") << QByteArray("old") << QStringLiteral("file size")
                                     << QList<int>{140};
        QTest::newRow("folder gone before the file is put in place")
            << QStringLiteral("sub/saved") << QByteArray("old") << QStringLiteral("folder removed") << QList<int>{140};
        // The new file cannot take a name of its own beside the old one.
        QTest::newRow("no room for a second name") << QString(250, u'n') << QByteArray("old") << QString()
                                                   << QList<int>{140};
    }

    void failures()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, existing);
        QFETCH(QString, trouble);
        QFETCH(QList<int>, reports);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("sub"));
        const QString path = dir.filePath(target);
        if (!existing.isNull())
            writeAll(path, existing);
        WindowUnderTest t;
        FakeBoxes &boxes = t.fakes.boxes;
        fill(controls(*t.window).ListView2->ListItems(), kTaken);
        boxes.answerSave(path);
        if (!existing.isNull())
            boxes.answerMessage(Answer::Yes);
        for (int i = 0; i < reports.size(); ++i)
            boxes.answerMessage(Answer::Ok);
        const bool removeFolder = trouble == QLatin1String("folder removed");
        if (removeFolder)
            t.fakes.events.onPass = [&](int) { QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively(); };
        {
            std::optional<ResourceLimit> limit;
            if (trouble == QLatin1String("file size"))
                limit.emplace(RLIMIT_FSIZE, 1);
            else if (trouble == QLatin1String("open files"))
                limit.emplace(RLIMIT_NOFILE, lowestFreeDescriptor());
            t.window->PushButton1_Click();
        }
        QCOMPARE(reportSteps(boxes, "PushButton1_Click"), reports);
        QCOMPARE(readAll(path), removeFolder ? QByteArray() : existing);
        const QString folder = QFileInfo(path).path();
        QCOMPARE(filesIn(folder), existing.isNull() || removeFolder ? QStringList{}
                                                                    : QStringList{QFileInfo(path).fileName()});
        QCOMPARE(t.window->MousePointer(), Pointer::Default);
        // A save that failed is told by its reports alone, never as saved.
        QCOMPARE(t.fakes.announcer.said, QStringList{});
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }

    // A save keeps what the file is: its other links, owner, group and mode,
    // also in a folder closed to new files; a pipe is written only while
    // somebody reads it.
    void savesKeepWhatTheFileIs_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<QString>("description"); // of the first report
        QTest::newRow("a second hard link") << "link" << QList<int>{} << QString();
        QTest::newRow("another owner and group") << "owner" << QList<int>{} << QString();
        QTest::newRow("a folder closed to new files") << "folder" << QList<int>{} << QString();
        QTest::newRow("a pipe being read") << "reader" << QList<int>{} << QString();
        QTest::newRow("a pipe nobody reads") << "pipe" << QList<int>{130, 136, 136, 136, 136}
                                             << QStringLiteral("No such device or address");
        QTest::newRow("a pipe whose reader leaves") << "leaves" << QList<int>{140} << QStringLiteral("Broken pipe");
    }

    void savesKeepWhatTheFileIs()
    {
        QFETCH(QString, kind);
        QFETCH(QList<int>, reports);
        QFETCH(QString, description);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.txt"));
        const QString link = dir.filePath(QStringLiteral("link.txt"));
        const QByteArray encoded = QFile::encodeName(path);
        const bool pipe = kind == QLatin1String("pipe") || kind == QLatin1String("reader")
            || kind == QLatin1String("leaves");
        int reader = -1;
        if (pipe) {
            QCOMPARE(::mkfifo(encoded.constData(), 0644), 0);
            if (kind != QLatin1String("pipe"))
                reader = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        } else {
            writeAll(path, "old\r\n");
        }
        if (kind == QLatin1String("link"))
            QCOMPARE(::link(encoded.constData(), QFile::encodeName(link).constData()), 0);
        if (kind == QLatin1String("owner")) {
            if (::chown(encoded.constData(), kNobody, kNobody) != 0)
                QUILL_MISSING_TOOL("only root gives a file to another user (run the tests as root)");
            QCOMPARE(::chmod(encoded.constData(), 0640), 0);
        }
        const QByteArray folder = QFile::encodeName(dir.path());
        if (kind == QLatin1String("folder"))
            QCOMPARE(::chmod(folder.constData(), 0555), 0);
        struct stat before {};
        QCOMPARE(::stat(encoded.constData(), &before), 0);

        WindowUnderTest t;
        FakeBoxes &boxes = t.fakes.boxes;
        fill(controls(*t.window).ListView2->ListItems(), kTaken);
        boxes.answerSave(path);
        boxes.answerMessage(Answer::Yes);
        for (int i = 0; i < reports.size(); ++i)
            boxes.answerMessage(Answer::Ok);
        if (kind == QLatin1String("leaves"))
            t.fakes.events.onPass = [&](int pass) {
                if (pass == 2)
                    ::close(std::exchange(reader, -1));
            };
        HangBreaker breaker({path});
        {
            std::optional<NoOverridingModes> modesHold;
            if (kind == QLatin1String("folder"))
                modesHold.emplace();
            t.window->PushButton1_Click();
        }
        QVERIFY2(!breaker.finish(), "the save hung on the pipe");
        ::chmod(folder.constData(), 0700);

        QCOMPARE(reportSteps(boxes, "PushButton1_Click"), reports);
        if (!description.isEmpty())
            QVERIFY2(boxes.reports().first().startsWith(description + QStringLiteral("\r\n")),
                     qPrintable(boxes.reports().first()));
        struct stat after {};
        QCOMPARE(::stat(encoded.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        if (reader >= 0)
            QCOMPARE(drain(reader), kTakenBytes);
        else if (!pipe)
            QCOMPARE(readAll(path), kTakenBytes);
        if (kind == QLatin1String("link"))
            QCOMPARE(readAll(link), kTakenBytes);
        QCOMPARE(filesIn(dir.path()).size(), kind == QLatin1String("link") ? 2 : 1); // nothing left beside it
        if (reader >= 0)
            ::close(reader);
        QCOMPARE(t.window->MousePointer(), Pointer::Default);
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }

    void clearsDuringSave_data()
    {
        QTest::addColumn<int>("clearButton");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("missingEntries");
        QTest::addColumn<QList<int>>("counts"); // pending, taken, available afterwards
        QTest::addColumn<int>("before"); // a long command run in the same pass, before the clear
        QTest::newRow("taken list, the one being saved") << 2 << QByteArray("t1\r\n") << 3 << QList<int>{1, 0, 1} << 0;
        QTest::newRow("available list") << 9 << kTakenBytes << 0 << QList<int>{1, 4, 0} << 0;
        QTest::newRow("pending list refused while busy") << 11 << kTakenBytes << 0 << QList<int>{1, 4, 1} << 0;
        QTest::newRow("pending refused after a load inside the save")
            << 11 << kTakenBytes << 0 << QList<int>{2, 4, 1} << 3;
        QTest::newRow("pending refused after a save inside the save")
            << 11 << kTakenBytes << 0 << QList<int>{1, 4, 1} << 6;
    }

    void clearsDuringSave()
    {
        QFETCH(int, clearButton);
        QFETCH(QByteArray, file);
        QFETCH(int, missingEntries);
        QFETCH(QList<int>, counts);
        QFETCH(int, before);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.txt"));
        const QString other = dir.filePath(QStringLiteral("other.txt"));
        writeAll(other, "loaded\r\n");
        WindowUnderTest t;
        Form1 &window = *t.window;
        fill(controls(window).ListView1->ListItems(), {"p"});
        fill(controls(window).ListView2->ListItems(), kTaken);
        fill(controls(window).ListView3->ListItems(), {"a"});
        t.fakes.boxes.answerSave(path);
        for (int i = 0; i < missingEntries; ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);
        if (before == 3) {
            t.fakes.boxes.answerOpen({other});
        } else if (before == 6) {
            t.fakes.boxes.answerSave(other);
            t.fakes.boxes.answerMessage(Answer::Yes); // "overwrite?"
        }
        t.fakes.events.onPass = [&](int pass) {
            if (pass != 2)
                return;
            if (before == 3)
                window.PushButton3_Click();
            else if (before == 6)
                window.PushButton6_Click();
            QCOMPARE(window.MousePointer(), Pointer::Busy);
            clearButton == 2 ? window.PushButton2_Click()
                             : (clearButton == 9 ? window.PushButton9_Click() : window.PushButton11_Click());
        };

        window.PushButton1_Click();

        QCOMPARE(readAll(path), file);
        QCOMPARE(reportSteps(t.fakes.boxes, "PushButton1_Click"), QList<int>(missingEntries, 136));
        const Form1Controls ui(window);
        const QList<int> after{ui.ListView1->ListItems().Count(), ui.ListView2->ListItems().Count(),
                               ui.ListView3->ListItems().Count()};
        QCOMPARE(after, counts);
        QCOMPARE(window.MousePointer(), Pointer::Default);
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

    void closingTheWindowDuringASaveLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.txt"));
        writeAll(path, "old\r\n");
        WindowUnderTest t;
        Form1 &window = *t.window;
        fill(controls(window).ListView2->ListItems(), kTaken);
        t.fakes.boxes.answerSave(path);
        t.fakes.boxes.answerMessage(Answer::Yes);
        QStringList filesAtUnload;
        t.fakes.events.onPass = [&](int pass) {
            if (pass != 2)
                return;
            // What the window's close does just before the process ends.
            Q_EMIT window.aboutToUnload();
            filesAtUnload = filesIn(dir.path());
        };
        // Here the process would have ended; the save's remaining writes fail.
        for (int i = 0; i < 3; ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);

        window.PushButton1_Click();

        QCOMPARE(filesAtUnload, QStringList{QStringLiteral("saved.txt")});
        QCOMPARE(readAll(path), QByteArray("old\r\n"));
        QCOMPARE(reportSteps(t.fakes.boxes, "PushButton1_Click"), (QList<int>{136, 136, 136}));
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

    void clearsWhenCalled_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QString>("said"); // to a screen reader
        QTest::newRow("pending") << 11 << false << QList<int>{0, 1, 1} << QStringLiteral("The pending list is empty.");
        QTest::newRow("pending while busy: nothing") << 11 << true << QList<int>{1, 1, 1} << QString();
        QTest::newRow("taken while busy") << 2 << true << QList<int>{1, 0, 1} << QStringLiteral("The taken list is empty.");
        QTest::newRow("available while busy") << 9 << true << QList<int>{1, 1, 0}
                                              << QStringLiteral("The available list is empty.");
    }

    void clearsWhenCalled()
    {
        QFETCH(int, button);
        QFETCH(bool, busy);
        QFETCH(QList<int>, counts);
        QFETCH(QString, said);
        WindowUnderTest t;
        Form1 &window = *t.window;
        const Form1Controls ui(window);
        for (DomainListView *view : {ui.ListView1, ui.ListView2, ui.ListView3})
            fill(view->ListItems(), {"x"});
        const auto held = startFrom(window, busy ? Pointer::Busy : Pointer::Default);

        button == 11 ? window.PushButton11_Click()
                     : (button == 2 ? window.PushButton2_Click() : window.PushButton9_Click());

        const QList<int> after{ui.ListView1->ListItems().Count(), ui.ListView2->ListItems().Count(),
                               ui.ListView3->ListItems().Count()};
        QCOMPARE(after, counts);
        QCOMPARE(window.MousePointer(), busy ? Pointer::Busy : Pointer::Default);
        QVERIFY(t.fakes.boxes.shown().isEmpty());
        QCOMPARE(t.fakes.announcer.said, said.isEmpty() ? QStringList{} : QStringList{said});
    }

    void commandsDuringASaveUseTheirOwnFiles()
    {
        QTemporaryDir dir;
        const QString outer = dir.filePath(QStringLiteral("taken.txt"));
        const QString inner = dir.filePath(QStringLiteral("available.txt"));
        WindowUnderTest t;
        Form1 &window = *t.window;
        fill(controls(window).ListView2->ListItems(), kTaken);
        fill(controls(window).ListView3->ListItems(), {"a1", "a2"});
        FakeBoxes &boxes = t.fakes.boxes;
        boxes.answerSave(outer);
        boxes.answerSave(inner);
        boxes.answerOpen({outer});
        bool nested = false;
        t.fakes.events.onPass = [&](int) {
            if (std::exchange(nested, true))
                return;
            window.PushButton6_Click(); // a second save
            window.PushButton3_Click(); // a load of the file still being written: not there yet
        };
        boxes.answerMessage(Answer::Ok); // "File not found"

        window.PushButton1_Click();

        QCOMPARE(readAll(outer), kTakenBytes);
        QCOMPARE(readAll(inner), QByteArray("a1\r\na2\r\n"));
        QCOMPARE(boxes.messages().last().text, QStringLiteral("File not found"));
        QCOMPARE(controls(window).ListView1->ListItems().Count(), 0);
        QVERIFY(boxes.reports().isEmpty());
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }
};

QTEST_MAIN(SaveClearCommandsTest)
#include "tst_save_clear_commands.moc"
