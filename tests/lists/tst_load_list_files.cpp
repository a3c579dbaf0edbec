#include "list_file_helpers.h"
#include "lists/common_dialog.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quill;
using namespace quill::test;

namespace {

// The folder the dialog answers from: three list files, an empty one and a
// folder named like a file.
struct ListFolder {
    ListFolder()
    {
        const std::pair<const char *, QByteArray> files[] = {
            {"a.txt", "a\r\nb\r\n"}, {"x.txt", "x\ny\r"}, {"z.txt", "z"}, {"empty.txt", ""}};
        for (const auto &[name, bytes] : files)
            writeAll(dir.filePath(QLatin1String(name)), bytes);
        QDir(dir.path()).mkdir(QStringLiteral("folder.txt"));
    }
    QStringList paths(const QStringList &names) const
    {
        QStringList result;
        for (const QString &name : names)
            result.append(dir.filePath(name));
        return result;
    }
    QTemporaryDir dir;
};

} // namespace

class LoadListFilesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loads_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<Names>("added");
        QTest::addColumn<int>("notFound");
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<QString>("said"); // to a screen reader, once every box is answered
        QTest::newRow("cancel") << QStringList{} << Names{} << 0 << QList<int>{} << QString();
        QTest::newRow("one file") << QStringList{"a.txt"} << Names{"a", "b"} << 0 << QList<int>{}
                                  << QStringLiteral("2 names added to the pending list.");
        QTest::newRow("two files in dialog order") << QStringList{"x.txt", "z.txt"} << Names{"x", "y", "z"} << 0
                                                   << QList<int>{}
                                                   << QStringLiteral("3 names added to the pending list from 2 files.");
        QTest::newRow("the other order") << QStringList{"z.txt", "x.txt"} << Names{"z", "x", "y"} << 0 << QList<int>{}
                                         << QStringLiteral("3 names added to the pending list from 2 files.");
        QTest::newRow("the same file twice") << QStringList{"a.txt", "a.txt"} << Names{"a", "b", "a", "b"} << 0
                                             << QList<int>{}
                                             << QStringLiteral("4 names added to the pending list from 2 files.");
        QTest::newRow("empty file") << QStringList{"empty.txt"} << Names{} << 0 << QList<int>{}
                                    << QStringLiteral("0 names added to the pending list.");
        QTest::newRow("missing file") << QStringList{"gone.txt"} << Names{} << 1 << QList<int>{}
                                      << QStringLiteral("0 names added to the pending list.");
        QTest::newRow("missing files among others")
            << QStringList{"gone.txt", "a.txt", "gone2.txt"} << Names{"a", "b"} << 2 << QList<int>{}
            << QStringLiteral("2 names added to the pending list from 3 files.");
        QTest::newRow("a folder as the one file") << QStringList{"folder.txt"} << Names{} << 0 << QList<int>{118}
                                                  << QStringLiteral("0 names added to the pending list.");
        QTest::newRow("a folder among files") << QStringList{"folder.txt", "z.txt"} << Names{"z"} << 0
                                              << QList<int>{132}
                                              << QStringLiteral("1 name added to the pending list from 2 files.");
    }

    void loads()
    {
        QFETCH(QStringList, chosen);
        QFETCH(Names, added);
        QFETCH(int, notFound);
        QFETCH(QList<int>, reports);
        QFETCH(QString, said);
        ListFolder folder;
        WindowUnderTest t;
        FakeBoxes &boxes = t.fakes.boxes;
        controls(*t.window).ListView1->ListItems().Add(QByteArrayView("old"));
        controls(*t.window).ListView2->ListItems().Add(QByteArrayView("taken"));
        boxes.answerOpen(folder.paths(chosen));
        for (int i = 0; i < notFound + reports.size(); ++i)
            boxes.answerMessage(Answer::Ok);

        t.window->PushButton3_Click();

        QCOMPARE(entries(controls(*t.window).ListView1->ListItems()), Names{"old"} + added);
        QCOMPARE(entries(controls(*t.window).ListView2->ListItems()), Names{"taken"});
        QCOMPARE(reportSteps(boxes, "PushButton3_Click"), reports);
        int notFoundShown = 0;
        for (const ShownBox &box : boxes.messages()) {
            if (box.text != QLatin1String("File not found"))
                continue;
            ++notFoundShown;
            QCOMPARE(box.title, t.window->applicationTitle());
            QCOMPARE(box.buttons, Buttons::Ok);
            QCOMPARE(box.icon, Icon::None);
        }
        QCOMPARE(notFoundShown, notFound);
        const FileDialogRequest request = boxes.shown().at(0).request;
        QCOMPARE(request.title, QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
        QCOMPARE(request.filters, (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}));
        QVERIFY(request.multiSelect);
        QVERIFY(request.fileName.isEmpty());
        QCOMPARE(t.window->MousePointer(), Pointer::Default);
        QCOMPARE(t.fakes.announcer.said, said.isEmpty() ? QStringList{} : QStringList{said});
        if (!said.isEmpty())
            QCOMPARE(t.fakes.announcer.boxesBefore.constLast(), boxes.shown().size());
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }

    void dialogFailures_data()
    {
        QTest::addColumn<int>("failureNumber"); // -1: a result too long to fit
        QTest::addColumn<bool>("tooMany");
        QTest::newRow("result over 30000 characters") << -1 << true;
        QTest::newRow("dialog fails with 20476") << int(CommonDialog::kBufferTooSmall) << true;
        QTest::newRow("dialog fails otherwise") << 32755 << false;
    }

    void dialogFailures()
    {
        QFETCH(int, failureNumber);
        QFETCH(bool, tooMany);
        ListFolder folder;
        WindowUnderTest t;
        FakeBoxes &boxes = t.fakes.boxes;
        if (failureNumber < 0) {
            QStringList chosen;
            for (int i = 0; i < 300; ++i)
                chosen.append(QStringLiteral("a-long-list-file-name-%1-").arg(i).repeated(4) + QStringLiteral(".txt"));
            boxes.answerOpen(folder.paths(chosen));
        } else {
            boxes.failNext(ShownBox::Kind::Open, QStringLiteral("dialog broke"), failureNumber);
        }
        boxes.answerMessage(Answer::Ok);
        t.window->setMousePointer(Pointer::Hand);

        t.window->PushButton3_Click();

        QCOMPARE(controls(*t.window).ListView1->ListItems().Count(), 0);
        const ShownBox box = boxes.shown().last();
        if (tooMany) {
            QCOMPARE(box.text, QStringLiteral("You've selected too many files to add.\r\r"
                                              "Please try adding via the \"Add All\" button."));
            QCOMPARE(box.title, t.window->applicationTitle());
            QCOMPARE(box.icon, Icon::None);
            QCOMPARE(t.window->MousePointer(), Pointer::Hand);
        } else {
            QCOMPARE(reportSteps(boxes, "PushButton3_Click"), QList<int>{108});
            QVERIFY(box.text.startsWith(QLatin1String("dialog broke\r\n")));
            QCOMPARE(t.window->MousePointer(), Pointer::Default);
        }
        QUILL_VERIFY_DIALOGS_SETTLED(boxes);
    }
};

QTEST_MAIN(LoadListFilesTest)
#include "tst_load_list_files.moc"
