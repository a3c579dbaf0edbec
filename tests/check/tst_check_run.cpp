#include "check_run_fixture.h"
#include "scripted_server.h"
#include "window_fixture.h"

#include "check/check_run.h"
#include "core/busy.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace quill;
using namespace quill::test;

namespace {

const QByteArray kTaken = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
const QByteArray kFree = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";

// A run over three names whose second reply the server holds back while
// `whileHeld` runs: the window handles events as that request waits.
struct RunWithAHeldReply {
    RunWithAHeldReply()
    {
        server.reply(kTaken);
        server.push({kFree, 0, false, true});
        server.reply(kTaken);
        t.addPending(pending);
    }

    void run(const std::function<void()> &whileHeld)
    {
        server.onRequest = [&](int request) {
            if (request != 2)
                return;
            held = true;
            // Let go also when a check inside fails and returns early.
            const std::unique_ptr<ScriptedServer, void (*)(ScriptedServer *)> release(
                &server, [](ScriptedServer *s) { s->release(); });
            whileHeld();
        };
        controls(*t.window).PushButton4->click();
    }

    ScriptedServer server;
    CurlWindow t;
    const QByteArrayList pending{server.url("/a"), server.url("/b"), server.url("/c")};
    bool held = false;
};

} // namespace

class CheckRunTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyPendingList()
    {
        CurlWindow t;
        Form1 &w = *t.window;
        controls(w).ListView2->ListItems().Add(QByteArrayView("kept.example"));
        t.fakes.boxes.answerMessage(Answer::Ok, [&] {
            QVERIFY(w.CheckRunning);
            QCOMPARE(w.MousePointer(), Pointer::Default);
            // A run is under way while the message shows: nothing starts.
            controls(w).PushButton4->click();
        });
        controls(w).PushButton4->click();

        const QList<ShownBox> shown = t.fakes.boxes.shown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("No domain(s) added."));
        QCOMPARE(shown[0].title, w.applicationTitle());
        QCOMPARE(shown[0].buttons, Buttons::Ok);
        QCOMPARE(shown[0].icon, Icon::None);
        QVERIFY(!w.CheckRunning);
        QCOMPARE(w.MousePointer(), Pointer::Default);
        QCOMPARE(CurlWindow::entries(controls(w).ListView2), QByteArrayList{"kept.example"});
        QCOMPARE(controls(w).ListView3->ListItems().Count(), 0);
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

    void sortsEveryName_data()
    {
        QTest::addColumn<QByteArrayList>("pending"); // paths on the scripted server; "refused", "" as they say
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QByteArrayList>("taken");
        QTest::addColumn<QByteArrayList>("available");
        QTest::addColumn<int>("reports");

        QTest::newRow("only the second taken")
            << QByteArrayList{"/a", "/b", "/c"} << QByteArrayList{kFree, kTaken, kFree} << QByteArrayList{"/b"}
            << QByteArrayList{"/a", "/c"} << 0;
        QTest::newRow("duplicates each probed") << QByteArrayList{"/a", "/a", "/a"}
                                                << QByteArrayList{kTaken, kFree, kTaken}
                                                << QByteArrayList{"/a", "/a"} << QByteArrayList{"/a"} << 0;
        QTest::newRow("empty name, no request") << QByteArrayList{"", "/a"} << QByteArrayList{kTaken}
                                                << QByteArrayList{"/a"} << QByteArrayList{""} << 0;
        QTest::newRow("failed request, then on") << QByteArrayList{"refused", "/a"} << QByteArrayList{kTaken}
                                                 << QByteArrayList{"/a"} << QByteArrayList{"refused"} << 3;
        QTest::newRow("a redirect counts as taken")
            << QByteArrayList{"/old"} << QByteArrayList{"HTTP/1.1 302 Found\r\nLocation: /new\r\n\r\n"}
            << QByteArrayList{"/old"} << QByteArrayList{} << 0;
    }

    void sortsEveryName()
    {
        QFETCH(QByteArrayList, pending);
        QFETCH(QByteArrayList, replies);
        QFETCH(QByteArrayList, taken);
        QFETCH(QByteArrayList, available);
        QFETCH(int, reports);

        ScriptedServer server;
        RefusingPort refusing;
        const auto name = [&](const QByteArray &path) {
            if (path == "refused")
                return "http://127.0.0.1:" + QByteArray::number(refusing.port()) + "/";
            return path.isEmpty() ? QByteArray() : server.url(path);
        };
        const auto names = [&](const QByteArrayList &paths) {
            QByteArrayList result;
            for (const QByteArray &path : paths)
                result.append(name(path));
            return result;
        };
        for (const QByteArray &reply : replies)
            server.reply(reply);
        CurlWindow t;
        t.addPending(names(pending));
        for (int i = 0; i < reports; ++i)
            t.fakes.boxes.answerMessage(Answer::Ok);

        t.window->PushButton4_Click();

        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView2), names(taken));
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView3), names(available));
        QCOMPARE(CurlWindow::entries(controls(*t.window).ListView1), names(pending));
        QCOMPARE(server.requestCount(), replies.size());
        QCOMPARE(t.fakes.boxes.reports().size(), reports);
        QCOMPARE(t.window->MousePointer(), Pointer::Default);
        QVERIFY(!t.window->CheckRunning);
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

    // What a screen reader is told of a run: its start with the number of
    // names, how far it has come while requests wait, and its verdicts at
    // the end, after every report is answered.
    void announcesItsCourse_data()
    {
        QTest::addColumn<QByteArrayList>("replies"); // one name each; "fails": the request fails
        QTest::addColumn<int>("waitMs");             // each request takes this long
        QTest::addColumn<QStringList>("said");       // progress left out
        QTest::addColumn<bool>("progress");          // told at least once
        QTest::newRow("three quick names") << QByteArrayList{kTaken, kFree, kFree} << 0
                                           << QStringList{QStringLiteral("Checking 3 names."),
                                                          QStringLiteral("Check done: 1 taken, 2 available.")}
                                           << false;
        QTest::newRow("a slow reply") << QByteArrayList{kTaken} << 350
                                      << QStringList{QStringLiteral("Checking 1 name."),
                                                     QStringLiteral("Check done: 1 taken, 0 available.")}
                                      << true;
        QTest::newRow("a failed request, reported") << QByteArrayList{"fails", kTaken} << 0
                                                    << QStringList{QStringLiteral("Checking 2 names."),
                                                                   QStringLiteral("Check done: 1 taken, 1 available.")}
                                                    << false;
    }

    void announcesItsCourse()
    {
        QFETCH(QByteArrayList, replies);
        QFETCH(int, waitMs);
        QFETCH(QStringList, said);
        QFETCH(bool, progress);
        FakePlatform fakes;
        fakes.boxes.answerReportsWithOk();
        DomainList pending;
        DomainList taken;
        DomainList available;
        for (const QByteArray &reply : std::as_const(replies)) {
            pending.Add(QByteArrayView("name.example"));
            reply == "fails" ? fakes.inet.failWith(QStringLiteral("Could not connect")) : fakes.inet.reply(reply);
        }
        fakes.inet.during = [waitMs](const QByteArray &) { QTest::qWait(waitMs); };
        const QString title = QStringLiteral("Quillmere");
        BusyRecord busy;
        bool running = false;
        const Platform platform = fakes.platform();
        CheckRunContext context{platform, title, busy, pending, taken, available, running};
        context.progressIntervalMs = 100;

        check::PushButton4_Click(context);

        QStringList told = fakes.announcer.said;
        const qsizetype progressTold = told.removeAll(QStringLiteral("0 of 1 checked."));
        QCOMPARE(told, said);
        QCOMPARE(progressTold > 0, progress);
        QCOMPARE(fakes.announcer.boxesBefore.constLast(), fakes.boxes.shown().size());
        QCOMPARE(fakes.announcer.boxesBefore.constFirst(), 0);
    }

    void secondRunAppendsAgain()
    {
        ScriptedServer server;
        for (const QByteArray &reply : {kTaken, kFree, kTaken, kFree})
            server.reply(reply);
        CurlWindow t;
        t.addPending({server.url("/a"), server.url("/b")});
        t.window->PushButton4_Click();
        t.window->PushButton4_Click();
        const Form1Controls ui(*t.window);
        QCOMPARE(CurlWindow::entries(ui.ListView2), (QByteArrayList{server.url("/a"), server.url("/a")}));
        QCOMPARE(CurlWindow::entries(ui.ListView3), (QByteArrayList{server.url("/b"), server.url("/b")}));
        QCOMPARE(server.requestCount(), 4);
    }

    // While a request waits, the window handles clicks and keys: what the
    // busy run must refuse, and what it must not.
    void windowWhileARequestWaits()
    {
        RunWithAHeldReply r;
        Form1 &w = *r.t.window;
        controls(w).ListView2->ListItems().Add(QByteArrayView("earlier.example"));
        controls(w).ListView2->ListItems().publish();

        r.run([&] {
            QVERIFY(w.CheckRunning);
            QCOMPARE(w.MousePointer(), Pointer::Busy);
            // The first result comes into sight while the second one waits.
            QTRY_COMPARE(controls(w).ListView2->model()->rowCount(), 2);

            controls(w).PushButton4->click(); // a second run does not start
            for (DomainListView *view : {controls(w).ListView1, controls(w).ListView2}) {
                view->setCurrentIndex(view->model()->index(0, 0));
                QTest::keyClick(view, Qt::Key_Delete);
                w.ListView_DblClick(view);
            }
            controls(w).PushButton11->click(); // the pending list's clear is refused
            QCOMPARE(controls(w).ListView1->ListItems().Count(), 3);
            controls(w).PushButton2->click(); // the taken list's is not
            QCOMPARE(controls(w).ListView2->ListItems().Count(), 0);
            controls(w).PushButton7->click(); // names added now wait for the next run
        });

        const QByteArrayList &pending = r.pending;
        QVERIFY(r.held);
        QCOMPARE(r.server.requestCount(), 3);
        QVERIFY(r.t.fakes.boxes.shown().isEmpty());
        QCOMPARE(CurlWindow::entries(controls(w).ListView2), QByteArrayList{pending[2]});
        QCOMPARE(CurlWindow::entries(controls(w).ListView3), QByteArrayList{pending[1]});
        QCOMPARE(CurlWindow::entries(controls(w).ListView1).mid(0, 3), pending);
        QCOMPARE(controls(w).ListView1->ListItems().Count(), 6);
        QVERIFY(!w.CheckRunning);
        QCOMPARE(w.MousePointer(), Pointer::Default);
    }

    // A load or a save that a click starts while a request waits ends with
    // the run still at work: the run stays busy, and keeps refusing what
    // would shorten the pending list under it.
    void longCommandInsideARun_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("load") << 3;
        QTest::newRow("save") << 1;
    }

    void longCommandInsideARun()
    {
        QFETCH(int, button);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("list.txt"));
        QFile list(file);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("loaded.example\r\n");
        list.close();
        RunWithAHeldReply r;
        Form1 &w = *r.t.window;
        FakeBoxes &boxes = r.t.fakes.boxes;
        if (button == 3) {
            boxes.answerOpen({file});
        } else {
            boxes.answerSave(file);
            boxes.answerMessage(Answer::Yes); // "overwrite?"
        }

        r.run([&] {
            button == 3 ? w.PushButton3_Click() : w.PushButton1_Click();
            QCOMPARE(w.MousePointer(), Pointer::Busy);
            DomainListView *view = controls(w).ListView1;
            view->setCurrentIndex(view->model()->index(0, 0));
            QTest::keyClick(view, Qt::Key_Delete);
            w.ListView_DblClick(view);
            controls(w).PushButton11->click();
            QCOMPARE(view->ListItems().Count(), button == 3 ? 4 : 3);
        });

        QVERIFY(r.held);
        QCOMPARE(r.server.requestCount(), 3);
        QCOMPARE(CurlWindow::entries(controls(w).ListView2), (QByteArrayList{r.pending[0], r.pending[2]}));
        QCOMPARE(CurlWindow::entries(controls(w).ListView3), QByteArrayList{r.pending[1]});
        QCOMPARE(w.MousePointer(), Pointer::Default);
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }
};

QTEST_MAIN(CheckRunTest)
#include "tst_check_run.moc"
