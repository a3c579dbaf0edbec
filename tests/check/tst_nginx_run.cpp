#include "check_run_fixture.h"
#include "local_nginx.h"
#include "local_tls_server.h"
#include "local_tinyproxy.h"
#include "report_places.h"
#include "scripted_server.h"
#include "test_certificates.h"
#include "missing_tool.h"
#include "window_fixture.h"

#include <QSet>
#include <QTest>

#include <curl/curl.h>

using namespace quill;
using namespace quill::test;

using Kind = TestCertificates::Kind;

namespace {

const QList<int> kFailedFetch{108, 110, 112};

// What a careful libcurl client says when fetching the address with its
// own defaults (certificates checked, the environment's proxy taken), and
// the HTTP version it got to speak.
struct Fetched {
    QString error;
    long version = 0;
};

Fetched fetchAsLibcurlDoes(const QByteArray &url, const QString &authority, bool verify, long version)
{
    CURL *easy = curl_easy_init();
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, version);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, verify ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
    const QByteArray ca = authority.toLocal8Bit();
    if (!ca.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, ca.constData());
    Fetched fetched;
    if (curl_easy_perform(easy) != CURLE_OK)
        fetched.error = QString::fromUtf8(error);
    curl_easy_getinfo(easy, CURLINFO_HTTP_VERSION, &fetched.version);
    curl_easy_cleanup(easy);
    return fetched;
}

QString logLineOf(const QStringList &log, const QString &request)
{
    for (const QString &line : log)
        if (line.contains(request))
            return line;
    return QString();
}

} // namespace

