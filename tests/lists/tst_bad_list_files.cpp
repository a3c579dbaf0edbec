// Files nobody would call a list: binary bytes, huge lines, endless empty
// lines, folders, FIFOs, devices, sockets, vanishing, unreadable and failing
// files. Each is
// loaded through "Load Domains From File" as a user would choose it.

#include "data/list_file_reader.h"
#include "list_file_helpers.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>


using namespace quill;
using namespace quill::test;
using namespace std::chrono_literals;

namespace {

constexpr int kMillion = 1000000;
constexpr qsizetype kBigLine = 50 * 1000 * 1000;
constexpr qsizetype kBound = ListFileSplitter::kMaxNameBytes;
// Lines of "a" that fill the first two blocks a list file is read in.
constexpr qsizetype kLinesBeforeHole = 2 * 1024 * 1024 / 3 + 1;
constexpr uid_t kNobody = 65534;

QByteArray byteRange(int first, int last)
{
    QByteArray bytes;
    for (int b = first; b <= last; ++b)
        bytes.append(char(b));
    return bytes;
}

// Bytes without a line end: a byte pattern that never repeats in step with
// the read blocks, so a block cut in the wrong place shows.
QByteArray bigLine(qsizetype size)
{
    QByteArray line(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &c : line) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 24);
        if (c == '\r' || c == '\n')
            c = 'x';
    }
    return line;
}

QString reportText(int step, const QString &description)
{
    return description + QStringLiteral("\r\nin Tavrelle2021/08/31.Form1.PushButton3_Click at line ")
        + QString::number(step) + QStringLiteral("\r\rPlease email screenshot of this message to support@tavrelle.com");
}

const QString kNotFound = QStringLiteral("File not found");
const QString kTooLong = QStringLiteral("Not a list file: a line longer than 1048576 bytes");
const QString kCharacterDevice = QStringLiteral("Not a list file but a character device");
const QString kFifoTooLong = QStringLiteral("Not a list file: a FIFO that gives more than 67108864 bytes");
constexpr qsizetype kFifoBound = qsizetype(64) << 20;

// Where two lists of names part, for a failure message that fits on a line.
QString firstDifference(const Names &actual, const Names &expected)
{
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual.at(i) == expected.at(i))
        ++i;
    const auto shown = [i](const Names &names) {
        return i < names.size() ? QString::fromLatin1(names.at(i).left(40).toPercentEncoding()) : QStringLiteral("-");
    };
    return QStringLiteral("%1 entries, %2 expected; entry %3 is %4, expected %5")
        .arg(actual.size())
        .arg(expected.size())
        .arg(i + 1)
        .arg(shown(actual), shown(expected));
}

// What a load left behind, in a form that can cross from a child process.
struct Outcome {
    Names entries;
    QList<ShownBox> boxes;
    Pointer pointer = Pointer::Default;
    QStringList unexpected;
    int pendingAnswers = 0;
    qint64 allocated = 0; // the memory the list asked for, room to grow included
    QString trouble; // set when the run itself could not be made as asked

    static Outcome of(const Form1 &window, const FakeBoxes &boxes)
    {
        Outcome outcome;
        outcome.entries = quill::test::entries(controls(window).ListView1->ListItems());
        outcome.boxes = boxes.shown();
        outcome.pointer = window.MousePointer();
        outcome.unexpected = boxes.unexpected();
        outcome.pendingAnswers = boxes.pendingAnswers();
        outcome.allocated = controls(window).ListView1->ListItems().allocatedBytes();
        return outcome;
    }

    static Outcome failed(const QString &why)
    {
        Outcome outcome;
        outcome.trouble = why;
        return outcome;
    }

