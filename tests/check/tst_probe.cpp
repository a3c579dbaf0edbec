#include "child_row.h"
#include "report_places.h"
#include "scripted_server.h"
#include "window_fixture.h"
#include "check/curl_transfer.h"
#include "check/valid.h"

#include <QTest>

#include <curl/curl.h>

using namespace quill;
using namespace quill::test;

namespace {

using Ending = ScriptedServer::Ending;

// A first line longer than the transfer keeps of a header block: the one
// header block that still fails.
const QByteArray kOverLong = "HTTP/1.1 200 " + QByteArray(70 * 1024, 'O') + "\r\n\r\n";

// What the reports after a fetch's own say: after a failed request that
// left no block, and after a reply that came without a status line.
const QString kNoReplyLine = QStringLiteral("No reply was read, so there is no status line");
const QString kNoReplyStatus = QStringLiteral("No reply was read, so there is no status");
const QString kNoStatusLine = QStringLiteral("The reply's header block has no status line");
const QString kShortLine = QStringLiteral("The status line is shorter than its version prefix");

void answerReports(FakeBoxes &boxes, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        boxes.answerMessage(Answer::Ok);
}

} // namespace

class ProbeTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void verdictOfOneReply_data()
    {
        QTest::addColumn<QByteArray>("head"); // empty: the connection is refused
        QTest::addColumn<qint64>("bodyBytes");
        QTest::addColumn<bool>("endless");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<unsigned>("setting"); // ChildSetting: what the row runs in
        QTest::addColumn<QByteArray>("host");  // empty: 127.0.0.1

        const auto row = [](const char *name, const QByteArray &head, const QByteArray &status, bool taken,
                            QList<int> reports = {}, Ending ending = Ending::Close, unsigned setting = 0,
                            const QByteArray &host = {}) {
            QTest::newRow(name) << head << qint64(0) << false << status << taken << reports << ending << setting
                                << host;
        };
        row("200 OK", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "200 OK", true);
        row("301", "HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.1:1/\r\n\r\n", "301 Moved Permanently",
            true);
        row("403", "HTTP/1.1 403 Forbidden\r\n\r\n", "403 Forbidden", true);
        row("500", "HTTP/1.1 500 Internal Server Error\r\n\r\n", "500 Internal Server Error", true);
        row("404 Not Found", "HTTP/1.1 404 Not Found\r\n\r\n", "404 Not Found", false);
        row("404 NOT FOUND", "HTTP/1.1 404 NOT FOUND\r\n\r\n", "404 NOT FOUND", false);
        row("404 File Not Found", "HTTP/1.1 404 File Not Found\r\n\r\n", "404 File Not Found", true);
        row("bare 200", "HTTP/1.1 200\r\n\r\n", "200", false);
        row("bare 404", "HTTP/1.1 404\r\n\r\n", "404", false);
        row("four characters", "HTTP/1.1 200 \r\n\r\n", "200 ", false);
        row("five characters", "HTTP/1.1 200 A\r\n\r\n", "200 A", true);
        row("phrase anywhere", "HTTP/1.1 410 Gone, 404 nOT fOUND\r\n\r\n", "410 Gone, 404 nOT fOUND", false);
        row("HTTP/1.0", "HTTP/1.0 200 OK\r\n\r\n", "200 OK", true);
        // libcurl takes "HTTP/2 <code>" for a status line even on HTTP/1.1.
        row("CR at position 10", "HTTP/2 20\r\nServer: q\r\n\r\n", "", false);
        row("first line shorter than nine", "HTTP/2 2\r\nServer: q\r\n\r\n", "\nServer: q", true);
        row("short first line, phrase on the next", "HTTP/2 2\r\nX: 404 Not Found\r\n\r\n", "\nX: 404 Not Found",
            false);
        // Lines ended by a bare LF are read as any others.
        row("LF line ends", "HTTP/1.1 200 OK\nServer: q\n\n", "200 OK", true);
        row("LF line ends, 404", "HTTP/1.1 404 Not Found\n\n", "404 Not Found", false);
        // A reply that came, cut short after a first line too short to hold a status line.
        row("short first line, then a reset", "HTTP/2 2\r\n", "", false, {110, 112}, Ending::Reset);
        row("over-long first line", kOverLong, "", false, {108, 110, 112});
        row("connection refused", "", "", false, {108, 110, 112});
        // A server whose final reply has begun has answered, whatever
        // becomes of the rest of it.
        row("200 OK, then a reset", "HTTP/1.1 200 OK\r\n", "200 OK", true, {}, Ending::Reset);
        row("404 Not Found, then a reset", "HTTP/1.1 404 Not Found\r\nServer: q\r\n", "404 Not Found", false, {},
            Ending::Reset);
        row("200 OK, Content-Length: -1", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", "200 OK", true);
        row("200 OK, a header line without a colon", "HTTP/1.1 200 OK\r\nNo colon here\r\n\r\n", "200 OK", true);
        // An interim reply is no answer yet.
        row("100 Continue, then a reset", "HTTP/1.1 100 Continue\r\n\r\n", "", false, {108, 110, 112},
            Ending::Reset);
        // Nor does the verdict depend on the user's locale, whose case rules
        // may not be ASCII's.
        row("404 NOT FOUND, tr_TR", "HTTP/1.1 404 NOT FOUND\r\n\r\n", "404 NOT FOUND", false, {}, Ending::Close,
            TurkishLocale);
        row("upper-case host from the hosts file, tr_TR", "HTTP/1.1 200 OK\r\n\r\n", "200 OK", true, {},
            Ending::Close, TurkishLocale | OwnNames, "SHOP.QUILL.TEST");
        row("upper-case host from the hosts file", "HTTP/1.1 200 OK\r\n\r\n", "200 OK", true, {}, Ending::Close,
            OwnNames, "SHOP.QUILL.TEST");
        QTest::newRow("large body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 134217728\r\n\r\n")
                                    << qint64(128) * 1024 * 1024 << false << QByteArray("200 OK") << true
                                    << QList<int>() << Ending::Close << 0u << QByteArray();
        QTest::newRow("endless body") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << qint64(0) << true
                                      << QByteArray("200 OK") << true << QList<int>() << Ending::Close << 0u
                                      << QByteArray();
    }

    void verdictOfOneReply()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, bodyBytes);
        QFETCH(bool, endless);
        QFETCH(QByteArray, status);
        QFETCH(bool, taken);
        QFETCH(QList<int>, reports);
        QFETCH(Ending, ending);
        QFETCH(unsigned, setting);
        QFETCH(QByteArray, host);
        if (setting && ranInChild(setting))
            return;

        ScriptedServer server;
        RefusingPort refusing;
        QByteArray url =
            head.isEmpty() ? "http://127.0.0.1:" + QByteArray::number(refusing.port()) + "/" : server.url();
        if (!host.isEmpty())
            url = "http://" + host + ':' + QByteArray::number(server.port()) + '/';
        for (int i = 0; i < 2; ++i)
            server.push({head, bodyBytes, endless, false, ending});
        FakeBoxes boxes;
        answerReports(boxes, 2 * reports.size());
        CurlTransfer inet;

        QCOMPARE(Valid::CheckURL(inet, boxes, url, 1), status);
        QCOMPARE(Valid::IsURLValid(inet, boxes, url), std::optional<bool>(taken));
        QCOMPARE(server.requestCount(), head.isEmpty() ? 0 : 2);
        QCOMPARE(reportPlaces(boxes), checkUrlPlaces(reports + reports));
        if (reports.startsWith(108)) {
            // The transfer's own description reaches the user unchanged:
            // libcurl's words for the refused port (worded anew in libcurl 8).
            const QString first = boxes.reports().first().section(u'\n', 0, 0);
            if (head.isEmpty())
                QVERIFY2(first.contains(QString::fromUtf8(curl_easy_strerror(CURLE_COULDNT_CONNECT)))
                             && first.contains(QStringLiteral("127.0.0.1")) && first.contains(QString::number(refusing.port())),
                         qPrintable(first));
            else if (head == kOverLong)
                QVERIFY2(first.startsWith(QStringLiteral("The reply's header block is larger than 64 KiB")),
                         qPrintable(first));
            else
                QVERIFY2(first.contains(QStringLiteral("Connection reset by peer")), qPrintable(first));
        }
        // Once a request failed and left no block, the later reports say
        // that no reply was read; a reply that came is told as it was.
        const QList<int> steps = reports + reports;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString said = boxes.reports().value(i).section(QStringLiteral("\r\n"), 0, 0);
            if (steps.at(i) == 110)
                QCOMPARE(said, reports.startsWith(108) ? kNoReplyLine : kNoStatusLine);
            if (steps.at(i) == 112)
                QCOMPARE(said, reports.startsWith(108) ? kNoReplyStatus : kShortLine);
        }
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }

    void attempts_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("maxAttempts");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QList<int>>("reports");

        const QByteArray ok = "HTTP/1.1 200 OK\r\n\r\n";
        const QByteArray busy = "HTTP/1.1 503 Service Unavailable\r\n\r\n";
        const QByteArray missing = "HTTP/1.1 404 Not Found\r\n\r\n";
        QTest::newRow("503, 503, 200") << QList{busy, busy, ok} << 3 << 3 << QByteArray("200 OK") << QList<int>();
        QTest::newRow("three 404s") << QList{missing, missing, missing} << 3 << 3 << QByteArray("404 Not Found")
                                    << QList<int>();
        QTest::newRow("200 at once") << QList{ok, ok, ok} << 3 << 1 << QByteArray("200 OK") << QList<int>();
        QTest::newRow("one attempt") << QList{busy, ok} << 1 << 1 << QByteArray("503 Service Unavailable")
                                     << QList<int>();
        QTest::newRow("no attempt") << QList{ok} << 0 << 0 << QByteArray() << QList<int>();
        QTest::newRow("negative") << QList{ok} << -1 << 0 << QByteArray() << QList<int>();
        QTest::newRow("failed attempt, then 200") << QList{kOverLong, ok} << 2 << 2 << QByteArray("200 OK")
                                                  << QList<int>{108, 110, 112};
        // The status text stays as the attempt before left it.
        QTest::newRow("503, then a failed attempt") << QList{busy, kOverLong} << 2 << 2
                                                    << QByteArray("503 Service Unavailable") << QList<int>{108, 110};
    }

    void attempts()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, maxAttempts);
        QFETCH(int, requests);
        QFETCH(QByteArray, status);
        QFETCH(QList<int>, reports);

        ScriptedServer server;
        for (const QByteArray &reply : replies)
            server.reply(reply);
        FakeBoxes boxes;
        answerReports(boxes, reports.size());
        CurlTransfer inet;
        QCOMPARE(Valid::CheckURL(inet, boxes, server.url(), maxAttempts), status);
        QCOMPARE(server.requestCount(), requests);
        QCOMPARE(reportPlaces(boxes), checkUrlPlaces(reports));
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }

    void nameIsHandedOverUnchanged_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QList<QByteArray>>("requested");
        QTest::addColumn<std::optional<bool>>("verdict");
        QTest::newRow("empty: no request, no value") << QByteArray() << QList<QByteArray>() << std::optional<bool>();
        QTest::newRow("blanks around") << QByteArray(" quill.example ") << QList<QByteArray>{" quill.example "}
                                       << std::optional<bool>(true);
        QTest::newRow("blanks only") << QByteArray("   ") << QList<QByteArray>{"   "} << std::optional<bool>(true);
        QTest::newRow("case kept") << QByteArray("HTTP://Quill.Example/X")
                                   << QList<QByteArray>{"HTTP://Quill.Example/X"} << std::optional<bool>(true);
    }

    void nameIsHandedOverUnchanged()
    {
        QFETCH(QByteArray, name);
        QFETCH(QList<QByteArray>, requested);
        QFETCH(std::optional<bool>, verdict);
        FakePlatform fakes;
        fakes.inet.reply("HTTP/1.1 200 OK\r\n\r\n");
        QCOMPARE(Valid::IsURLValid(fakes.inet, fakes.boxes, name), verdict);
        QCOMPARE(fakes.inet.requested, requested);
        QVERIFY(fakes.boxes.shown().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ProbeTest)
#include "tst_probe.moc"
