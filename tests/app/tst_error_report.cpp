#include "app/qt_platform.h"
#include "core/error_report.h"
#include "core/procedure.h"
#include "fake_platform.h"

#include <QFile>
#include <QTest>

#include <stdexcept>

using namespace quill;
using quill::test::FakeBoxes;

namespace {

const QString kPath = QStringLiteral("in Tavrelle2021/08/31.Form1.PushButton1_Click ");

QString report(const QString &description, int step)
{
    return description + QStringLiteral("\r\nin Tavrelle2021/08/31.Form1.PushButton1_Click at line ")
        + QString::number(step) + QStringLiteral("\r\rPlease email screenshot of this message to support@tavrelle.com");
}

// A routine without a trap of its own: its failure belongs to the caller.
void twoPartRoutine(QStringList &log)
{
    log << QStringLiteral("first half");
    throw Failure(QStringLiteral("routine failed"));
}

} // namespace

class ErrorReportTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportText_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file open") << QStringLiteral("Permission denied") << 130
                                   << report(QStringLiteral("Permission denied"), 130);
        QTest::newRow("empty description starts with CR LF")
            << QString() << 100
            << QStringLiteral("\r\nin Tavrelle2021/08/31.Form1.PushButton1_Click at line 100\r\rPlease email "
                              "screenshot of this message to support@tavrelle.com");
        QTest::newRow("three digits, no padding") << QStringLiteral("x") << 142 << report(QStringLiteral("x"), 142);
        QTest::newRow("description with its own line break")
            << QStringLiteral("a\nb") << 104 << report(QStringLiteral("a\nb"), 104);
    }

    void reportText()
    {
        QFETCH(QString, description);
        QFETCH(int, step);
        QFETCH(QString, expected);
        const QString text = errorReportText(kPath, step, description);
        QCOMPARE(text, expected);
        QVERIFY(!text.contains(QLatin1String("line  ")));
        QCOMPARE(text.count(QLatin1String("\r\n")), 1 + description.count(QLatin1String("\r\n")));
    }

    void procedurePathIsBuiltFromModuleAndName()
    {
        QCOMPARE(procedurePath(QStringLiteral("Valid"), QStringLiteral("CheckURL")),
                 QStringLiteral("in Tavrelle2021/08/31.Valid.CheckURL "));
    }

    void reportBoxIsAWarningWithOkTitledApplicationError()
    {
        FakeBoxes boxes;
        boxes.answerMessage(Answer::Ok);
        ShowErrorReport(boxes, kPath, 130, QStringLiteral("Disk full"));
        QCOMPARE(boxes.shown().size(), 1);
        const auto &box = boxes.shown().first();
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QCOMPARE(box.text, report(QStringLiteral("Disk full"), 130));
        QCOMPARE(box.buttons, Buttons::Ok);
        QCOMPARE(box.icon, Icon::Warning);
    }

    void boxShowsThreeLinesWithAnEmptyLineBeforeTheRequest()
    {
        const QStringList lines = displayText(report(QStringLiteral("Disk full"), 130)).split(u'\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("Disk full"));
        QCOMPARE(lines[1], QStringLiteral("in Tavrelle2021/08/31.Form1.PushButton1_Click at line 130"));
        QCOMPARE(lines[2], QString());
        QVERIFY(lines[3].startsWith(QLatin1String("Please email screenshot")));
    }

    void failedStepGoesOnWithTheNextStep()
    {
        FakeBoxes boxes;
        boxes.answerMessage(Answer::Ok);
        Procedure proc(boxes, kPath);
        QStringList log;
        proc.step(130, [&] {
            log << QStringLiteral("130 began");
            throw Failure(QStringLiteral("Permission denied"));
            log << QStringLiteral("130 finished");
        });
        proc.step(132, [&] { log << QStringLiteral("132"); });
        QCOMPARE(log, (QStringList{QStringLiteral("130 began"), QStringLiteral("132")}));
        QCOMPARE(boxes.reports(), QStringList{report(QStringLiteral("Permission denied"), 130)});
    }

    void failedTestTakesItsTrueBranch()
    {
        FakeBoxes boxes;
        boxes.answerMessage(Answer::Ok);
        Procedure proc(boxes, kPath);
        bool trueBranch = false;
        if (proc.metOrFailed(120, []() -> bool { throw Failure(QStringLiteral("cannot tell")); }))
            trueBranch = true;
        QVERIFY(trueBranch);
        QCOMPARE(boxes.reports().size(), 1);
    }

    void failureInEveryLoopPassIsReportedOncePerPass()
    {
        FakeBoxes boxes;
        for (int i = 0; i < 3; ++i)
            boxes.answerMessage(Answer::Ok);
        Procedure proc(boxes, kPath);
        int bodyTails = 0;
        for (int i = 1; i <= 3; ++i) {
            proc.step(136, [] { throw Failure(QStringLiteral("Bad file name or number"), 52); });
            proc.step(138, [&] { ++bodyTails; });
        }
        QCOMPARE(bodyTails, 3);
        const QString expected = report(QStringLiteral("Bad file name or number"), 136);
        QCOMPARE(boxes.reports(), (QStringList{expected, expected, expected}));
    }

    void valueReturningProcedureReturnsWhatItsResultHeld()
    {
        FakeBoxes boxes;
        boxes.answerMessage(Answer::Ok);
        const auto compute = [&] {
            Procedure proc(boxes, kPath);
            QString result;
            proc.step(110, [&] { result = QStringLiteral("200 OK"); });
            proc.step(112, [&] {
                throw Failure(QStringLiteral("cut failed"));
                result = QStringLiteral("never");
            });
            return result;
        };
        QCOMPARE(compute(), QStringLiteral("200 OK"));
    }

    void routineWithoutTrapFailsToItsCallersStep()
    {
        FakeBoxes boxes;
        boxes.answerMessage(Answer::Ok);
        Procedure proc(boxes, kPath);
        QStringList log;
        proc.step(132, [&] {
            twoPartRoutine(log);
            log << QStringLiteral("after the routine");
        });
        QCOMPARE(log, QStringList{QStringLiteral("first half")});
        QCOMPARE(boxes.reports(), QStringList{report(QStringLiteral("routine failed"), 132)});
    }

    void platformFailuresKeepThePlatformsOwnText()
    {
        FakeBoxes boxes;
        boxes.answerMessage(Answer::Ok);
        boxes.answerMessage(Answer::Ok);
        Procedure proc(boxes, kPath);
        QString platformText;
        proc.step(130, [&] {
            QFile file(QStringLiteral("/nonexistent-folder/list.txt"));
            if (!file.open(QIODevice::WriteOnly)) {
                platformText = file.errorString();
                throw Failure(file.errorString());
            }
        });
        proc.step(134, [] { throw std::runtime_error("standard failure text"); });
        QVERIFY(!platformText.isEmpty());
        QCOMPARE(boxes.reports(), (QStringList{report(platformText, 130), report(QStringLiteral("standard failure text"), 134)}));
    }
};

QTEST_MAIN(ErrorReportTest)
#include "tst_error_report.moc"
