#include "app/home_page.h"
#include "core/error_report.h"
#include "list_entries.h"
#include "lists/domain_list.h"
#include "lists/domain_list_view.h"
#include "lists/sample_names.h"
#include "window_fixture.h"

#include <QUrl>

#include <QTest>

#include <algorithm>

using namespace quill;
using namespace quill::test;

namespace {

// The product's own sample names, in their order.
QList<QByteArray> samples()
{
    QList<QByteArray> names;
    for (const char *name : kSampleNames)
        names.append(QByteArray(name));
    return names;
}

const QList<QByteArray> kSamples = samples();

} // namespace

class AddCommandsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addDomain_data()
    {
        QTest::addColumn<QList<QByteArray>>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<QByteArray>>("after");
        QTest::newRow("a name") << QList<QByteArray>{} << QStringLiteral("example.com") << QList<QByteArray>{"example.com"};
        QTest::newRow("cancel or empty adds nothing") << QList<QByteArray>{"a"} << QString() << QList<QByteArray>{"a"};
        QTest::newRow("blanks are kept") << QList<QByteArray>{} << QStringLiteral("  spaced.com \t")
                                         << QList<QByteArray>{"  spaced.com \t"};
        QTest::newRow("blanks only") << QList<QByteArray>{} << QStringLiteral("   ") << QList<QByteArray>{"   "};
        QTest::newRow("a name already there is added again")
            << QList<QByteArray>{"dup.com"} << QStringLiteral("dup.com") << QList<QByteArray>{"dup.com", "dup.com"};
        QTest::newRow("case and form unchanged") << QList<QByteArray>{"x"} << QStringLiteral("HTTP://Ex ample")
                                                 << QList<QByteArray>{"x", "HTTP://Ex ample"};
        QTest::newRow("non-ASCII as UTF-8") << QList<QByteArray>{} << QStringLiteral("bücher.de")
                                            << QList<QByteArray>{"b\xC3\xBC" "cher.de"};
    }

    void addDomain()
    {
        QFETCH(QList<QByteArray>, before);
        QFETCH(QString, typed);
        QFETCH(QList<QByteArray>, after);
        WindowUnderTest t;
        for (const QByteArray &name : before)
            controls(*t.window).ListView1->ListItems().Add(QByteArrayView(name));
        t.fakes.boxes.answerInput(typed);

        t.window->PushButton5_Click();

        QCOMPARE(entries(controls(*t.window).ListView1->ListItems()), after);
        QCOMPARE(controls(*t.window).ListView2->ListItems().Count(), 0);
        QCOMPARE(controls(*t.window).ListView3->ListItems().Count(), 0);
        QCOMPARE(t.fakes.boxes.shown().size(), 1);
        const ShownBox &box = t.fakes.boxes.shown().first();
        QCOMPARE(box.kind, ShownBox::Kind::Input);
        QCOMPARE(box.title, QStringLiteral("Quillmere"));
        QCOMPARE(box.text, QStringLiteral("Enter website address to add: "));
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

    void failingInputBoxIsReportedAndAddsNothing()
    {
        WindowUnderTest t;
        t.fakes.boxes.failNext(ShownBox::Kind::Input, QStringLiteral("Out of memory"), 7);
        t.fakes.boxes.answerMessage(Answer::Ok);
        t.window->PushButton5_Click();
        QCOMPARE(t.fakes.boxes.reports(),
                 QStringList{errorReportText(QStringLiteral("in Tavrelle2021/08/31.Form1.PushButton5_Click "), 100,
                                             QStringLiteral("Out of memory"))});
        QCOMPARE(controls(*t.window).ListView1->ListItems().Count(), 0);
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }

    void sampleData_data()
    {
        QTest::addColumn<QList<QByteArray>>("before");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QList<QByteArray>>("after");
        QTest::newRow("once on an empty list") << QList<QByteArray>{} << 1 << kSamples;
        QTest::newRow("twice repeats the three") << QList<QByteArray>{} << 2 << (kSamples + kSamples);
        QTest::newRow("after existing names") << QList<QByteArray>{"mine.com"} << 1
                                              << (QList<QByteArray>{"mine.com"} + kSamples);
    }

    void sampleData()
    {
        QFETCH(QList<QByteArray>, before);
        QFETCH(int, presses);
        QFETCH(QList<QByteArray>, after);
        WindowUnderTest t;
        for (const QByteArray &name : before)
            controls(*t.window).ListView1->ListItems().Add(QByteArrayView(name));
        for (int i = 0; i < presses; ++i)
            t.window->PushButton7_Click();
        QCOMPARE(entries(controls(*t.window).ListView1->ListItems()), after);
        QCOMPARE(controls(*t.window).ListView2->ListItems().Count(), 0);
        QCOMPARE(controls(*t.window).ListView3->ListItems().Count(), 0);
        QVERIFY(t.fakes.boxes.shown().isEmpty());
    }

    // First the maker's own web host, then a name of letters, then one of
    // letters and digits, each under the web prefix and .com.
    void sampleNamesHaveTheirShape_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("characters"); // allowed between "www." and ".com"
        QTest::addColumn<bool>("digits");        // at least one digit among them
        QTest::newRow("1: the maker's host") << 0 << QString() << false;
        QTest::newRow("2: letters") << 1 << QStringLiteral("abcdefghijklmnopqrstuvwxyz") << false;
        QTest::newRow("3: letters and digits")
            << 2 << QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789") << true;
    }

    void sampleNamesHaveTheirShape()
    {
        QFETCH(int, position);
        QFETCH(QString, characters);
        QFETCH(bool, digits);
        QCOMPARE(kSamples.size(), 3);
        const QString name = QString::fromLatin1(kSamples[position]);
        if (characters.isEmpty()) {
            QCOMPARE(name, QUrl(QString::fromUtf16(kHomePage)).host());
            return;
        }
        QVERIFY2(name.startsWith(QLatin1String("www.")) && name.endsWith(QLatin1String(".com")), qPrintable(name));
        const QString label = name.mid(4, name.size() - 8);
        QVERIFY(label.size() >= 8);
        for (QChar c : label)
            QVERIFY2(characters.contains(c), qPrintable(name));
        QCOMPARE(std::any_of(label.begin(), label.end(), [](QChar c) { return c.isDigit(); }), digits);
        QVERIFY(std::any_of(label.begin(), label.end(), [](QChar c) { return c.isLetter(); }));
    }

    void typedAndSampleNamesGoAfterWhatIsThere()
    {
        WindowUnderTest t;
        t.fakes.boxes.answerInput(QStringLiteral("typed.com"));
        t.window->PushButton7_Click();
        t.window->PushButton5_Click();
        QCOMPARE(entries(controls(*t.window).ListView1->ListItems()), kSamples + QList<QByteArray>{"typed.com"});
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
    }
};

QTEST_MAIN(AddCommandsTest)
#include "tst_add_commands.moc"
