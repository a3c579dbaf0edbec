#include "app/modal_in_front.h"
#include "app/qt_platform.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QPointer>
#include <QTimer>

#include <functional>

using namespace quill;

namespace {

const QStringList kFilters{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")};

// Types `typed` into the next file dialog, in `folder`, or clicks that file
// in its list, and presses Open or Save. A message box that the dialog
// raises is closed and counted.
struct DialogDriver {
    DialogDriver(const QString &folder, const QString &typed, bool click = false)
        : m_folder(folder), m_typed(typed), m_click(click)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(10);
    }

    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            ++boxesRaised;
            box->reject();
            return;
        }
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return;
        if (dialog == m_pressed) { // still open after Open or Save: it stayed
            stayedIn = dialog->directory().absolutePath();
            stayedWith = dialog->selectedNameFilter();
            // The list is filtered a moment later: read it once it holds still.
            QStringList showing;
            if (auto *list = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView")))
                for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                    showing.append(list->model()->index(row, 0, list->rootIndex()).data().toString());
            m_steadyPolls = showing == stayedShowing ? m_steadyPolls + 1 : 0;
            stayedShowing = showing;
            if (m_steadyPolls >= 10)
                dialog->reject();
            return;
        }
        if (dialog != m_handled) {
            m_handled = dialog;
            dialog->setDirectory(m_folder);
        }
        // The name field the program reads typed names from.
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!edit)
            qFatal("Qt's file dialog has no name field called fileNameEdit any more");
        if (m_click) {
            // Clicked in the list once the folder is listed; Qt then writes
            // the name in the field.
            auto *list = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"));
            if (!list)
                qFatal("Qt's file dialog has no list called listView any more");
            edit->clearFocus(); // the click takes it
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
                const QModelIndex item = list->model()->index(row, 0, list->rootIndex());
                if (item.data().toString() == m_typed)
                    list->setCurrentIndex(item);
            }
            if (edit->text() != m_typed)
                return;
        } else {
            // Typed by someone working in the name field, which has the focus
            // once the window system has made the dialog active.
            dialog->activateWindow();
            if (!dialog->isActiveWindow())
                return;
            edit->setFocus();
            edit->setText(m_typed);
        }
        m_pressed = dialog;
        // Pressed from the event loop, so that this poll sees what it raises.
        QMetaObject::invokeMethod(static_cast<QDialog *>(dialog), &QDialog::accept, Qt::QueuedConnection);
    }

    int boxesRaised = 0;
    QString stayedIn;   // the folder shown when it stayed open
    QString stayedWith; // the file type chosen then
    QStringList stayedShowing; // and the names listed

private:
    QString m_folder;
    QString m_typed;
    bool m_click;
    QFileDialog *m_handled = nullptr;
    QFileDialog *m_pressed = nullptr;
    int m_steadyPolls = 0;
    QTimer m_timer;
};

} // namespace

class QtFileDialogsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char *name : {"a.txt", "say \"hi\".txt", "list-1.txt", "b.csv"}) {
            QFile file(m_dir.filePath(QString::fromUtf8(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    }

    void openGivesTypedNames_data()
    {
        QTest::addColumn<bool>("several");
        QTest::addColumn<bool>("clicked");
        QTest::addColumn<QString>("typed"); // "%1" stands for the folder shown
        QTest::addColumn<QStringList>("expected"); // names in the folder
        QTest::addColumn<QString>("stayedIn"); // the folder and the file type when it stays open
        QTest::addColumn<QString>("stayedWith");
        QTest::addColumn<QStringList>("showing");
        const QStringList stays;
        const QString text = kFilters.first();
        QTest::newRow("existing and missing")
            << true << false << "\"a.txt\" \"gone.txt\"" << QStringList{"a.txt", "gone.txt"} << "" << ""
            << QStringList{};
        QTest::newRow("one missing name")
            << true << false << "gone.txt" << QStringList{"gone.txt"} << "" << "" << QStringList{};
        QTest::newRow("one existing name")
            << true << false << "a.txt" << QStringList{"a.txt"} << "" << "" << QStringList{};
        QTest::newRow("one file only: missing name")
            << false << false << "gone" << QStringList{"gone"} << "" << "" << QStringList{};
        QTest::newRow("a missing name in a folder")
            << true << false << "sub/gone.txt" << QStringList{"sub/gone.txt"} << "" << "" << QStringList{};
        QTest::newRow("a missing name with its full path")
            << true << false << "%1/sub/gone.txt" << QStringList{"sub/gone.txt"} << "" << "" << QStringList{};
        QTest::newRow("a folder is entered, not returned") << true << false << "sub" << stays << "sub" << text
                                                           << QStringList{};
        QTest::newRow("a name with double quotes, clicked")
            << true << true << "say \"hi\".txt" << QStringList{"say \"hi\".txt"} << "" << "" << QStringList{};
        QTest::newRow("a name with double quotes, typed")
            << true << false << "say \"hi\".txt" << QStringList{"say \"hi\".txt"} << "" << "" << QStringList{};
        QTest::newRow("a wildcard filters the list")
            << true << false << "*.csv" << stays << "." << "*.csv" << QStringList{"b.csv", "sub"};
        QTest::newRow("a one-letter wildcard")
            << true << false << "list-?.txt" << stays << "." << "list-?.txt" << QStringList{"list-1.txt", "sub"};
        QTest::newRow("one file only: a wildcard")
            << false << false << "*.csv" << stays << "." << "*.csv" << QStringList{"b.csv", "sub"};
    }

    void openGivesTypedNames()
    {
        QFETCH(bool, several);
        QFETCH(bool, clicked);
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        QFETCH(QString, stayedIn);
        QFETCH(QString, stayedWith);
        QFETCH(QStringList, showing);
        QtFileDialogs dialogs;
        DialogDriver driver(m_dir.path(), QString(typed).replace(QStringLiteral("%1"), m_dir.path()), clicked);
        const QStringList chosen = dialogs.open({QStringLiteral("Load"), kFilters, QString(), several});
        QStringList names;
        for (const QString &path : chosen)
            names.append(QDir(m_dir.path()).relativeFilePath(path));
        QCOMPARE(names, expected);
        QCOMPARE(driver.boxesRaised, 0);
        QCOMPARE(driver.stayedIn, stayedIn.isEmpty() ? QString() : QDir::cleanPath(m_dir.filePath(stayedIn)));
        QCOMPARE(driver.stayedWith, stayedWith);
        driver.stayedShowing.sort();
        QCOMPARE(driver.stayedShowing, showing);
    }

    void saveAsksNothingAndAddsNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("an existing file") << "a.txt";
        QTest::newRow("a name without extension") << "list";
    }

    void saveAsksNothingAndAddsNothing()
    {
        QFETCH(QString, typed);
        QtFileDialogs dialogs;
        DialogDriver driver(m_dir.path(), typed);
        QCOMPARE(dialogs.save({QStringLiteral("Save"), kFilters, QString(), true}), m_dir.filePath(typed));
        QCOMPARE(driver.boxesRaised, 0);
    }

    // The wait on a dialog ends with the dialog: done, hidden for good, or
    // destroyed while waited on, and a destroyed one is not read afterwards.
    void waitEndsWithItsDialog_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("result");
        QTest::newRow("accepted") << QStringLiteral("accept") << int(QDialog::Accepted);
        QTest::newRow("hidden") << QStringLiteral("hide") << int(QDialog::Rejected);
        QTest::newRow("destroyed") << QStringLiteral("delete") << int(QDialog::Rejected);
    }

    void waitEndsWithItsDialog()
    {
        QFETCH(QString, end);
        QFETCH(int, result);
        auto *dialog = new QDialog;
        const QPointer<QDialog> guard(dialog);
        QTimer::singleShot(50, dialog, [dialog, end] {
            if (end == QLatin1String("accept"))
                dialog->accept();
            else if (end == QLatin1String("hide"))
                dialog->hide();
            else
                dialog->deleteLater();
        });
        // A wait that never ends is broken out of, and fails.
        bool brokenOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&brokenOut] {
            brokenOut = true;
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
            QCoreApplication::exit(1);
        });
        watchdog.start(5000);
        QCOMPARE(execInFront(*dialog), result);
        QVERIFY2(!brokenOut, "the wait did not end with its dialog");
        delete guard.data();
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(QtFileDialogsTest)
#include "tst_qt_file_dialogs.moc"
