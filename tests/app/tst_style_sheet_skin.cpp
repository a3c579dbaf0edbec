#include "app/style_sheet_check.h"
#include "app/style_sheet_skin.h"
#include "app/window_frame.h"
#include "core/failure.h"

#include <QDialog>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quill;

namespace {

const QString kSheet = QStringLiteral("QPushButton { color: #123456; }\n");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A window with the kinds of children a sheet can reach: a control, a
// control inside a frame, and a dialog of its own.
struct TestWindow {
    TestWindow()
    {
        button = new QPushButton(QStringLiteral("Go"), &window);
        frame = new QFrame(&window);
        label = new QLabel(QStringLiteral("Name"), frame);
        dialog = new QDialog(&window);
    }
    QWidget window;
    QPushButton *button;
    QFrame *frame;
    QLabel *label;
    QDialog *dialog;
};

} // namespace

class StyleSheetSkinTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void usableSheet_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<bool>("usable");
        QTest::newRow("one rule") << QStringLiteral("QPushButton { color: red; }") << true;
        QTest::newRow("rules, states and comments")
            << QStringLiteral("/* look */\n#Form1 { background: #fff }\nQPushButton:hover, QLabel { color: red; "
                              "border: 1px solid black }\nQHeaderView::section { padding: 2px; }")
            << true;
        QTest::newRow("gradient") << QStringLiteral(
            "QWidget { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fff, stop:1 #000); }")
                                  << true;
        QTest::newRow("semicolon inside url")
            << QStringLiteral("QLabel { background-image: url(data:image/png;base64,AAAA); }") << true;
        QTest::newRow("braces inside a string") << QStringLiteral("QLabel { qproperty-text: \"a { b } c\"; }")
                                                << true;
        QTest::newRow("empty rule") << QStringLiteral("QPushButton {}") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blank") << QStringLiteral(" \n\t ") << false;
        QTest::newRow("plain words") << QStringLiteral("hello world") << false;
        QTest::newRow("declarations without a rule") << QStringLiteral("color: red;") << false;
        QTest::newRow("unclosed block") << QStringLiteral("QPushButton { color: red") << false;
        QTest::newRow("stray closing brace") << QStringLiteral("QPushButton { color: red; } }") << false;
        QTest::newRow("nested block") << QStringLiteral("QPushButton { QLabel { color: red } }") << false;
        QTest::newRow("unclosed comment") << QStringLiteral("QPushButton { color: red } /* note") << false;
        QTest::newRow("unclosed string") << QStringLiteral("QLabel { qproperty-text: \"abc; }") << false;
        QTest::newRow("declaration without colon") << QStringLiteral("QPushButton { hello }") << false;
        QTest::newRow("declaration without value") << QStringLiteral("QPushButton { color: }") << false;
        QTest::newRow("bad property name") << QStringLiteral("QPushButton { 9color: red }") << false;
        QTest::newRow("unclosed bracket") << QStringLiteral("QWidget { background: url(x; }") << false;
        QTest::newRow("words after the last rule") << QStringLiteral("QPushButton { color: red } trailing") << false;
        QTest::newRow("control character") << QStringLiteral("QPushButton { color: red }\x01") << false;
        // Well formed, but Qt's own parser refuses the selector.
        QTest::newRow("semicolon in a selector") << QStringLiteral("QLabel; { }") << false;
        QTest::newRow("semicolon between rules") << QStringLiteral("QLabel { } ; QPushButton { }") << false;
        QTest::newRow("semicolon in a quoted selector value")
            << QStringLiteral("QLabel[text=\"a;b\"] { color: red; }") << true;
        QTest::newRow("selector Qt refuses") << QStringLiteral("[x=1] { color: red }") << false;
    }

    void usableSheet()
    {
        QFETCH(QString, sheet);
        QFETCH(bool, usable);
        QCOMPARE(isUsableStyleSheet(sheet), usable);
    }

    void loadSkin_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("loaded"); // empty: LoadSkin answers false
        const QByteArray sheet = kSheet.toUtf8();
        QTest::newRow("sheet") << sheet << false << kSheet;
        QTest::newRow("byte order mark") << (QByteArray("\xEF\xBB\xBF") + sheet) << false << kSheet;
        QTest::newRow("UTF-8 comment") << QByteArray("/* Hafenblau \xC3\xA4\xC3\xB6 */ ") + sheet << false
                                       << QStringLiteral("/* Hafenblau äö */ ") + kSheet;
        QTest::newRow("not UTF-8") << (sheet + "/* \xFF\xFE */") << false << QString();
        const QByteArray padded = sheet + QByteArray(SkinFramework1::MaxSheetSize - sheet.size(), ' ');
        QTest::newRow("at the size limit") << padded << false << QString::fromUtf8(padded);
        QTest::newRow("over the size limit") << (padded + ' ') << false << QString();
        QTest::newRow("folder") << QByteArray() << true << QString();
        QTest::newRow("missing") << QByteArray() << false << QString();
    }

    void loadSkin()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, folder);
        QFETCH(QString, loaded);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("o.cjs"));
        if (folder)
            QVERIFY(QDir().mkpath(path));
        else if (!contents.isEmpty())
            writeFile(path, contents);

        SkinFramework1 engine;
        QCOMPARE(engine.LoadSkin(path, QString()), !loaded.isEmpty());
        QCOMPARE(engine.styleSheet(), loaded);
    }

    void failedLoadDropsTheSkin()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("good.qss")), kSheet.toUtf8());
        writeFile(dir.filePath(QStringLiteral("bad.qss")), "hello world");
        SkinFramework1 engine;
        QVERIFY(engine.LoadSkin(dir.filePath(QStringLiteral("good.qss")), QString()));
        QVERIFY(!engine.LoadSkin(dir.filePath(QStringLiteral("bad.qss")), QString()));
        QCOMPARE(engine.styleSheet(), QString());
    }

    void picturesBesideTheSkin()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("o.cjs")), kSheet.toUtf8());
        writeFile(dir.filePath(QStringLiteral("wave.png")), "png");
        SkinFramework1 engine;
        QVERIFY(engine.LoadSkin(dir.filePath(QStringLiteral("o.cjs")), QString()));
        QVERIFY(QFile::exists(QStringLiteral("skin:wave.png")));
    }

    void applyWindowFollowsTheOptions_data()
    {
        QTest::addColumn<std::uint32_t>("options");
        QTest::addColumn<bool>("surface");
        QTest::newRow("window surface") << SkinFramework1::StyleWindowSurface << true;
        QTest::newRow("controls only") << std::uint32_t(0) << false;
        QTest::newRow("other bits only") << std::uint32_t(0x40) << false;
    }

    void applyWindowFollowsTheOptions()
    {
        QFETCH(std::uint32_t, options);
        QFETCH(bool, surface);
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("o.cjs")), kSheet.toUtf8());
        SkinFramework1 engine;
        QVERIFY(engine.LoadSkin(dir.filePath(QStringLiteral("o.cjs")), QString()));
        engine.setApplyOptions(options);
        QCOMPARE(engine.applyOptions(), options);
        TestWindow t;
        engine.ApplyWindow(&t.window);

        QCOMPARE(t.window.styleSheet(), surface ? kSheet : QString());
        QCOMPARE(t.button->styleSheet(), surface ? QString() : kSheet);
        QCOMPARE(t.frame->styleSheet(), surface ? QString() : kSheet);
        // Reached through their parents, never given a copy.
        QCOMPARE(t.label->styleSheet(), QString());
        QCOMPARE(t.dialog->styleSheet(), QString());
        t.button->ensurePolished();
        QCOMPARE(t.button->palette().color(QPalette::ButtonText), QColor(0x12, 0x34, 0x56));

        // Held in the program's own frame, which is skinned as a new window,
        // it keeps exactly what it was given.
        engine.setApplyToNewWindows(true);
        WindowFrame held(&t.window);
        held.show();
        QCOMPARE(t.window.styleSheet(), surface ? kSheet : QString());
        QCOMPARE(t.button->styleSheet(), surface ? QString() : kSheet);
    }

    void withoutSkinTheWindowKeepsItsOwnSheet()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("o.cjs")), "hello world");
        SkinFramework1 engine;
        QVERIFY(!engine.LoadSkin(dir.filePath(QStringLiteral("o.cjs")), QString()));
        engine.setApplyOptions(SkinFramework1::StyleWindowSurface);
        TestWindow t;
        t.window.setStyleSheet(QStringLiteral("QLabel { color: blue; }"));
        engine.ApplyWindow(&t.window);
        QCOMPARE(t.window.styleSheet(), QStringLiteral("QLabel { color: blue; }"));
        QCOMPARE(t.button->styleSheet(), QString());
    }

    void applyWindowNeedsAWindow()
    {
        SkinFramework1 engine;
        QVERIFY_THROWS_EXCEPTION(Failure, engine.ApplyWindow(nullptr));
    }

    void newWindows_data()
    {
        QTest::addColumn<QString>("switches"); // the first switch's settings, in order
        QTest::addColumn<bool>("childOfSkinnedWindow");
        QTest::addColumn<QString>("ownSheet");
        QTest::addColumn<QString>("expected");
        const QString blue = QStringLiteral("QDialog { color: blue; }");
        QTest::newRow("switch on") << QStringLiteral("1") << false << QString() << kSheet;
        QTest::newRow("switch off") << QStringLiteral("0") << false << QString() << QString();
        QTest::newRow("switched on, then off") << QStringLiteral("10") << false << QString() << QString();
        QTest::newRow("window with a sheet of its own") << QStringLiteral("1") << false << blue << blue;
        QTest::newRow("dialog of the skinned window") << QStringLiteral("1") << true << QString() << QString();
    }

    void newWindows()
    {
        QFETCH(QString, switches);
        QFETCH(bool, childOfSkinnedWindow);
        QFETCH(QString, ownSheet);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("o.cjs")), kSheet.toUtf8());
        SkinFramework1 engine;
        QVERIFY(engine.LoadSkin(dir.filePath(QStringLiteral("o.cjs")), QString()));
        engine.setApplyOptions(SkinFramework1::StyleWindowSurface);
        for (const QChar on : switches)
            engine.setApplyToNewWindows(on == u'1');
        QWidget skinned;
        engine.ApplyWindow(&skinned);

        QDialog later(childOfSkinnedWindow ? &skinned : nullptr);
        later.setStyleSheet(ownSheet);
        later.show();
        QCOMPARE(later.styleSheet(), expected);
        later.hide();
    }

    void followedFileRestylesTheWindows()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("o.cjs"));
        writeFile(path, kSheet.toUtf8());
        SkinFramework1 engine;
        QVERIFY(engine.LoadSkin(path, QString()));
        engine.setApplyOptions(SkinFramework1::StyleWindowSurface);
        engine.setFollowSkinFile(true);
        QWidget window;
        engine.ApplyWindow(&window);

        const QString edited = QStringLiteral("QPushButton { color: #654321; }\n");
        writeFile(path, edited.toUtf8());
        QTRY_COMPARE(window.styleSheet(), edited);

        // Saved the way many editors save: a new file renamed over the old.
        const QString replaced = QStringLiteral("QPushButton { color: #abcdef; }\n");
        writeFile(path + QStringLiteral(".new"), replaced.toUtf8());
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(path + QStringLiteral(".new"), path));
        QTRY_COMPARE(window.styleSheet(), replaced);

        // A broken save keeps the look; the next good one is taken.
        writeFile(path, "QPushButton { color: ");
        QTest::qWait(300);
        QCOMPARE(window.styleSheet(), replaced);
        writeFile(path, kSheet.toUtf8());
        QTRY_COMPARE(window.styleSheet(), kSheet);

        engine.setFollowSkinFile(false);
        writeFile(path, edited.toUtf8());
        QTest::qWait(300);
        QCOMPARE(window.styleSheet(), kSheet);
    }

    void followedFileMendedLaterTakesEffect()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("o.cjs"));
        writeFile(path, "not yet a skin");
        SkinFramework1 engine;
        QVERIFY(!engine.LoadSkin(path, QString()));
        engine.setApplyOptions(SkinFramework1::StyleWindowSurface);
        engine.setFollowSkinFile(true);
        QWidget window;
        engine.ApplyWindow(&window);
        QCOMPARE(window.styleSheet(), QString());

        writeFile(path, kSheet.toUtf8());
        QTRY_COMPARE(window.styleSheet(), kSheet);
    }
};

QTEST_MAIN(StyleSheetSkinTest)
#include "tst_style_sheet_skin.moc"