    QByteArray toBytes() const
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << entries << int(pointer) << unexpected << pendingAnswers << allocated << trouble << int(boxes.size());
        for (const ShownBox &box : boxes)
            out << int(box.kind) << box.title << box.text << int(box.buttons) << int(box.icon);
        return bytes;
    }

    static Outcome fromBytes(const QByteArray &bytes)
    {
        Outcome outcome;
        QDataStream in(bytes);
        int pointer = 0;
        int boxCount = 0;
        in >> outcome.entries >> pointer >> outcome.unexpected >> outcome.pendingAnswers >> outcome.allocated >> outcome.trouble
           >> boxCount;
        outcome.pointer = Pointer(pointer);
        for (int i = 0; i < boxCount && in.status() == QDataStream::Ok; ++i) {
            ShownBox box;
            int kind = 0;
            int buttons = 0;
            int icon = 0;
            in >> kind >> box.title >> box.text >> buttons >> icon;
            box.kind = ShownBox::Kind(kind);
            box.buttons = Buttons(buttons);
            box.icon = Icon(icon);
            outcome.boxes.append(box);
        }
        if (in.status() != QDataStream::Ok)
            outcome.trouble = QStringLiteral("the child's outcome was cut short");
        return outcome;
    }
};

// Runs `body` in a forked child and returns the bytes it hands back; a
// child that crashes or takes longer than `limit` hands back nothing.
QByteArray runInChild(const std::function<QByteArray()> &body, std::chrono::seconds limit = 60s)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        const QByteArray result = body();
        for (qsizetype done = 0; done < result.size();) {
            const ssize_t written = ::write(ends[1], result.constData() + done, size_t(result.size() - done));
            if (written <= 0)
                ::_exit(1);
            done += written;
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    QByteArray result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool timedOut = child < 0;
    while (!timedOut) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{ends[0], POLLIN, 0};
        if (left <= 0ms || ::poll(&ready, 1, int(left.count())) == 0) {
            timedOut = true;
            break;
        }
        char chunk[65536];
        const ssize_t got = ::read(ends[0], chunk, sizeof chunk);
        if (got <= 0)
            break;
        result.append(chunk, got);
    }
    ::close(ends[0]);
    if (child > 0) {
        if (timedOut)
            ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return {};
    }
    return result;
}

// Root reads every file whatever its mode; the unreadable case needs a user
// that the mode bits hold back. Any other user is held back already.
bool becomeNobody()
{
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// The peak resident size of this process so far, in bytes; -1 if unknown.
qint64 peakResident()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        bool ok = false;
        const qint64 kib = line.mid(6).trimmed().split(' ').value(0).toLongLong(&ok);
        if (line.startsWith("VmHWM:"))
            return ok && kib > 0 ? kib * 1024 : -1;
    }
    return -1;
}

// Starts the peak over from the present resident size.
bool resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// Feeds a FIFO a few lines, one at a time, each once the reader has taken
// the one before, and then closes it. It opens its end before the load, so
// the reader meets a writer.
class FifoWriter final {
public:
    FifoWriter(const QString &path, const QList<QByteArray> &pieces)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        m_thread = std::thread([this, pieces] {
            for (const QByteArray &piece : pieces) {
                if (::write(m_fd, piece.constData(), size_t(piece.size())) != piece.size() || !waitUntilTaken())
                    break;
            }
            ::close(m_fd);
        });
    }
    // A reader that stopped early leaves lines untaken: stop waiting then.
    ~FifoWriter()
    {
        m_stop = true;
        m_thread.join();
    }
    FifoWriter(const FifoWriter &) = delete;
    FifoWriter &operator=(const FifoWriter &) = delete;

private:
    bool waitUntilTaken() const
    {
        while (!m_stop) {
            int unread = 0;
            if (::ioctl(m_fd, FIONREAD, &unread) != 0)
                return false;
            if (unread == 0)
                return true;
            std::this_thread::sleep_for(2ms);
        }
        return false;
    }

    int m_fd = -1;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

// Feeds a FIFO from a process of its own, as `cat /dev/zero > fifo` would:
// a few lines, then `filler` over and over for as long as it lives. It
// holds the FIFO open before the load starts, and is killed at the end.
class EndlessWriter final {
public:
    EndlessWriter(const QString &path, const QByteArray &lines, const QByteArray &filler = QByteArray(1, 'x'))
    {
        const QByteArray block = filler.repeated(65536 / filler.size());
        const QByteArray name = QFile::encodeName(path);
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        m_child = ::fork();
        if (m_child == 0) {
            // Only calls that are safe after forking a threaded process.
            const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
            if (fd < 0 || ::write(ready[1], "r", 1) != 1)
                ::_exit(1);
            if (::write(fd, lines.constData(), size_t(lines.size())) != lines.size())
                ::_exit(1);
            while (::write(fd, block.constData(), size_t(block.size())) > 0) {
            }
            ::_exit(1);
        }
        ::close(ready[1]);
        char answer = 0;
        m_ready = m_child > 0 && ::read(ready[0], &answer, 1) == 1;
        ::close(ready[0]);
    }
    ~EndlessWriter()
    {
        if (m_child <= 0)
            return;
        ::kill(m_child, SIGKILL);
        ::waitpid(m_child, nullptr, 0);
    }
    EndlessWriter(const EndlessWriter &) = delete;
    EndlessWriter &operator=(const EndlessWriter &) = delete;

