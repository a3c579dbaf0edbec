#include "check/ascii_host.h"
#include "check/curl_event_loop.h"
#include "check/curl_transfer.h"
#include "child_row.h"
#include "core/failure.h"
#include "scripted_dns.h"
#include "scripted_server.h"

#include <QTest>
#include <QTimer>

#include <clocale>
#include <curl/curl.h>
#include <netdb.h>
#include <optional>

using namespace quill;
using namespace quill::test;

namespace {

using Ending = ScriptedServer::Ending;

// Short enough to keep the suite quick, long enough for loopback.
constexpr std::chrono::milliseconds kShortTimeout(400);

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

// libcurl's own words when it refuses `url` before any connection, under
// the transfer's rule of http and https only.
QString libcurlRefusal(const QByteArray &url)
{
    CURL *easy = curl_easy_init();
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_DEFAULT_PROTOCOL, "http");
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    const CURLcode result = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    if (result != CURLE_UNSUPPORTED_PROTOCOL && result != CURLE_URL_MALFORMAT)
        return QStringLiteral("(libcurl did not refuse %1: %2)").arg(QString::fromLatin1(url)).arg(int(result));
    return QString::fromUtf8(error[0] ? error : curl_easy_strerror(result));
}

// The line with the hex digits of its percent escapes in upper case, the
// case libcurl 8.21 and later write them in (earlier ones: lower case).
QByteArray upperEscapes(QByteArray line)
{
    for (qsizetype i = line.indexOf('%'); i >= 0 && i + 2 < line.size(); i = line.indexOf('%', i + 1))
        line.replace(i + 1, 2, line.mid(i + 1, 2).toUpper());
    return line;
}

QByteArray headerLines(int lines, int width)
{
    QByteArray block = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < lines; ++i)
        block += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(width, 'f') + "\r\n";
    return block + "\r\n";
}

