#include "check_run_fixture.h"
#include "report_places.h"
#include "scripted_server.h"
#include "window_fixture.h"

#include <QTest>

using namespace quill;
using namespace quill::test;

namespace {

using Ending = ScriptedServer::Ending;

// Short enough to keep the suite quick, long enough for loopback.
constexpr std::chrono::milliseconds kShortTimeout(400);

const QByteArray kTaken = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";

QByteArray megabytesOfHeaderLines(int megabytes)
{
    QByteArray block = "HTTP/1.1 200 OK\r\n";
    const QByteArray line = "X-Filler: " + QByteArray(990, 'f') + "\r\n";
    while (block.size() < megabytes * 1024 * 1024)
        block += line;
    return block + "\r\n";
}

} // namespace

// Servers that misbehave on purpose. Whatever one sends, or fails to send,
// the run reports it, sorts the name and goes on with the next one.
class HostileServersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runCarriesOn_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<QString>("description"); // what the first report's first line says

        const QList<int> failedFetch{108, 110, 112};
        // The status line is in, but a reply only counts once its block ends.
        QTest::newRow("header block never ends")
            << QByteArray("HTTP/1.1 200 OK\r\nServer: q\r\n") << Ending::Hang << false << failedFetch
            << QStringLiteral("Operation timed out after");
        QTest::newRow("accepts and says nothing")
            << QByteArray() << Ending::Hang << false << failedFetch << QStringLiteral("Operation timed out after");
        QTest::newRow("accepts and hangs up")
            << QByteArray() << Ending::Close << false << failedFetch << QStringLiteral("Empty reply from server");
        QTest::newRow("only an interim reply")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\n") << Ending::Hang << false << failedFetch
            << QStringLiteral("Operation timed out after");
        QTest::newRow("megabytes of header lines")
            << megabytesOfHeaderLines(4) << Ending::Close << false << failedFetch
            << QStringLiteral("The reply's header block is larger than 64 KiB");
        QTest::newRow("one header line of megabytes")
            << QByteArray("HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(3 * 1024 * 1024, 'l') + "\r\n\r\n")
            << Ending::Close << false << failedFetch
            << QStringLiteral("A line of the reply's header block is longer than 100 KiB");
        QTest::newRow("NUL inside the status line")
            << QByteArray("HTTP/1.1 200 O\0K\r\n\r\n", 20) << Ending::Close << false << failedFetch
            << QStringLiteral("Nul byte in header");
        // The status line ends at the first CR, bare or not.
        QTest::newRow("bare CR inside the status line")
            << QByteArray("HTTP/1.1 404 Not\rFound\r\n\r\n") << Ending::Close << true << QList<int>() << QString();
        QTest::newRow("bare CR right after the code")
            << QByteArray("HTTP/1.1 404\rNot Found\r\n\r\n") << Ending::Close << false << QList<int>() << QString();
        QTest::newRow("a mail server's greeting")
            << QByteArray("220 mail.example ESMTP ready\r\n") << Ending::Hang << false << failedFetch
            << QStringLiteral("Received HTTP/0.9 when not allowed");
        QTest::newRow("a shell server's greeting")
            << QByteArray("SSH-2.0-Quill_1.0\r\n") << Ending::Close << false << failedFetch
            << QStringLiteral("Received HTTP/0.9 when not allowed");
        QTest::newRow("reset in the middle of the headers")
            << QByteArray("HTTP/1.1 200 OK\r\nServer: q\r\nX-Ha") << Ending::Reset << false << failedFetch
            << QStringLiteral("Recv failure: Connection reset by peer");
        QTest::newRow("reset right after the headers")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n") << Ending::Reset << true << QList<int>()
            << QString();
        QTest::newRow("100 Continue, then 404")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
            << Ending::Close << false << QList<int>() << QString();
        QTest::newRow("103 Early Hints, then 200")
            << QByteArray("HTTP/1.1 103 Early Hints\r\nLink: </q.css>\r\n\r\nHTTP/1.1 200 OK\r\n\r\n")
            << Ending::Close << true << QList<int>() << QString();
    }

    void runCarriesOn() { verifyRunCarriesOn(false); }

    // The same for https names whose server does not get through the
    // handshake; its certificate is not what fails them.
    void tlsFailuresCarryOn_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<QString>("description");

        const QList<int> failedFetch{108, 110, 112};
        // The handshake counts as part of connecting.
        QTest::newRow("handshake stalls") << QByteArray() << Ending::Hang << false << failedFetch
                                          << QStringLiteral("Connection timed out after");
        QTest::newRow("garbage instead of a handshake")
            << QByteArray("garbage, and no TLS at all\r\n") << Ending::Hang << false << failedFetch
            << QStringLiteral("SSL routines::");
        QTest::newRow("plain HTTP instead of a handshake")
            << kTaken << Ending::Close << false << failedFetch
            << QStringLiteral("SSL routines::wrong version number");
    }

    void tlsFailuresCarryOn() { verifyRunCarriesOn(true); }

private:
    void verifyRunCarriesOn(bool tls)
    {
        QFETCH(QByteArray, head);
        QFETCH(Ending, ending);
        QFETCH(bool, taken);
        QFETCH(QList<int>, reports);
        QFETCH(QString, description);

        ScriptedServer server;
        // A server of TLS speaks when the client's hello is in; these do not wait for it.
        server.push({head, 0, false, false, ending, tls});
        server.reply(kTaken);
        QByteArray hostile = server.url("/hostile");
        if (tls)
            hostile.replace("http://", "https://");
        const QByteArray next = server.url("/next");
        CurlWindow t(kShortTimeout);
        t.addPending({hostile, next});
        for (qsizetype i = 0; i < reports.size(); ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);

        t.window->PushButton4_Click();

        QCOMPARE(reportPlaces(t.fakes.boxes), checkUrlPlaces(reports));
        if (!reports.isEmpty()) {
            const QString text = t.fakes.boxes.reports().first();
            // libcurl's own words reach the user: never an empty description.
            QVERIFY2(!text.startsWith(QStringLiteral("\r\n")), qPrintable(text));
            QVERIFY2(text.section(QStringLiteral("\r\n"), 0, 0).contains(description), qPrintable(text));
        }
        const QByteArrayList takenNames = taken ? QByteArrayList{hostile, next} : QByteArrayList{next};
        const QByteArrayList availableNames = taken ? QByteArrayList{} : QByteArrayList{hostile};
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), takenNames);
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView3), availableNames);
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView1), (QByteArrayList{hostile, next}));
        QCOMPARE(server.requestCount(), 2);
        QVERIFY(!t.window->CheckRunning);
        QCOMPARE(t.window->MousePointer(), Pointer::Default);
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }
};

QTEST_MAIN(HostileServersTest)
#include "tst_hostile_servers.moc"