    bool ready() const { return m_ready; }

private:
    pid_t m_child = -1;
    bool m_ready = false;
};

// A Unix socket bound at `path`, as a running program leaves one behind.
bool makeSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

class BadListFilesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The unreadable case runs as another user, who must reach the files.
        QVERIFY(QFile::setPermissions(m_dir.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                          | QFileDevice::ExeGroup));
        writeAll(path("a.txt"), "a\r\nb\r\n");
        writeAll(path("z.txt"), "z");
        writeAll(path("bytes.bin"), byteRange(0, 255));
        writeAll(path("bytes4.bin"), byteRange(0, 255).repeated(4));
        writeAll(path("line.txt"), bigLine(kBigLine));
        // A line at the bound, starting after a first line so that it runs
        // across a block end.
        m_boundLine = bigLine(kBound);
        writeAll(path("bound.txt"), "a\r\n" + m_boundLine + "\r\nz\r\n");
        writeAll(path("past.txt"), "a\r\nb\r\n" + bigLine(kBound + 1) + "\r\nz\r\n");
        writeAll(path("past-lf.txt"), "a\nb\n" + bigLine(2 * kBound) + "\nz\n");
        // A terabyte of a hole after a few bytes, or as much as the file system allows.
        // Lines past the first block, then the hole: only the data tells
        // how much room the names need.
        const QByteArray lines = QByteArray("a\r\n").repeated(kLinesBeforeHole);
        for (const auto &[name, start] : {std::pair{"sparse.txt", QByteArray()}, std::pair{"line-sparse.txt", QByteArray("a\r\n")},
                                          std::pair{"lines-sparse.txt", lines}}) {
            writeAll(path(name), start);
            QFile sparse(path(name));
            QVERIFY(sparse.open(QIODevice::ReadWrite));
            for (qint64 size = qint64(1) << 40; !sparse.resize(size) && size > 4 * kBound;)
                size /= 2;
            QVERIFY2(sparse.size() > 2 * kBound, qPrintable(sparse.errorString()));
        }
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path("zero.txt")));
        QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), path("urandom.txt")));
        QVERIFY(makeSocket(path("socket.txt")));
        writeAll(path("crlf.txt"), QByteArray("\r\n").repeated(kMillion));
        writeAll(path("lf.txt"), QByteArray(kMillion, '\n'));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
        writeAll(path("folder/inside.txt"), "inside\r\n");
        for (const char *fifo : {"silent.fifo", "lines.fifo", "endless.fifo"})
            QCOMPARE(::mkfifo(QFile::encodeName(path(fifo)).constData(), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), path("mem.txt")));
        writeAll(path("secret.txt"), "secret\r\n");
        QVERIFY(QFile::setPermissions(path("secret.txt"), QFileDevice::WriteOwner));
    }

    void loads_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<Names>("added");
        QTest::addColumn<QStringList>("boxes");
        const Names none;
        const QStringList quiet;

        const QByteArray pieceAfterCr = byteRange(14, 255);
        Names fourTimes{byteRange(0, 9), byteRange(11, 12)};
        for (int i = 1; i < 4; ++i)
            fourTimes << pieceAfterCr + byteRange(0, 9) << byteRange(11, 12);
        fourTimes << pieceAfterCr;
        QTest::newRow("all 256 byte values") << QStringList{"bytes.bin"} << QString()
                                             << Names{byteRange(0, 9), byteRange(11, 12), pieceAfterCr} << quiet;
        QTest::newRow("all byte values four times over")
            << QStringList{"bytes4.bin"} << QString() << fourTimes << quiet;
        QTest::newRow("one 50 MB line") << QStringList{"line.txt"} << QString() << none
                                        << QStringList{reportText(118, kTooLong)};
        QTest::newRow("a line at the bound") << QStringList{"bound.txt"} << QString()
                                             << Names{"a", m_boundLine, "z"} << quiet;
        QTest::newRow("a line one byte past the bound")
            << QStringList{"past.txt"} << QString() << Names{"a", "b"} << QStringList{reportText(118, kTooLong)};
        QTest::newRow("a sparse file of a terabyte") << QStringList{"sparse.txt"} << QString() << none
                                                     << QStringList{reportText(118, kTooLong)};
        QTest::newRow("a line, then a sparse terabyte") << QStringList{"line-sparse.txt"} << QString() << Names{"a"}
                                                        << QStringList{reportText(118, kTooLong)};
        QTest::newRow("2 MiB of lines, then a sparse terabyte")
            << QStringList{"lines-sparse.txt"} << QString() << Names(kLinesBeforeHole, "a")
            << QStringList{reportText(118, kTooLong)};
        QTest::newRow("a 2 MiB piece between lone LFs, among files")
            << QStringList{"a.txt", "past-lf.txt", "z.txt"} << QString() << Names{"a", "b", "a", "b", "z"}
            << QStringList{reportText(132, kTooLong)};
        QTest::newRow("a character device") << QStringList{"zero.txt"} << QString() << none
                                            << QStringList{reportText(118, kCharacterDevice)};
        QTest::newRow("a character device, among files")
            << QStringList{"a.txt", "urandom.txt", "z.txt"} << QString() << Names{"a", "b", "z"}
            << QStringList{reportText(132, kCharacterDevice)};
        QTest::newRow("a socket") << QStringList{"socket.txt"} << QString() << none
                                  << QStringList{reportText(118, QStringLiteral("Not a list file but a socket"))};
        QTest::newRow("a FIFO whose writer never stops")
            << QStringList{"endless.fifo"} << QStringLiteral("endless") << Names{"a", "b"}
            << QStringList{reportText(118, kTooLong)};
        QTest::newRow("a FIFO whose writer never stops, among files")
            << QStringList{"a.txt", "endless.fifo", "z.txt"} << QStringLiteral("endless") << Names{"a", "b", "a", "b", "z"}
            << QStringList{reportText(132, kTooLong)};
        QTest::newRow("a million empty lines, CR LF")
            << QStringList{"crlf.txt"} << QString() << Names(kMillion) << quiet;
        QTest::newRow("a million empty lines, LF")
            << QStringList{"lf.txt"} << QString() << Names(kMillion + 1) << quiet;
        QTest::newRow("a folder") << QStringList{"folder"} << QString() << none
                                  << QStringList{reportText(118, QStringLiteral("file to open is a directory"))};
        QTest::newRow("a FIFO nobody writes to") << QStringList{"silent.fifo"} << QString() << none << quiet;
        QTest::newRow("a FIFO nobody writes to, among files")
            << QStringList{"a.txt", "silent.fifo", "z.txt"} << QString() << Names{"a", "b", "z"} << quiet;
        QTest::newRow("a FIFO whose writer sends lines and closes")
            << QStringList{"lines.fifo"} << QStringLiteral("writer") << Names{"a", "b", "c"} << quiet;
        QTest::newRow("removed after the dialog")
            << QStringList{"removed.txt"} << QStringLiteral("remove") << none << QStringList{kNotFound};
        QTest::newRow("removed after the dialog, among files")
            << QStringList{"a.txt", "removed.txt", "z.txt"} << QStringLiteral("remove") << Names{"a", "b", "z"}
            << QStringList{kNotFound};
        QTest::newRow("a read error") << QStringList{"mem.txt"} << QString() << none
                                      << QStringList{reportText(118, QStringLiteral("Input/output error"))};
        QTest::newRow("a read error, among files")
            << QStringList{"a.txt", "mem.txt", "z.txt"} << QString() << Names{"a", "b", "z"}
            << QStringList{reportText(132, QStringLiteral("Input/output error"))};
        QTest::newRow("no right to read") << QStringList{"secret.txt"} << QStringLiteral("nobody") << none
                                          << QStringList{reportText(118, QStringLiteral("Permission denied"))};
        QTest::newRow("no right to read, among files")
            << QStringList{"a.txt", "secret.txt", "z.txt"} << QStringLiteral("nobody") << Names{"a", "b", "z"}
            << QStringList{reportText(132, QStringLiteral("Permission denied"))};
    }

    void loads()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QString, setup);
        QFETCH(Names, added);
        QFETCH(QStringList, boxes);
        WindowUnderTest t;
        Form1 &window = *t.window;
        FakeBoxes &fakeBoxes = t.fakes.boxes;
        fill(controls(window).ListView1->ListItems(), {"old"});
        QStringList paths;
        for (const QString &name : std::as_const(chosen))
            paths.append(path(name));
        FakeBoxes::Action during;
        if (setup == QLatin1String("remove")) {
            writeAll(path("removed.txt"), "removed\r\n");
            during = [this] { QFile::remove(path("removed.txt")); };
        }
        fakeBoxes.answerOpen(paths, during);
        for (int i = 0; i < boxes.size(); ++i)
            fakeBoxes.answerMessage(Answer::Ok);
        std::optional<FifoWriter> writer;
        if (setup == QLatin1String("writer"))
            writer.emplace(path("lines.fifo"), QList<QByteArray>{"a\r\n", "b\n", "c"});
        std::optional<EndlessWriter> endless;
        if (setup == QLatin1String("endless")) {
            endless.emplace(path("endless.fifo"), "a\r\nb\r\n");
            QVERIFY2(endless->ready(), "the FIFO's writer did not start");
        }
        HangBreaker breaker({path("silent.fifo"), path("lines.fifo"), path("endless.fifo")});

        Outcome outcome;
        if (setup == QLatin1String("nobody")) {
            const QString secret = path("secret.txt");
            outcome = Outcome::fromBytes(runInChild([&] {
                if (!becomeNobody())
                    return Outcome::failed(QStringLiteral("cannot become nobody")).toBytes();
                if (QFile secretFile(secret); secretFile.open(QIODevice::ReadOnly))
                    return Outcome::failed(QStringLiteral("the file is readable after all")).toBytes();
                window.PushButton3_Click();
                return Outcome::of(window, fakeBoxes).toBytes();
            }));
        } else {
            window.PushButton3_Click();
            outcome = Outcome::of(window, fakeBoxes);
        }
        const bool hung = breaker.finish();
        writer.reset();
        endless.reset();

        QVERIFY2(!hung, "the load hung on a FIFO");
        QVERIFY2(outcome.trouble.isEmpty(), qPrintable(outcome.trouble));
        QVERIFY2(outcome.entries == Names{"old"} + added,
                 qPrintable(firstDifference(outcome.entries, Names{"old"} + added)));
        QStringList texts;
        for (const ShownBox &box : std::as_const(outcome.boxes).sliced(1)) { // the first is the dialog
            texts.append(box.text);
            const bool report = box.text != kNotFound;
            QCOMPARE(box.title, report ? QStringLiteral("Application Error") : window.applicationTitle());
            QCOMPARE(box.buttons, Buttons::Ok);
            QCOMPARE(box.icon, report ? Icon::Warning : Icon::None);
        }
        QCOMPARE(texts, boxes);
        QCOMPARE(outcome.pointer, Pointer::Default);
        QVERIFY2(outcome.unexpected.isEmpty(), qPrintable(outcome.unexpected.join(u'\n')));
        QCOMPARE(outcome.pendingAnswers, 0);
        // The room made is for the names that came, growth included, not
        // for what a file's size promised: a sparse file promises terabytes.
        qint64 bytes = 0;
        for (const QByteArray &name : std::as_const(outcome.entries))
            bytes += name.size();
        const qint64 room = 4 * bytes + 16 * qint64(outcome.entries.size()) + (8 << 20);
        QVERIFY2(outcome.allocated <= room, qPrintable(QStringLiteral("%1 bytes asked for, for %2 names of %3 bytes")
                                                           .arg(outcome.allocated).arg(outcome.entries.size()).arg(bytes)));
    }

    // A writer that never stops sending lines meets the FIFO's own bound;
    // the names it gave before stay.
    void fifoOfEndlessLinesStopsAtItsBound()
    {
        const QByteArray line = QByteArray(1022, 'x');
        WindowUnderTest t;
        t.fakes.boxes.answerOpen({path("endless.fifo")});
        t.fakes.boxes.answerMessage(Answer::Ok);
        EndlessWriter writer(path("endless.fifo"), "a\r\nb\r\n", line + "\r\n");
        QVERIFY2(writer.ready(), "the FIFO's writer did not start");
        HangBreaker breaker({path("endless.fifo")});

        t.window->PushButton3_Click();

        QVERIFY2(!breaker.finish(), "the load hung on a FIFO");
        QCOMPARE(t.fakes.boxes.reports(), QStringList{reportText(118, kFifoTooLong)});
        const Names names = entries(controls(*t.window).ListView1->ListItems());
        QVERIFY2(names.size() > 1000 && names.size() <= kFifoBound / (line.size() + 2) + 2,
                 qPrintable(QString::number(names.size())));
        QCOMPARE(names.mid(0, 3), (Names{"a", "b", line}));
        QVERIFY(std::all_of(names.begin() + 2, names.end() - 1, [&](const QByteArray &n) { return n == line; }));
        QCOMPARE(t.window->MousePointer(), Pointer::Default);
    }