// The lines of a block that fit in the cap, the status line first.
QByteArray cutAtCap(const QByteArray &block)
{
    QByteArray kept;
    for (const QByteArray &line : block.split('\n')) {
        if (kept.size() + line.size() + 1 > CurlTransfer::kMaxHeaderBytes)
            break;
        kept += line + '\n';
    }
    return kept;
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
        QTest::addColumn<Ending>("ending");

        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Case: MiXeD\r\n\r\n";
        QTest::newRow("status line first, CR LF, blank line")
            << ok + "hello" << qint64(0) << false << ok << Ending::Close;
        // Servers may end lines with a bare LF; the block still ends them in CR LF.
        QTest::newRow("LF-only lines")
            << QByteArray("HTTP/1.1 200 OK\nServer: lf-only\n\n") << qint64(0) << false
            << QByteArray("HTTP/1.1 200 OK\r\nServer: lf-only\r\n\r\n") << Ending::Close;
        QTest::newRow("mixed line ends, a bare CR inside a line")
            << QByteArray("HTTP/1.1 404 Not\rFound\nX-A: 1\r\nX-B: \r2\n\r\n") << qint64(0) << false
            << QByteArray("HTTP/1.1 404 Not\rFound\r\nX-A: 1\r\nX-B: \r2\r\n\r\n") << Ending::Close;
        const QByteArray moved = "HTTP/1.1 301 Moved Permanently\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n";
        QTest::newRow("redirect is not followed") << moved << qint64(0) << false << moved << Ending::Close;
        const QByteArray big = "HTTP/1.1 200 OK\r\nContent-Length: 268435456\r\n\r\n";
        QTest::newRow("large body is not read") << big << qint64(256) * 1024 * 1024 << false << big << Ending::Close;
        const QByteArray endless = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
        QTest::newRow("endless body is not read") << endless << qint64(0) << true << endless << Ending::Close;
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        QTest::newRow("empty chunked body with trailer")
            << chunked + "0\r\nX-Trailer: late\r\n\r\n" << qint64(0) << false << chunked << Ending::Close;
        const QByteArray final = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        QTest::newRow("interim 100 Continue, then the final reply")
            << "HTTP/1.1 100 Continue\r\n\r\n" + final << qint64(0) << false << final << Ending::Close;
        QTest::newRow("two interim replies")
            << "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nX-A: b\r\n\r\n" + final << qint64(0) << false
            << final << Ending::Close;
        const QByteArray nearCap = headerLines(60, 1000);
        QTest::newRow("block just under the cap") << nearCap << qint64(0) << false << nearCap << Ending::Close;
        // Past the cap the block is cut at the last line that fits.
        const QByteArray overCap = headerLines(70, 1000);
        QTest::newRow("block over the cap") << overCap << qint64(0) << false << cutAtCap(overCap) << Ending::Close;
        const QByteArray interimFirst = "HTTP/1.1 100 Continue\r\n\r\n" + overCap;
        QTest::newRow("interim reply, then a block over the cap")
            << interimFirst << qint64(0) << false << cutAtCap(interimFirst).mid(25) << Ending::Close;
        // A line over libcurl's own limit takes the block past the cap too.
        QTest::newRow("a line over libcurl's limit")
            << QByteArray("HTTP/1.1 200 OK\r\nX-A: 1\r\nX-Long: " + QByteArray(200 * 1024, 'l') + "\r\n\r\n")
            << qint64(0) << false << QByteArray("HTTP/1.1 200 OK\r\nX-A: 1\r\n") << Ending::Close;
        // Once the final reply's first line is in, the server has answered:
        // whatever stops the transfer after it leaves the block as it came.
        QTest::newRow("reset after the status line") << QByteArray("HTTP/1.1 200 OK\r\n") << qint64(0) << false
                                                     << QByteArray("HTTP/1.1 200 OK\r\n") << Ending::Reset;
        QTest::newRow("reset in the middle of a header line")
            << QByteArray("HTTP/1.1 404 Not Found\r\nServer: q\r\nX-Ha") << qint64(0) << false
            << QByteArray("HTTP/1.1 404 Not Found\r\nServer: q\r\n") << Ending::Reset;
        QTest::newRow("Content-Length: -1")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n") << qint64(0) << false
            << QByteArray("HTTP/1.1 200 OK\r\n") << Ending::Close;
        QTest::newRow("a header line without a colon")
            << QByteArray("HTTP/1.1 200 OK\r\nX-A: 1\r\nNo colon here\r\n\r\n") << qint64(0) << false
            << QByteArray("HTTP/1.1 200 OK\r\nX-A: 1\r\n") << Ending::Close;
        QTest::newRow("time-out before the block ends")
            << QByteArray("HTTP/1.1 503 Busy\r\nServer: q\r\n") << qint64(0) << false
            << QByteArray("HTTP/1.1 503 Busy\r\nServer: q\r\n") << Ending::Hang;
        QTest::newRow("time-out in the body")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc") << qint64(0) << false
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n") << Ending::Hang;
        QTest::newRow("interim reply, then the final status line and a reset")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\n") << qint64(0) << false
            << QByteArray("HTTP/1.1 404 Not Found\r\n") << Ending::Reset;
    }

    void headerBlockAsReceived()
    {
        QFETCH(QByteArray, sent);
        QFETCH(qint64, bodyBytes);
        QFETCH(bool, endless);
        QFETCH(QByteArray, expected);
        QFETCH(Ending, ending);
        QVERIFY(expected.size() <= CurlTransfer::kMaxHeaderBytes);
        const QString refusal = libcurlRefusalOfBareCr();
        const bool bareCr = QTest::currentDataTag() == QByteArray("mixed line ends, a bare CR inside a line");

        ScriptedServer server;
        server.push({sent, bodyBytes, endless, false, ending});
        CurlTransfer inet(ending == Ending::Hang ? kShortTimeout : CurlTransfer::kTimeout);
        if (bareCr && !refusal.isEmpty()) {
            QCOMPARE(openFailure(inet, server.url()), std::optional<QString>(refusal));
            QCOMPARE(inet.GetHeader(), QByteArray());
            return;
        }
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

        QTest::newRow("connection refused") << QByteArray("refused") << QByteArray()
                                            << QString::fromUtf8(curl_easy_strerror(CURLE_COULDNT_CONNECT));
        QTest::newRow("status line over the cap")
            << QByteArray("server") << "HTTP/1.1 200 " + QByteArray(70 * 1024, 's') + "\r\n\r\n"
            << "The reply's header block is larger than 64 KiB";
        QTest::newRow("status line over libcurl's limit")
            << QByteArray("server") << "HTTP/1.1 200 " + QByteArray(200 * 1024, 's') + "\r\n\r\n"
            << "A line of the reply's header block is longer than 100 KiB";
        QTest::newRow("interim reply, then a status line over the cap")
            << QByteArray("server")
            << "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 " + QByteArray(70 * 1024, 's') + "\r\n\r\n"
            << "The reply's header block is larger than 64 KiB";
        // Before the final reply's first line is complete, a failure is one.
        QTest::newRow("reset in the middle of the status line")
            << QByteArray("server, reset") << QByteArray("HTTP/1.1 200 O") << "Connection reset by peer";
        QTest::newRow("reset after an interim status line")
            << QByteArray("server, reset") << QByteArray("HTTP/1.1 100 Continue\r\n") << "Connection reset by peer";
        QTest::newRow("reset after an interim reply")
            << QByteArray("server, reset") << QByteArray("HTTP/1.1 100 Continue\r\n\r\n")
            << "Connection reset by peer";
        QTest::newRow("nothing but blanks") << QByteArray(" \t\r\n\x01 ") << QByteArray()
                                            << "The address holds nothing but blanks or control characters";
        QTest::newRow("not HTTP at all") << QByteArray("server") << QByteArray("SSH-2.0-OpenSSH\r\n\r\n")
                                         << "Received HTTP/0.9 when not allowed";
        // libcurl tries again on a new connection: the report is that
        // attempt's, never the dead connection's.
        QTest::newRow("not HTTP, kept-alive connection closed as it is reused")
            << QByteArray("server, closed on reuse") << QByteArray("SSH-2.0-OpenSSH\r\n\r\n")
            << "Received HTTP/0.9 when not allowed";
        QTest::newRow("NUL in the address") << QByteArray("http://127.0.0.1/\0.example", 27) << QByteArray()
                                            << "The address holds a NUL character";
        // Names from a list file must not open local files or speak other
        // protocols. No description: libcurl's own refusal of the address.
        QTest::newRow("file") << QByteArray("file://localhost/etc/hostname") << QByteArray() << QString();
        for (const char *scheme : {"ftp", "dict", "gopher", "smb", "scp", "telnet", "ldap", "tftp", "imap"})
            QTest::newRow(scheme) << QByteArray(scheme) + "://127.0.0.1:PORT/etc/hostname" << QByteArray() << QString();
        QTest::newRow("file, no host") << QByteArray("file:///etc/hostname") << QByteArray() << QString();
        // A name must never smuggle header lines of its own into the request.
        QTest::newRow("CR LF in the address") << QByteArray("http://127.0.0.1:PORT/a\r\nX-Smuggled: 1") << QByteArray()
                                              << QString();
        QTest::newRow("LF in the host") << QByteArray("quill\n.example") << QByteArray() << QString();
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
        // Unless a row says otherwise, the failing request gets a connection
        // of its own, whenever the server's close reaches the client.
        const bool retried = url == "server, closed on reuse";
        if (retried)
            server.reply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ScriptedServer::Ending::ClosedOnReuse);
        else
            server.reply("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
        if (!reply.isEmpty())
            server.reply(reply, url == "server, reset" ? Ending::Reset : Ending::Close);
        CurlTransfer inet;
        QCOMPARE(openFailure(inet, server.url()), std::nullopt);
        QVERIFY(!inet.GetHeader().isEmpty());

        if (url == "refused")
            url = "http://127.0.0.1:" + QByteArray::number(refusing.port()) + "/";
        else if (url.startsWith("server"))
            url = server.url("/second");
        url.replace("PORT", QByteArray::number(server.port()));
        if (description.isEmpty())
            description = libcurlRefusal(url);
        const std::optional<QString> failure = openFailure(inet, url);
        QVERIFY(failure.has_value());
        // Releases that keep only a transfer's first error text leave the
        // retry its code's words.
        const bool retryInCodeWords =
            retried && *failure == QString::fromUtf8(curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL));
        QVERIFY2(failure->contains(description) || retryInCodeWords, qPrintable(*failure));
        QCOMPARE(inet.GetHeader(), QByteArray());
        QCOMPARE(server.requestCount(), reply.isEmpty() ? 1 : 2);
    }

    void nameGoesDirectWhateverTheEnvironmentSays_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QByteArray>("requestLine");
        QTest::addColumn<QByteArray>("host");
        // libcurl takes any *.localhost for 127.0.0.1.
        QTest::newRow("bare host") << QByteArray("quill.localhost:PORT") << QByteArray("C.UTF-8")
                                   << QByteArray("GET / HTTP/1.1") << QByteArray("quill.localhost:PORT");
        // libcurl would guess FTP from the name alone.
        QTest::newRow("host named like an FTP server")
            << QByteArray("ftp.quill.localhost:PORT") << QByteArray("C.UTF-8") << QByteArray("GET / HTTP/1.1")
            << QByteArray("ftp.quill.localhost:PORT");
        QTest::newRow("host and path") << QByteArray("quill.localhost:PORT/a/b") << QByteArray("C.UTF-8")
                                       << QByteArray("GET /a/b HTTP/1.1") << QByteArray("quill.localhost:PORT");
        // The host is requested in lower case; scheme, path and query keep theirs.
        QTest::newRow("upper-case host") << QByteArray("QUILL.LOCALHOST:PORT") << QByteArray("C.UTF-8")
                                         << QByteArray("GET / HTTP/1.1") << QByteArray("quill.localhost:PORT");
        QTest::newRow("upper-case scheme, host, path and query")
            << QByteArray("HTTP://Shop.QUILL.localhost:PORT/A/B?Q=I#F") << QByteArray("C.UTF-8")
            << QByteArray("GET /A/B?Q=I HTTP/1.1") << QByteArray("shop.quill.localhost:PORT");
        // The host's ASCII form does not depend on the locale.
        for (const char *locale : {"C", "C.UTF-8", "tr_TR.UTF-8"}) {
            QTest::addRow("upper-case host, %s", locale)
                << QByteArray("http://QUILL.LOCALHOST:PORT/I") << QByteArray(locale) << QByteArray("GET /I HTTP/1.1")
                << QByteArray("quill.localhost:PORT");
            QTest::addRow("IDN, bare, %s", locale)
                << QByteArray("b\xc3\xbc" "cher.localhost:PORT") << QByteArray(locale) << QByteArray("GET / HTTP/1.1")
                << QByteArray("xn--bcher-kva.localhost:PORT");
            QTest::addRow("IDN with scheme and path, %s", locale)
                << QByteArray("http://B\xc3\x9c" "cher.localhost:PORT/b\xc3\xbc" "cher") << QByteArray(locale)
                << QByteArray("GET /b%c3%bccher HTTP/1.1") << QByteArray("xn--bcher-kva.localhost:PORT");
        }
    }

    void nameGoesDirectWhateverTheEnvironmentSays()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, locale);
        QFETCH(QByteArray, requestLine);
        QFETCH(QByteArray, host);
        if (locale.startsWith("tr_TR") && ranInChild(TurkishLocale))
            return;
        ScriptedServer server;
        server.reply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        ScriptedServer proxy;
        const QByteArrayList variables{"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                       "ALL_PROXY"};
        for (const QByteArray &variable : variables)
            qputenv(variable, proxy.url());
        qputenv("no_proxy", "elsewhere.example");
        qputenv("NO_PROXY", "elsewhere.example");
        const QByteArray before = std::setlocale(LC_ALL, nullptr);
        QVERIFY(std::setlocale(LC_ALL, locale.constData()));
        const QByteArray port = QByteArray::number(server.port());

        CurlTransfer inet;
        const std::optional<QString> failure = openFailure(inet, QByteArray(name).replace("PORT", port));
        std::setlocale(LC_ALL, before.constData());
        for (const QByteArray &variable : variables + QByteArrayList{"no_proxy", "NO_PROXY"})
            qunsetenv(variable.constData());

        QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
        QCOMPARE(proxy.requestCount(), 0);
        QCOMPARE(server.requestCount(), 1);
        const QList<QByteArray> head = server.requestHeads().first().split('\n');
        QCOMPARE(upperEscapes(head[0]), upperEscapes(requestLine + '\r'));
        QCOMPARE(head[1], "Host: " + host.replace("PORT", port) + '\r');
    }

    // A setting libcurl does not take fails with libcurl's reason and the
    // setting's name, whatever the release says in its own words.
    void refusedSettingFails()
    {
        CURL *easy = curl_easy_init();
        const CURLcode refused = curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,nosuchscheme");
        QVERIFY(refused != CURLE_OK);
        std::optional<Failure> failure;
        try {
            setTransferOption(easy, CURLOPT_PROTOCOLS_STR, "http,nosuchscheme", "protocol allow-list");
        } catch (const Failure &thrown) {
            failure = thrown;
        }
        curl_easy_cleanup(easy);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->number(), int(refused));
        QCOMPARE(failure->description(), QStringLiteral("libcurl refused a transfer setting (protocol allow-list): ")
                                             + QString::fromUtf8(curl_easy_strerror(refused)));
    }

    void asciiHost_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("sent");
        const QByteArray ascii = "xn--bcher-kva.example";
        const QByteArray utf8 = "b\xc3\xbc" "cher.example";
        QTest::newRow("ASCII host in lower case, the rest as it was")
            << QByteArray("Quill.Example/P\xc3\xbc?Q=I#F") << QByteArray("quill.example/P\xc3\xbc?Q=I#F");
        QTest::newRow("scheme, user, port and path keep their case")
            << QByteArray("HTTP://User:Pw@QUILL.Example:80/PATH") << QByteArray("HTTP://User:Pw@quill.example:80/PATH");
        QTest::newRow("lower case already")
            << QByteArray("http://quill.example/A") << QByteArray("http://quill.example/A");
        QTest::newRow("IP literal with a zone keeps its case")
            << QByteArray("http://[FE80::1%25ETH0]:8080/A") << QByteArray("http://[FE80::1%25ETH0]:8080/A");
        QTest::newRow("non-ASCII host with capitals") << QByteArray("B\xc3\x9c" "CHER.Example") << ascii;
        QTest::newRow("bare host") << utf8 << ascii;
        QTest::newRow("every part around the host stays")
            << "HTTPS://us\xc3\xa9r:p@" + utf8 + ":8080/P\xc3\xa4th?q=\xc3\xbc#F"
            << "HTTPS://us\xc3\xa9r:p@" + ascii + ":8080/P\xc3\xa4th?q=\xc3\xbc#F";
        QTest::newRow("query right after the host") << utf8 + "?x" << ascii + "?x";
        QTest::newRow("blanks around the name stay") << " " + utf8 + " " << " " + utf8 + " ";
        QTest::newRow("not UTF-8") << QByteArray("b\xfc" "cher.example") << QByteArray("b\xfc" "cher.example");
        QTest::newRow("not a valid IDN") << QByteArray("\xef\xbf\xbd.example") << QByteArray("\xef\xbf\xbd.example");
        const QByteArray tooLong = QByteArray("\xc3\xbc").repeated(64) + ".example";
        QTest::newRow("label too long for an IDN") << tooLong << tooLong;
        QTest::newRow("IP literal") << QByteArray("http://[::1]/\xc3\xbc") << QByteArray("http://[::1]/\xc3\xbc");
        QTest::newRow("no host") << QByteArray("http:///\xc3\xbc") << QByteArray("http:///\xc3\xbc");
        QTest::newRow("no scheme before ://") << "x" + utf8 + "://" + utf8 << "x" + utf8 + "://" + utf8;
        QTest::newRow("no scheme before ://, ASCII") << QByteArray("1X://Y.Z") << QByteArray("1X://Y.Z");
        QTest::newRow("bare host, :// in its query") << utf8 + "?u=http://" + utf8 << ascii + "?u=http://" + utf8;
    }

    void asciiHost()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, sent);
        QCOMPARE(withAsciiHost(name), sent);
    }

    // The DNS server holds its answer for two seconds: the event loop must
    // go on meanwhile. A lookup that blocks, as the control lookup on this
    // thread does, lets no tick through while the answer is held.
    void hostNameIsResolvedWhileWaiting()
    {
        if (ranInChild(OwnNames))
            return;
        ScriptedDns dns;
        QVERIFY2(dns.isReady(), qPrintable(dns.error()));
        dns.answer("slow.quill.test", std::chrono::seconds(2));
        dns.answer("blocking.quill.test", std::chrono::seconds(2));
        ScriptedServer server;
        server.reply("HTTP/1.1 200 OK\r\n\r\n");
        int ticksWhileHeld = 0;
        QTimer ticker;
        ticker.setInterval(20);
        QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileHeld += dns.holding() ? 1 : 0; });
        ticker.start();

        addrinfo *found = nullptr;
        QCOMPARE(::getaddrinfo("blocking.quill.test", "80", nullptr, &found), 0);
        ::freeaddrinfo(found);
        QCoreApplication::processEvents();
        QCOMPARE(ticksWhileHeld, 0);
        QCOMPARE(dns.queries("blocking.quill.test") > 0, true);

        CurlTransfer inet;
        QCOMPARE(openFailure(inet, "SLOW.quill.test:" + QByteArray::number(server.port()) + "/x"), std::nullopt);
        QCOMPARE(inet.GetHeader(), QByteArray("HTTP/1.1 200 OK\r\n\r\n"));
        QVERIFY(server.requestHeads().first().startsWith("GET /x HTTP/1.1\r\nHost: slow.quill.test:"));
        QVERIFY(dns.queries("slow.quill.test") > 0);
        // Two seconds of 20 ms ticks: a good many, even on a loaded machine.
        QVERIFY2(ticksWhileHeld >= 10, qPrintable(QString::number(ticksWhileHeld)));

        // A lookup that outlasts the request's time-out ends the request then.
        dns.answer("slower.quill.test", std::chrono::seconds(5));
        CurlTransfer hurried(kShortTimeout);
        const std::optional<QString> failure =
            openFailure(hurried, "slower.quill.test:" + QByteArray::number(server.port()));
        QVERIFY(failure.has_value());
        QVERIFY2(failure->contains(QStringLiteral("timed out after")), qPrintable(*failure));
        QVERIFY(dns.holding());
    }

    // A libcurl that could only block while it looks a name up makes no
    // request at all: nothing is looked up, nothing is sent.
    void noRequestWithoutAsynchronousResolution()
    {
        if (ranInChild(OwnNames | NoAsyncResolver))
            return;
        const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
        QVERIFY(!(info->features & CURL_VERSION_ASYNCHDNS));
        ScriptedDns dns;
        QVERIFY2(dns.isReady(), qPrintable(dns.error()));
        dns.answer("slow.quill.test", std::chrono::seconds(2));
        ScriptedServer server;
        server.reply("HTTP/1.1 200 OK\r\n\r\n");
        CurlTransfer inet;
        for (const QByteArray &url : {"slow.quill.test:" + QByteArray::number(server.port()), server.url()}) {
            const std::optional<QString> failure = openFailure(inet, url);
            QVERIFY(failure.has_value());
            QVERIFY2(failure->contains(QStringLiteral("lacks asynchronous name resolution")), qPrintable(*failure));
            QCOMPARE(inet.GetHeader(), QByteArray());
        }
        QCOMPARE(dns.queries("slow.quill.test"), 0);
        QCOMPARE(server.requestCount(), 0);
    }

    // A multi handle that refuses fails the transfer in libcurl's words,
    // and the next transfer goes through.
    void multiHandleFailureInLibcurlsWords()
    {
        CURL *easy = curl_easy_init();
        CURLM *other = curl_multi_init();
        QCOMPARE(curl_multi_add_handle(other, easy), CURLM_OK);
        CurlEventLoop loop;
        std::optional<Failure> failure;
        try {
            loop.perform(easy, [] { return false; });
        } catch (const Failure &thrown) {
            failure = thrown;
        }
        curl_multi_remove_handle(other, easy);
        curl_multi_cleanup(other);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->description(), QString::fromUtf8(curl_multi_strerror(CURLM_ADDED_ALREADY)));
        QCOMPARE(failure->number(), int(CURLM_ADDED_ALREADY));

        ScriptedServer server;
        server.reply("HTTP/1.1 200 OK\r\n\r\n");
        const QByteArray url = server.url();
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        const auto discard = [](char *, size_t size, size_t count, void *) { return size * count; };
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, +discard);
        QCOMPARE(loop.perform(easy, [] { return false; }), CURLE_OK);
        curl_easy_cleanup(easy);
        QCOMPARE(server.requestCount(), 1);
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
