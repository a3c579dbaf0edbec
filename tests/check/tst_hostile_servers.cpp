#include "check_run_fixture.h"
#include "local_tls_server.h"
#include "report_places.h"
#include "scripted_server.h"
#include "test_certificates.h"
#include "window_fixture.h"

#include <QTest>

#include <csignal>

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

bool hasBareCr(const QByteArray &head)
{
    for (qsizetype at = head.indexOf('\r'); at >= 0; at = head.indexOf('\r', at + 1))
        if (head.mid(at + 1, 1) != "\n")
            return true;
    return false;
}

QByteArray setCookieLines(int kilobytes)
{
    QByteArray block = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; block.size() < kilobytes * 1024; ++i)
        block += "Set-Cookie: c" + QByteArray::number(i) + "=" + QByteArray(200, 'v') + "; Path=/\r\n";
    return block + "\r\n";
}

} // namespace

// Servers that misbehave on purpose. Whatever one sends, or fails to send,
// the run reports it, sorts the name and goes on with the next one.
class HostileServersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // As the program does at start-up.
    void initTestCase() { std::signal(SIGPIPE, SIG_IGN); }

    void runCarriesOn_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<QString>("description"); // what the first report's first line says

        const QList<int> failedFetch{108, 110, 112};
        // A server whose final reply has begun has answered, whatever stops
        // the rest of it.
        QTest::newRow("header block never ends")
            << QByteArray("HTTP/1.1 200 OK\r\nServer: q\r\n") << Ending::Hang << true << QList<int>() << QString();
        QTest::newRow("status line, then a reset")
            << QByteArray("HTTP/1.1 200 OK\r\n") << Ending::Reset << true << QList<int>() << QString();
        QTest::newRow("Content-Length: -1")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n") << Ending::Close << true << QList<int>()
            << QString();
        QTest::newRow("a header line without a colon")
            << QByteArray("HTTP/1.1 200 OK\r\nNo colon here\r\n\r\n") << Ending::Close << true << QList<int>()
            << QString();
        QTest::newRow("reset in the middle of the status line")
            << QByteArray("HTTP/1.1 200 O") << Ending::Reset << false << failedFetch
            << QStringLiteral("Recv failure: Connection reset by peer");
        QTest::newRow("accepts and says nothing")
            << QByteArray() << Ending::Hang << false << failedFetch << QStringLiteral("Operation timed out after");
        QTest::newRow("accepts and hangs up")
            << QByteArray() << Ending::Close << false << failedFetch << QStringLiteral("Empty reply from server");
        QTest::newRow("only an interim reply")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\n") << Ending::Hang << false << failedFetch
            << QStringLiteral("Operation timed out after");
        // A block past the cap is read up to it: its status line decides.
        QTest::newRow("megabytes of header lines")
            << megabytesOfHeaderLines(4) << Ending::Close << true << QList<int>() << QString();
        QTest::newRow("one header line of megabytes")
            << QByteArray("HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(3 * 1024 * 1024, 'l') + "\r\n\r\n")
            << Ending::Close << true << QList<int>() << QString();
        QTest::newRow("70 KiB of Set-Cookie lines")
            << setCookieLines(70) << Ending::Close << true << QList<int>() << QString();
        QTest::newRow("404 Not Found, then 70 KiB of Set-Cookie lines")
            << setCookieLines(70).replace("200 OK", "404 Not Found") << Ending::Close << false << QList<int>()
            << QString();
        QTest::newRow("a status line longer than the cap")
            << QByteArray("HTTP/1.1 200 " + QByteArray(70 * 1024, 'k') + "\r\n\r\n") << Ending::Close << false
            << failedFetch << QStringLiteral("The reply's header block is larger than 64 KiB");
        QTest::newRow("a status line longer than libcurl takes")
            << QByteArray("HTTP/1.1 200 " + QByteArray(3 * 1024 * 1024, 'k') + "\r\n\r\n") << Ending::Close
            << false << failedFetch << QStringLiteral("A line of the reply's header block is longer than 100 KiB");
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
        // libcurl refuses the line before anyone sees it, in words that
        // differ by release.
        QTest::newRow("a tab after the version")
            << QByteArray("HTTP/1.1\t200 OK\r\nContent-Length: 0\r\n\r\n") << Ending::Close << false << failedFetch
            << QStringLiteral("Unsupported HTTP");
        QTest::newRow("a shell server's greeting")
            << QByteArray("SSH-2.0-Quill_1.0\r\n") << Ending::Close << false << failedFetch
            << QStringLiteral("Received HTTP/0.9 when not allowed");
        QTest::newRow("reset in the middle of the headers")
            << QByteArray("HTTP/1.1 200 OK\r\nServer: q\r\nX-Ha") << Ending::Reset << true << QList<int>()
            << QString();
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

    // The server hangs up while the request is still going out: the writes
    // fail, and no signal ends the program.
    void tlsServerResetsWhileRequestIsWritten()
    {
        TestCertificates certificates;
        QVERIFY2(certificates.isReady(), qPrintable(certificates.error()));
        ResettingTlsServer tls(certificates.certificate(TestCertificates::Kind::Good), certificates.key());
        QVERIFY(tls.isReady());
        ScriptedServer server;
        server.reply(kTaken);
        // Far more than the sockets between them hold.
        const QByteArray hostile = tls.url("/" + QByteArray(900 * 1024, 'a'));
        const QByteArray next = server.url("/next");
        CurlWindow t(kShortTimeout);
        t.addPending({hostile, hostile, hostile, next});
        for (int i = 0; i < 9; ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);

        t.window->PushButton4_Click();

        QCOMPARE(tls.resets(), 3);
        QCOMPARE(reportPlaces(t.fakes.boxes), checkUrlPlaces({108, 110, 112, 108, 110, 112, 108, 110, 112}));
        QVERIFY2(!t.fakes.boxes.reports().first().startsWith(QStringLiteral("\r\n")),
                 qPrintable(t.fakes.boxes.reports().first()));
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), QByteArrayList{next});
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView3), (QByteArrayList{hostile, hostile, hostile}));
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

    // Blanks and control characters around a name are left out of the
    // request only, and its host is requested in lower case: the lists keep
    // the name as it was.
    void namesWithBlanks()
    {
        ScriptedServer server;
        server.reply(kTaken);
        server.reply(kTaken);
        const QByteArray around = " \t" + server.url("/around") + " \r\n";
        const QByteArray inside = server.url("/in side");
        const QByteArray blanks = " \t ";
        const QByteArray upper = "HTTP://QUILL.LOCALHOST:" + QByteArray::number(server.port()) + "/Case";
        CurlWindow t(kShortTimeout);
        t.addPending({around, blanks, upper, inside});
        for (int i = 0; i < 6; ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);

        t.window->PushButton4_Click();

        QCOMPARE(reportPlaces(t.fakes.boxes), checkUrlPlaces({108, 110, 112, 108, 110, 112}));
        QCOMPARE(t.fakes.boxes.reports().first().section(QStringLiteral("\r\n"), 0, 0),
                 QStringLiteral("The address holds nothing but blanks or control characters"));
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), (QByteArrayList{around, upper}));
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView3), (QByteArrayList{blanks, inside}));
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView1), (QByteArrayList{around, blanks, upper, inside}));
        QCOMPARE(server.requestCount(), 2);
        QVERIFY(server.requestHeads().first().startsWith("GET /around HTTP/1.1\r\n"));
        QVERIFY(server.requestHeads().last().startsWith("GET /Case HTTP/1.1\r\nHost: quill.localhost:"));
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

private:
    void verifyRunCarriesOn(bool tls)
    {
        QFETCH(QByteArray, head);
        QFETCH(Ending, ending);
        QFETCH(bool, taken);
        QFETCH(QList<int>, reports);
        QFETCH(QString, description);

        // Where libcurl refuses a bare CR inside a header line, the reply is
        // a failure in libcurl's words; where it passes it on, the status line
        // is cut at it.
        if (!tls && hasBareCr(head) && !libcurlRefusalOfBareCr().isEmpty()) {
            taken = false;
            reports = {108, 110, 112};
            description = libcurlRefusalOfBareCr();
        }
        // Some releases take a tab after the version as its blank; the status
        // line then reaches the probe whole.
        if (head.startsWith("HTTP/1.1\t") && libcurlRefusalOf(head).isEmpty()) {
            taken = true;
            reports.clear();
        }

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