// Not in a sanitizer build (QUILL_SANITIZE, whose definition moc sees too):
// freed memory stays in the address sanitizer's quarantine.
#ifndef QUILL_SANITIZE
    void peakMemory_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("entries");
        QTest::addColumn<qint64>("bound");
        // A small multiple of the file's size, a few bytes per entry, and
        // room for what the load itself needs besides.
        const auto bound = [this](const char *file, qint64 entries, qint64 perEntry, qint64 slackMiB) {
            return 4 * QFileInfo(path(file)).size() + perEntry * entries + (slackMiB << 20);
        };
        // What never ends, or runs past the bound, stops within a few times
        // the bound, however much more there is to read.
        const qint64 fewBounds = 4 * kBound + (16 << 20);
        QTest::newRow("one 50 MB line") << QStringLiteral("line.txt") << 0 << fewBounds;
        QTest::newRow("a FIFO whose writer never stops") << QStringLiteral("endless.fifo") << 2 << fewBounds;
        QTest::newRow("a character device") << QStringLiteral("zero.txt") << 0 << fewBounds;
        QTest::newRow("a million empty lines, CR LF")
            << QStringLiteral("crlf.txt") << kMillion << bound("crlf.txt", kMillion, 32, 16);
        QTest::newRow("a million empty lines, LF")
            << QStringLiteral("lf.txt") << kMillion + 1 << bound("lf.txt", kMillion + 1, 32, 16);
    }

    void peakMemory()
    {
        QFETCH(QString, file);
        QFETCH(int, entries);
        QFETCH(qint64, bound);
        WindowUnderTest t;
        t.fakes.boxes.answerOpen({path(file)});
        t.fakes.boxes.answerMessage(Answer::Ok); // the report, where there is one
        std::optional<EndlessWriter> endless;
        if (file.endsWith(QLatin1String(".fifo"))) {
            endless.emplace(path(file), "a\r\nb\r\n");
            QVERIFY2(endless->ready(), "the FIFO's writer did not start");
        }

        // Forked, so that the peak is the load's and not some earlier test's.
        const QByteArray measured = runInChild([&] {
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            const qint64 before = resetPeakResident() ? peakResident() : -1;
            t.window->PushButton3_Click();
            const qint64 after = peakResident();
            out << (before < 0 || after < 0 ? qint64(-1) : after - before)
                << controls(*t.window).ListView1->ListItems().Count();
            return bytes;
        });
        QVERIFY2(!measured.isEmpty(), "the load crashed or never ended");
        qint64 grown = -1;
        int count = -1;
        QDataStream(measured) >> grown >> count;

        QCOMPARE(count, entries);
        QVERIFY2(grown >= 0, "no peak resident size to be had");
        qDebug("peak grew by %lld bytes for a %lld byte file", grown, QFileInfo(path(file)).size());
        QVERIFY2(grown < bound, qPrintable(QStringLiteral("%1 bytes at the peak, bound %2").arg(grown).arg(bound)));
    }
#endif

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString path(const char *name) const { return path(QLatin1String(name)); }

    QTemporaryDir m_dir;
    QByteArray m_boundLine;
};

QTEST_MAIN(BadListFilesTest)
#include "tst_bad_list_files.moc"
