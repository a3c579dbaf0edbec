#include "app/home_page.h"
#include "core/error_report.h"
#include "data/domain_list.h"
#include "data/sample_names.h"
#include "list_entries.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
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
const QString kAddedToPending = QStringLiteral(" added to the pending list.");

} // namespace

class AddCommandsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addDomain_data()
    {
        QTest::addColumn<QList<QByteArray>>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<QByteArray>>("after");
        QTest::addColumn<QStringList>("said"); // to a screen reader
        const auto added = [](const char *name) { return QStringList{QString::fromUtf8(name) + kAddedToPending}; };
        QTest::newRow("a name") << QList<QByteArray>{} << QStringLiteral("example.com") << QList<QByteArray>{"example.com"}
                                << added("example.com");
        QTest::newRow("cancel or empty adds nothing")
            << QList<QByteArray>{"a"} << QString() << QList<QByteArray>{"a"} << QStringList{};
        QTest::newRow("blanks are kept") << QList<QByteArray>{} << QStringLiteral("  spaced.com \t")
                                         << QList<QByteArray>{"  spaced.com \t"} << added("  spaced.com \t");
        QTest::newRow("blanks only") << QList<QByteArray>{} << QStringLiteral("   ") << QList<QByteArray>{"   "}
                                     << added("   ");
        QTest::newRow("a name already there is added again")
            << QList<QByteArray>{"dup.com"} << QStringLiteral("dup.com") << QList<QByteArray>{"dup.com", "dup.com"}
            << added("dup.com");
        QTest::newRow("case and form unchanged") << QList<QByteArray>{"x"} << QStringLiteral("HTTP://Ex ample")
                                                 << QList<QByteArray>{"x", "HTTP://Ex ample"} << added("HTTP://Ex ample");
        QTest::newRow("non-ASCII as UTF-8") << QList<QByteArray>{} << QStringLiteral("bücher.de")
                                            << QList<QByteArray>{"b\xC3\xBC" "cher.de"} << added("bücher.de");
    }

    void addDomain()
    {
        QFETCH(QList<QByteArray>, before);
        QFETCH(QString, typed);
        QFETCH(QList<QByteArray>, after);
        QFETCH(QStringList, said);
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
        QCOMPARE(t.fakes.announcer.said, said);
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
        QCOMPARE(t.fakes.announcer.said, QStringList{});
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
        QCOMPARE(t.fakes.announcer.said,
                 QStringList(presses, QStringLiteral("3 example names added to the pending list.")));
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

    // Enter and keypad Enter press the focused button as Space does, once
    // per press however long the key is held, and leave the button's look
    // and the lists' own keys as they were.
    void keysOnTheFocusedControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("repeats"); // auto-repeats while the key is held
        QTest::addColumn<QList<QByteArray>>("added");
        const QList<QByteArray> none;
        const QString samples = QStringLiteral("PushButton7");
        const QString pending = QStringLiteral("ListView1");
        QTest::newRow("Space on Load Sample/Example Data") << samples << int(Qt::Key_Space) << 0 << 0 << kSamples;
        QTest::newRow("Enter") << samples << int(Qt::Key_Return) << 0 << 0 << kSamples;
        QTest::newRow("keypad Enter") << samples << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 0 << kSamples;
        QTest::newRow("Space held down") << samples << int(Qt::Key_Space) << 0 << 4 << kSamples;
        QTest::newRow("Enter held down") << samples << int(Qt::Key_Return) << 0 << 4 << kSamples;
        QTest::newRow("Enter on Add Domain asks once")
            << QStringLiteral("PushButton5") << int(Qt::Key_Return) << 0 << 0 << QList<QByteArray>{"typed.com"};
        QTest::newRow("Escape presses nothing") << samples << int(Qt::Key_Escape) << 0 << 0 << none;
        QTest::newRow("Enter on the pending list") << pending << int(Qt::Key_Return) << 0 << 0 << none;
        QTest::newRow("keypad Enter on the pending list")
            << pending << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 0 << none;
    }

    void keysOnTheFocusedControl()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, repeats);
        QFETCH(QList<QByteArray>, added);
        WindowUnderTest t;
        Form1 &w = *t.window;
        w.show();
        DomainListView *pendingList = controls(w).ListView1;
        pendingList->ListItems().Add(QByteArrayView("mine.com"));
        QCoreApplication::processEvents();
        pendingList->selectionModel()->select(pendingList->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
        if (control == QLatin1String("PushButton5"))
            t.fakes.boxes.answerInput(QStringLiteral("typed.com"));
        auto *target = w.findChild<QWidget *>(control);
        QVERIFY(target);
        target->setFocus();
        const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QString();
        const auto send = [&](QEvent::Type type, bool autoRepeat) {
            QKeyEvent event(type, key, Qt::KeyboardModifiers(modifiers), text, autoRepeat);
            QApplication::sendEvent(target, &event);
        };

        send(QEvent::KeyPress, false);
        for (int i = 0; i < repeats; ++i) {
            send(QEvent::KeyRelease, true);
            send(QEvent::KeyPress, true);
        }
        send(QEvent::KeyRelease, false);
        QCoreApplication::processEvents();

        QCOMPARE(entries(pendingList->ListItems()), QList<QByteArray>{"mine.com"} + added);
        QUILL_VERIFY_DIALOGS_SETTLED(t.fakes.boxes);
        for (const auto *button : w.findChildren<QPushButton *>()) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
            QVERIFY2(!button->isDown(), qPrintable(button->objectName()));
        }
    }
};

QTEST_MAIN(AddCommandsTest)
#include "tst_add_commands.moc"
