#include "scripted_server.h"
#include "app/failure.h"
#include "check/curl_transfer.h"

#include <QTest>
#include <QTimer>

#include <clocale>
#include <optional>

using namespace quill;
using namespace quill::test;

namespace {

// The failure's description, or nothing when the request succeeded.
std::optional<QString> openFailure(CurlTransfer &inet, const QByteArray &url)
{
    try {
        inet.OpenURL(url);
    } catch (const Failure &failure) {
        return failure.description();
    }
    return std::nullopt;
}

QByteArray headerLines(int lines, int width)
{
    QByteArray block = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < lines; ++i)
        block += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(width, 'f') + "\r\n";
    return block + "\r\n";
}

} // namespace

class CurlTransferTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void headerBlockAsReceived_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<qint64>("bodyBytes");
        QTest::addColumn<bool>("endless");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Case: MiXeD\r\n\r\n";
        QTest::newRow("status line first, CR LF, blank line") << ok + "hello" << qint64(0) << false << ok;
        const QByteArray lf = "HTTP/1.1 200 OK\nServer: lf-only\n\n";
        QTest::newRow("LF-only lines are kept") << lf << qint64(0) << false << lf;
        const QByteArray moved = "HTTP/1.1 301 Moved Permanently\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n";
        QTest::newRow("redirect is not followed") << moved << qint64(0) << false << moved;
        const QByteArray big = "HTTP/1.1 200 OK\r\nContent-Length: 268435456\r\n\r\n";
        QTest::newRow("large body is not read") << big << qint64(256) * 1024 * 1024 << false << big;
        const QByteArray endless = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
        QTest::newRow("endless body is not read") << endless << qint64(0) << true << endless;
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        QTest::newRow("empty chunked body with trailer")
            << chunked + "0\r\nX-Trailer: late\r\n\r\n" << qint64(0) << false << chunked;
        const QByteArray final = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        QTest::newRow("interim 100 Continue, then the final reply")
            << "HTTP/1.1 100 Continue\r\n\r\n" + final << qint64(0) << false << final;
        QTest::newRow("two interim replies")
            << "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nX-A: b\r\n\r\n" + final << qint64(0) << false
            << final;
        const QByteArray nearCap = headerLines(60, 1000);
        QTest::newRow("block just under the cap") << nearCap << qint64(0) << false << nearCap;
    }

    void headerBlockAsReceived()
    {
        QFETCH(QByteArray, sent);
        QFETCH(qint64, bodyBytes);
        QFETCH(bool, endless);
        QFETCH(QByteArray, expected);
        QVERIFY(expected.size() <= CurlTransfer::kMaxHeaderBytes);

        ScriptedServer server;
        server.push({sent, bodyBytes, endless, false});
        CurlTransfer inet;
        QCOMPARE(openFailure(inet, server.url()), std::nullopt);
        QCOMPARE(inet.GetHeader(), expected);
        QCOMPARE(server.requestCount(), 1);
        QVERIFY(server.requestHeads().first().startsWith("GET / HTTP/1.1\r\nHost: 127.0.0.1:"));
        if (bodyBytes > 0) {
            // The client went away long before the server could send it all.
            QTRY_VERIFY(server.lastBodyBytesSent() > 0);
            const qint64 sent = server.lastBodyBytesSent();
            QVERIFY2(sent < bodyBytes / 4, qPrintable(QString::number(sent)));
        }
    }

    void failedRequestLeavesNoBlock_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("description");

        QTest::newRow("connection refused") << QByteArray("refused") << QByteArray() << "Couldn't connect to server";
        QTest::newRow("header block over the cap") << QByteArray("server") << headerLines(70, 1000)
                                                   << "The reply's header block is larger than 64 KiB";
        QTest::newRow("not HTTP at all") << QByteArray("server") << QByteArray("SSH-2.0-OpenSSH\r\n\r\n")
                                         << "Received HTTP/0.9 when not allowed";
        QTest::newRow("NUL in the address") << QByteArray("http://127.0.0.1/\0.example", 27) << QByteArray()
                                            << "The address holds a NUL character";
        // Names from a list file must not open local files or speak other protocols.
        QTest::newRow("file") << QByteArray("file://localhost/etc/hostname") << QByteArray()
                              << "Protocol \"file\" not supported or disabled in libcurl";
        for (const char *scheme : {"ftp", "dict", "gopher", "smb", "scp", "telnet", "ldap", "tftp", "imap"})
            QTest::newRow(scheme) << QByteArray(scheme) + "://127.0.0.1:PORT/etc/hostname" << QByteArray()
                                  << QStringLiteral("Protocol \"%1\" not supported or disabled in libcurl").arg(scheme);
        QTest::newRow("file, no host") << QByteArray("file:///etc/hostname") << QByteArray()
                                       << "Protocol \"file\" not supported or disabled in libcurl";
        // A name must never smuggle header lines of its own into the request.
        QTest::newRow("CR LF in the address") << QByteArray("http://127.0.0.1:PORT/a\r\nX-Smuggled: 1") << QByteArray()
                                              << "URL using bad/illegal format or missing URL";
        QTest::newRow("LF in the host") << QByteArray("quill\n.example") << QByteArray()
                                        << "URL using bad/illegal format or missing URL";
        QTest::newRow("an address of 10 MB") << "http://127.0.0.1:PORT/" + QByteArray(10 * 1024 * 1024, 'a')
                                             << QByteArray() << "The address is too long: 104857";
    }

    void failedRequestLeavesNoBlock()
    {
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, reply);
        QFETCH(QString, description);

        ScriptedServer server;
        RefusingPort refusing;
        server.reply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        if (!reply.isEmpty())
            server.reply(reply);
        CurlTransfer inet;
        QCOMPARE(openFailure(inet, server.url()), std::nullopt);
        QVERIFY(!inet.GetHeader().isEmpty());

        if (url == "refused")
            url = "http://127.0.0.1:" + QByteArray::number(refusing.port()) + "/";
        else if (url == "server")
            url = server.url("/second");
        url.replace("PORT", QByteArray::number(server.port()));
        const std::optional<QString> failure = openFailure(inet, url);
        QVERIFY(failure.has_value());
        QVERIFY2(failure->contains(description), qPrintable(*failure));
        QCOMPARE(inet.GetHeader(), QByteArray());
        QCOMPARE(server.requestCount(), reply.isEmpty() ? 1 : 2);
    }

    void bareHostIsHttpAndGoesThroughTheEnvironmentsProxy_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("requestLine");
        QTest::newRow("bare host") << QByteArray("quill.example") << QByteArray("GET http://quill.example/ HTTP/1.1");
        // libcurl would guess FTP from the name alone.
        QTest::newRow("host named like an FTP server")
            << QByteArray("ftp.quill.example") << QByteArray("GET http://ftp.quill.example/ HTTP/1.1");
        QTest::newRow("host and path") << QByteArray("quill.example/a/b")
                                       << QByteArray("GET http://quill.example/a/b HTTP/1.1");
        QTest::newRow("IDN") << QByteArray("b\xc3\xbc" "cher.example")
                             << QByteArray("GET http://xn--bcher-kva.example/ HTTP/1.1");
    }

    void hostNameIsResolvedWhileWaiting()
    {
        ScriptedServer server;
        server.reply("HTTP/1.1 200 OK\r\n\r\n");
        CurlTransfer inet;
        QCOMPARE(openFailure(inet, "localhost:" + QByteArray::number(server.port()) + "/x"), std::nullopt);
        QCOMPARE(inet.GetHeader(), QByteArray("HTTP/1.1 200 OK\r\n\r\n"));
        QVERIFY(server.requestHeads().first().startsWith("GET /x HTTP/1.1\r\n"));
    }

    void bareHostIsHttpAndGoesThroughTheEnvironmentsProxy()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, requestLine);
        // libcurl reads a host name in the locale's encoding; these are UTF-8.
        std::setlocale(LC_CTYPE, "C.UTF-8");
        ScriptedServer proxy;
        proxy.reply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        qputenv("http_proxy", proxy.url());
        qunsetenv("no_proxy");
        qunsetenv("NO_PROXY");
        CurlTransfer inet;
        const std::optional<QString> failure = openFailure(inet, name);
        qunsetenv("http_proxy");
        QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
        QCOMPARE(proxy.requestCount(), 1);
        const QByteArray head = proxy.requestHeads().first();
        QCOMPARE(head.left(head.indexOf("\r\n")), requestLine);
    }

    void windowKeepsHandlingEventsWhileWaiting()
    {
        ScriptedServer server;
        server.push({"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 0, false, true});
        CurlTransfer inet;
        bool timerRan = false;
        std::optional<QString> nested;
        server.onRequest = [&](int) {
            // A second request while the first waits is refused, not nested.
            nested = openFailure(inet, server.url("/nested"));
            QTimer::singleShot(5, [&] {
                timerRan = true;
                server.release();
            });
        };
        QCOMPARE(openFailure(inet, server.url()), std::nullopt);
        QVERIFY(timerRan);
        QCOMPARE(nested, std::optional<QString>(QStringLiteral("Another request is still under way")));
        QCOMPARE(inet.GetHeader(), QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
        QCOMPARE(server.requestCount(), 1);
    }

    void connectionsAreNotConfusedAcrossRequests()
    {
        // The server closes every connection after its reply; each request
        // still gets its own reply.
        ScriptedServer server;
        CurlTransfer inet;
        for (int i = 0; i < 20; ++i) {
            const QByteArray block = "HTTP/1.1 200 OK\r\nX-N: " + QByteArray::number(i) + "\r\n\r\n";
            server.reply(block);
            QCOMPARE(openFailure(inet, server.url()), std::nullopt);
            QCOMPARE(inet.GetHeader(), block);
        }
        QCOMPARE(server.requestCount(), 20);
    }
};

QTEST_GUILESS_MAIN(CurlTransferTest)
#include "tst_curl_transfer.moc"
