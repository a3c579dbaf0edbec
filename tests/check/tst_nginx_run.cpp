#include "check_run_fixture.h"
#include "local_nginx.h"
#include "window_fixture.h"

#include <QSet>
#include <QTest>

using namespace quill;
using namespace quill::test;

// A run against a real web server that nobody here wrote.
class NginxRunTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runSortsWhatNginxServes()
    {
        if (LocalNginx::program().isEmpty())
            QSKIP("nginx is not installed (scripts/install-deps --test installs it)");
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

        QCOMPARE(CurlWindow::entries(t.window->ListView2), (QByteArrayList{home, folder, page}));
        QCOMPARE(CurlWindow::entries(t.window->ListView3), (QByteArrayList{missing, deeper}));
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
};

QTEST_MAIN(NginxRunTest)
#include "tst_nginx_run.moc"
