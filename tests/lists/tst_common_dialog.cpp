#include "core/failure.h"
#include "fake_platform.h"
#include "lists/common_dialog.h"

#include <QTest>

using namespace quill;
using namespace quill::test;

namespace {

QString nulJoined(const QStringList &parts)
{
    return parts.join(QChar(u'\0'));
}

} // namespace

class CommonDialogTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nameFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("the list filter")
            << QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|")
            << QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")};
        QTest::newRow("several patterns") << QStringLiteral("Lists|*.txt;*.lst")
                                          << QStringList{QStringLiteral("Lists (*.txt *.lst)")};
        QTest::newRow("none") << QString() << QStringList{};
    }

    void nameFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(quill::nameFilters(filter), expected);
    }

    void resultText_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("cancel") << QStringList{} << QString();
        QTest::newRow("one file: its full path") << QStringList{QStringLiteral("/d/a.txt")}
                                                 << QStringLiteral("/d/a.txt");
        QTest::newRow("several: folder and names in order")
            << QStringList{QStringLiteral("/d/b.txt"), QStringLiteral("/d/a")} << nulJoined({"/d", "b.txt", "a"});
        QTest::newRow("several in the root folder")
            << QStringList{QStringLiteral("/a"), QStringLiteral("/b")} << nulJoined({"/", "a", "b"});
        QTest::newRow("a name from another folder")
            << QStringList{QStringLiteral("/d/a"), QStringLiteral("/e/b")} << nulJoined({"/d", "a", "../e/b"});
    }

    void resultText()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QString, expected);
        QCOMPARE(quill::openResult(chosen), expected);
    }

    void showOpenPassesSettingsAndSizesResult_data()
    {
        QTest::addColumn<int>("resultLength");
        QTest::addColumn<bool>("fits");
        QTest::newRow("30000 characters fit") << 30000 << true;
        QTest::newRow("30001 characters do not") << 30001 << false;
    }

    void showOpenPassesSettingsAndSizesResult()
    {
        QFETCH(int, resultLength);
        QFETCH(bool, fits);
        // "/f", then 999 times a NUL and a name, the last name made longer.
        const int files = 999;
        const int nameLength = (resultLength - 2 - files * 4) / files;
        QStringList chosen;
        for (int i = 0; i < files; ++i)
            chosen.append(QStringLiteral("/f/") + QString(nameLength, u'n')
                          + QString::number(i).rightJustified(3, u'0'));
        const int extra = resultLength - int(quill::openResult(chosen).size());
        chosen.last().append(QString(extra, u'x'));
        QCOMPARE(quill::openResult(chosen).size(), resultLength);

        FakeBoxes boxes;
        boxes.answerOpen(chosen);
        CommonDialog dialog(boxes);
        dialog.setFileName(QStringLiteral("proposed"));
        dialog.setFlags(0x280201);
        dialog.setDialogTitle(QStringLiteral("Pick"));
        dialog.setFilter(QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
        int number = 0;
        try {
            dialog.ShowOpen();
        } catch (const Failure &failure) {
            number = failure.number();
        }
        QCOMPARE(number, fits ? 0 : CommonDialog::kBufferTooSmall);
        QCOMPARE(dialog.FileName(), fits ? quill::openResult(chosen) : QStringLiteral("proposed"));
        const FileDialogRequest request = boxes.shown().at(0).request;
        QCOMPARE(request.title, QStringLiteral("Pick"));
        QCOMPARE(request.fileName, QStringLiteral("proposed"));
        QVERIFY(request.multiSelect);
        QCOMPARE(request.filters.size(), 2);
    }
};

QTEST_GUILESS_MAIN(CommonDialogTest)
#include "tst_common_dialog.moc"
