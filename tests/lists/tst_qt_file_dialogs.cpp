#include "app/qt_platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace quill;

namespace {

const QStringList kFilters{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")};

// Types `typed` into the next file dialog, in `folder`, and presses Open or
// Save. A message box that the dialog raises is closed and counted.
struct DialogDriver {
    DialogDriver(const QString &folder, const QString &typed) : m_folder(folder), m_typed(typed)
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
        if (dialog == m_handled) { // still open after Open or Save: it stayed
            stayedIn = dialog->directory().absolutePath();
            dialog->reject();
            return;
        }
        m_handled = dialog;
        dialog->setDirectory(m_folder);
        // Typed by someone working in the name field, which has the focus.
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QApplication::setActiveWindow(dialog);
        edit->setFocus();
        edit->setText(m_typed);
        // Pressed from the event loop, so that this poll sees what it raises.
        QMetaObject::invokeMethod(static_cast<QDialog *>(dialog), &QDialog::accept, Qt::QueuedConnection);
    }

    int boxesRaised = 0;
    QString stayedIn;

private:
    QString m_folder;
    QString m_typed;
    QFileDialog *m_handled = nullptr;
    QTimer m_timer;
};

} // namespace

class QtFileDialogsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile file(m_dir.filePath(QStringLiteral("a.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    }

    void openGivesTypedNames_data()
    {
        QTest::addColumn<bool>("several");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected"); // names in the folder
        QTest::newRow("existing and missing") << true << "\"a.txt\" \"gone.txt\"" << QStringList{"a.txt", "gone.txt"};
        QTest::newRow("one missing name") << true << "gone.txt" << QStringList{"gone.txt"};
        QTest::newRow("one existing name") << true << "a.txt" << QStringList{"a.txt"};
        QTest::newRow("one file only: missing name") << false << "gone" << QStringList{"gone"};
        QTest::newRow("a folder is entered, not returned") << true << "sub" << QStringList{};
    }

    void openGivesTypedNames()
    {
        QFETCH(bool, several);
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        QtFileDialogs dialogs;
        DialogDriver driver(m_dir.path(), typed);
        const QStringList chosen = dialogs.open({QStringLiteral("Load"), kFilters, QString(), several});
        QStringList names;
        for (const QString &path : chosen)
            names.append(QDir(m_dir.path()).relativeFilePath(path));
        QCOMPARE(names, expected);
        QCOMPARE(driver.boxesRaised, 0);
        QCOMPARE(driver.stayedIn, expected.isEmpty() ? m_dir.filePath(QStringLiteral("sub")) : QString());
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

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(QtFileDialogsTest)
#include "tst_qt_file_dialogs.moc"