// Runs against real servers that nobody here wrote.
class NginxRunTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (LocalNginx::program().isEmpty())
            QUILL_MISSING_TOOL("nginx is not installed (scripts/install-deps --test installs it)");
    }

    void runSortsWhatNginxServes()
    {
        LocalNginx nginx({{QStringLiteral("index.html"), "<p>here</p>\n"},
                          {QStringLiteral("sub/index.html"), "<p>below</p>\n"}});
        QVERIFY2(nginx.isRunning(), qPrintable(nginx.error()));

        CurlWindow t;
        const QByteArray home = nginx.url("/");
        const QByteArray page = nginx.url("/index.html");
        const QByteArray folder = nginx.url("/sub"); // 301 to /sub/, not followed
        const QByteArray missing = nginx.url("/missing");
        const QByteArray deeper = nginx.url("/missing/deeper.html");
        t.addPending({home, missing, folder, page, deeper});
        t.window->PushButton4_Click();

        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), (QByteArrayList{home, folder, page}));
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView3), (QByteArrayList{missing, deeper}));
        QVERIFY(t.fakes.boxes.shown().isEmpty());
        const QStringList log = nginx.accessLog(5);
        QCOMPARE(log.size(), 5);
        QVERIFY2(log[2].contains(QLatin1String("\"GET /sub HTTP/1.1\" 301")), qPrintable(log[2]));
        QVERIFY2(log[1].contains(QLatin1String("\"GET /missing HTTP/1.1\" 404")), qPrintable(log[1]));
        // Small bodies come with their headers: stopping after the headers
        // need not cost the connection.
        QSet<QString> connections;
        for (const QString &line : log)
            connections.insert(line.section(u' ', 0, 0));
        QVERIFY2(connections.size() < log.size(), qPrintable(log.join(u'\n')));
    }

    void tlsServerAnswersWhateverItsCertificate_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("withTestAuthority");
        // What a careful client says: OpenSSL's verify result, in the words
        // libcurl wraps it in ("SSL certificate problem: ..." until 8.20,
        // "SSL certificate OpenSSL verify result: ... (N)" since).
        QTest::addColumn<QString>("refusal");
        QTest::newRow("good certificate") << Kind::Good << true << QString();
        QTest::newRow("self-signed") << Kind::SelfSigned << true << QStringLiteral("self-signed certificate");
        QTest::newRow("expired") << Kind::Expired << true << QStringLiteral("certificate has expired");
        QTest::newRow("unknown CA") << Kind::Good << false
                                    << QStringLiteral("unable to get local issuer certificate");
        QTest::newRow("other host's") << Kind::OtherHost << true
                                      << QStringLiteral("SSL: no alternative certificate subject name matches");
    }

    void tlsServerAnswersWhateverItsCertificate()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, withTestAuthority);
        QFETCH(QString, refusal);
        QVERIFY2(m_certificates.isReady(), qPrintable(m_certificates.error()));
        LocalNginx nginx({{QStringLiteral("index.html"), "<p>here</p>\n"}},
                         {m_certificates.certificate(kind), m_certificates.key(), false});
        QVERIFY2(nginx.isRunning(), qPrintable(nginx.error()));
        const QByteArray home = nginx.tlsUrl("/");
        const QByteArray missing = nginx.tlsUrl("/missing");
        // TLS to a port that speaks plain HTTP is a failure, not an answer.
        QByteArray plain = nginx.url("/");
        plain.replace("http://", "https://");

        const Fetched careful = fetchAsLibcurlDoes(
            home, withTestAuthority ? m_certificates.authority() : QString(), true, CURL_HTTP_VERSION_2TLS);
        if (refusal.isEmpty())
            QCOMPARE(careful.error, QString());
        else
            QVERIFY2(careful.error.startsWith(QLatin1String("SSL")) && careful.error.contains(refusal),
                     qPrintable(careful.error));
        // The server offers HTTP/2 to whoever asks for it.
        QCOMPARE(fetchAsLibcurlDoes(home, QString(), false, CURL_HTTP_VERSION_2TLS).version,
                 long(CURL_HTTP_VERSION_2_0));
        // A refused certificate ends the careful fetch before its request.
        const qsizetype checked = nginx.accessLog(refusal.isEmpty() ? 2 : 1).size();

        CurlWindow t;
        t.addPending({home, missing, plain});
        for (int i = 0; i < 3; ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);
        t.window->PushButton4_Click();

        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), QByteArrayList{home});
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView3), (QByteArrayList{missing, plain}));
        QCOMPARE(reportPlaces(t.fakes.boxes), checkUrlPlaces(kFailedFetch));
        QVERIFY2(t.fakes.boxes.reports().first().contains(QLatin1String("wrong version number")),
                 qPrintable(t.fakes.boxes.reports().first()));
        // HTTP/1.1 although the server offers HTTP/2.
        const QStringList log = nginx.accessLog(checked + 3).mid(checked);
        QVERIFY2(logLineOf(log, QStringLiteral("\"GET / ")).endsWith(QLatin1String("\"GET / HTTP/1.1\" 200")),
                 qPrintable(log.join(u'\n')));
        QVERIFY2(logLineOf(log, QStringLiteral("\"GET /missing "))
                     .endsWith(QLatin1String("\"GET /missing HTTP/1.1\" 404")),
                 qPrintable(log.join(u'\n')));
    }

    // Servers a careful client refuses for their old TLS still answer for
    // their names.
    void oldTlsServersAnswer_data()
    {
        QTest::addColumn<LocalTlsServer::Kind>("kind");
        QTest::newRow("TLS 1.0 only") << LocalTlsServer::Kind::Tls10Only;
        QTest::newRow("no secure renegotiation") << LocalTlsServer::Kind::NoSecureRenegotiation;
    }

    void oldTlsServersAnswer()
    {
        QFETCH(LocalTlsServer::Kind, kind);
        if (LocalTlsServer::program(kind).isEmpty())
            QUILL_MISSING_TOOL("the server is not installed (scripts/install-deps --test installs it)");
        QVERIFY2(m_certificates.isReady(), qPrintable(m_certificates.error()));
        LocalTlsServer server(kind, m_certificates.certificate(Kind::Good), m_certificates.key());
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        const QByteArray home = server.url("/");
        QVERIFY(!fetchAsLibcurlDoes(home, QString(), false, CURL_HTTP_VERSION_1_1).error.isEmpty());

        CurlWindow t;
        t.addPending({home});
        t.window->PushButton4_Click();

        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), QByteArrayList{home});
        QVERIFY(t.fakes.boxes.shown().isEmpty());
    }

    void environmentsProxyIsNotAsked_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<bool>("tls");
        QTest::newRow("http_proxy") << QByteArray("http_proxy") << false;
        QTest::newRow("all_proxy, http") << QByteArray("all_proxy") << false;
        QTest::newRow("ALL_PROXY, http") << QByteArray("ALL_PROXY") << false;
        QTest::newRow("https_proxy") << QByteArray("https_proxy") << true;
        QTest::newRow("HTTPS_PROXY") << QByteArray("HTTPS_PROXY") << true;
        QTest::newRow("all_proxy, https") << QByteArray("all_proxy") << true;
    }

    void environmentsProxyIsNotAsked()
    {
        QFETCH(QByteArray, variable);
        QFETCH(bool, tls);
        if (LocalTinyproxy::program().isEmpty())
            QUILL_MISSING_TOOL("tinyproxy is not installed (scripts/install-deps --test installs it)");
        LocalTinyproxy proxy;
        QVERIFY2(proxy.isRunning(), qPrintable(proxy.error()));
        QVERIFY2(m_certificates.isReady(), qPrintable(m_certificates.error()));
        LocalNginx nginx({{QStringLiteral("index.html"), "<p>here</p>\n"}},
                         {m_certificates.certificate(Kind::Good), m_certificates.key(), false});
        QVERIFY2(nginx.isRunning(), qPrintable(nginx.error()));
        RefusingPort refusing;
        const QByteArray scheme = tls ? "https://" : "http://";
        const QByteArray home = tls ? nginx.tlsUrl("/") : nginx.url("/");
        const QByteArray missing = tls ? nginx.tlsUrl("/missing") : nginx.url("/missing");
        const QByteArray unreachable = scheme + "127.0.0.1:" + QByteArray::number(refusing.port()) + "/";

        qputenv(variable.constData(), proxy.url());
        qputenv("no_proxy", "elsewhere.example");
        // libcurl on its own would ask the proxy, which answers for the name.
        fetchAsLibcurlDoes(unreachable, QString(), false, CURL_HTTP_VERSION_1_1);
        const int asked = proxy.requestCount();
        CurlWindow t;
        t.addPending({unreachable, home, missing});
        for (int i = 0; i < 3; ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);
        t.window->PushButton4_Click();
        qunsetenv(variable.constData());
        qunsetenv("no_proxy");

        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), QByteArrayList{home});
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView3), (QByteArrayList{unreachable, missing}));
        QCOMPARE(asked, 1);
        QCOMPARE(proxy.requestCount(), asked);
        QCOMPARE(reportPlaces(t.fakes.boxes), checkUrlPlaces(kFailedFetch));
        QVERIFY2(t.fakes.boxes.reports().first().contains(QString::fromUtf8(curl_easy_strerror(CURLE_COULDNT_CONNECT))),
                 qPrintable(t.fakes.boxes.reports().first()));
    }

private:
    TestCertificates m_certificates;
};

QTEST_MAIN(NginxRunTest)
#include "tst_nginx_run.moc"
