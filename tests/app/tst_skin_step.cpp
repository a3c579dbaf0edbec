#include "app/form1.h"
#include "app/ordinary_file.h"
#include "app/style_sheet_skin.h"
#include "app/twips.h"
#include "core/error_report.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

using namespace quill;
using namespace quill::test;

namespace {

const QString kFormLoad = QStringLiteral("in Tavrelle2021/08/31.Form1.Form_Load ");

// What stands at a path before start-up.
enum class Entry { Missing, File, Folder, Pipe, LinkToFile, LinkToFolder, DanglingLink };

void makeEntry(Entry entry, const QString &path, const QByteArray &contents = "QWidget { color: black; }")
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QString target = path + QStringLiteral(".target");
    switch (entry) {
    case Entry::Missing:
        break;
    case Entry::File: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        break;
    }
    case Entry::Folder:
        QVERIFY(QDir().mkpath(path));
        break;
    case Entry::Pipe:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Entry::LinkToFile:
        makeEntry(Entry::File, target, contents);
        QVERIFY(QFile::link(target, path));
        break;
    case Entry::LinkToFolder:
        QVERIFY(QDir().mkpath(target));
        QVERIFY(QFile::link(target, path));
        break;
    case Entry::DanglingLink:
        QVERIFY(QFile::link(target, path));
        break;
    }
}

QString skinPath(const Platform &platform)
{
    return platform.installFolder + QStringLiteral("/x/o.cjs");
}

QStringList allCalls(const QString &path, std::uint32_t options)
{
    return {QStringLiteral("LoadSkin(%1,)").arg(path), QStringLiteral("applyOptions()"),
            QStringLiteral("setApplyOptions(%1)").arg(options), QStringLiteral("setApplyToNewWindows(1)"),
            QStringLiteral("setFollowSkinFile(1)"), QStringLiteral("ApplyWindow")};
}

QColor buttonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

const QColor kChangedButton(0x33, 0x66, 0x99);
const QColor kChangedBase(0x22, 0x22, 0x22);

QColor background(const QWidget &window)
{
    return window.palette().color(QPalette::Window);
}

} // namespace

Q_DECLARE_METATYPE(Entry)

class SkinStepTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Otherwise a changed background could not be told from white.
        QVERIFY(buttonFace() != QColor(Qt::white));
    }

    void ordinaryFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<bool>("ordinary");
        QTest::newRow("file") << QStringLiteral("x/o.cjs") << Entry::File << true;
        QTest::newRow("hidden file") << QStringLiteral("x/.o.cjs") << Entry::File << false;
        QTest::newRow("file in a hidden folder") << QStringLiteral(".local/x/o.cjs") << Entry::File << true;
        QTest::newRow("folder") << QStringLiteral("x/o.cjs") << Entry::Folder << false;
        QTest::newRow("missing") << QStringLiteral("x/o.cjs") << Entry::Missing << false;
        QTest::newRow("named pipe") << QStringLiteral("x/o.cjs") << Entry::Pipe << false;
        QTest::newRow("link to a file") << QStringLiteral("x/o.cjs") << Entry::LinkToFile << true;
        QTest::newRow("link to a folder") << QStringLiteral("x/o.cjs") << Entry::LinkToFolder << false;
        QTest::newRow("dangling link") << QStringLiteral("x/o.cjs") << Entry::DanglingLink << false;
    }

    void ordinaryFile()
    {
        QFETCH(QString, name);
        QFETCH(Entry, entry);
        QFETCH(bool, ordinary);
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        makeEntry(entry, path);
        QCOMPARE(OrdinaryFileExists(path), ordinary);
        QVERIFY(!OrdinaryFileExists(QString()));
    }

    void skinFileDecidesTheStep_data()
    {
        QTest::addColumn<QString>("installSubfolder");
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<bool>("skinned");
        QTest::newRow("no file") << QString() << Entry::Missing << false;
        QTest::newRow("folder named o.cjs") << QString() << Entry::Folder << false;
        QTest::newRow("ordinary file") << QString() << Entry::File << true;
        // A hidden folder on the way (an install under ~/.local) hides nothing.
        QTest::newRow("installed in a hidden folder") << QStringLiteral(".local/bin") << Entry::File << true;
    }

    void skinFileDecidesTheStep()
    {
        QFETCH(QString, installSubfolder);
        QFETCH(Entry, entry);
        QFETCH(bool, skinned);
        FakePlatform fakes;
        Platform platform = fakes.platform();
        if (!installSubfolder.isEmpty())
            platform.installFolder = fakes.installFolder() + u'/' + installSubfolder;
        makeEntry(entry, skinPath(platform));

        Form1 window(platform);
        window.Form_Load();

        if (skinned) {
            QCOMPARE(fakes.skin.calls, allCalls(skinPath(platform), 0x41));
            QCOMPARE(fakes.skin.appliedTo, static_cast<QWidget *>(&window));
            QCOMPARE(background(window), buttonFace());
        } else {
            QCOMPARE(fakes.skin.calls, QStringList());
            QCOMPARE(background(window), QColor(Qt::white));
        }
        QVERIFY(fakes.boxes.shown().isEmpty());
    }

    void unusableSkinStillGetsEveryCall()
    {
        FakePlatform fakes;
        fakes.skin.loadResult = false;
        makeEntry(Entry::File, skinPath(fakes.platform()), "not a skin");
        Form1 window(fakes.platform());
        window.Form_Load();
        QCOMPARE(fakes.skin.calls, allCalls(skinPath(fakes.platform()), 0x41));
        QCOMPARE(background(window), buttonFace());
        QVERIFY(fakes.boxes.shown().isEmpty());
    }

    void optionBitJoinsTheOthers_data()
    {
        QTest::addColumn<std::uint32_t>("before");
        QTest::addColumn<std::uint32_t>("after");
        QTest::newRow("none") << std::uint32_t(0) << std::uint32_t(1);
        QTest::newRow("another bit") << std::uint32_t(0x40) << std::uint32_t(0x41);
        QTest::newRow("all others") << std::uint32_t(0xFFFFFFFE) << std::uint32_t(0xFFFFFFFF);
    }

    void optionBitJoinsTheOthers()
    {
        QFETCH(std::uint32_t, before);
        QFETCH(std::uint32_t, after);
        FakePlatform fakes;
        fakes.skin.options = before;
        makeEntry(Entry::File, skinPath(fakes.platform()));
        Form1 window(fakes.platform());
        window.Form_Load();
        QCOMPARE(fakes.skin.calls, allCalls(skinPath(fakes.platform()), after));
        QCOMPARE(fakes.skin.options, after);
    }

    void failureEndsTheStepWhereItHappens_data()
    {
        QTest::addColumn<QString>("failOn");
        QTest::addColumn<int>("callsMade");
        QTest::newRow("LoadSkin") << QStringLiteral("LoadSkin") << 1;
        QTest::newRow("reading the options") << QStringLiteral("applyOptions") << 2;
        QTest::newRow("writing the options") << QStringLiteral("setApplyOptions") << 3;
        QTest::newRow("first switch") << QStringLiteral("setApplyToNewWindows") << 4;
        QTest::newRow("second switch") << QStringLiteral("setFollowSkinFile") << 5;
        QTest::newRow("ApplyWindow") << QStringLiteral("ApplyWindow") << 6;
    }

    void failureEndsTheStepWhereItHappens()
    {
        QFETCH(QString, failOn);
        QFETCH(int, callsMade);
        FakePlatform fakes;
        fakes.skin.failOn = failOn;
        fakes.boxes.answerMessage(Answer::Ok);
        makeEntry(Entry::File, skinPath(fakes.platform()));

        Form1 window(fakes.platform());
        window.Form_Load();

        QCOMPARE(fakes.skin.calls, allCalls(skinPath(fakes.platform()), 0x41).mid(0, callsMade));
        // What ran before the failure stays done.
        QCOMPARE(background(window), buttonFace());
        QCOMPARE(fakes.boxes.reports(),
                 QStringList{errorReportText(kFormLoad, 100, QStringLiteral("skin engine failed"))});
        // Start-up goes on to its last step.
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillmere Tandrovel"));
        QCOMPARE(window.applicationTitle(), QStringLiteral("Quillmere"));
        QCOMPARE(controls(window).ListView3->columnWidth(0), twips(3500));
        QUILL_VERIFY_DIALOGS_SETTLED(fakes.boxes);
    }

    // With the skin, the button face; without it, the desktop's base colour,
    // white on a light desktop and dark on a dark one.
    void backgroundFollowsTheSystemColour_data()
    {
        QTest::addColumn<bool>("skinned");
        QTest::addColumn<bool>("paintedSince");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("button face unchanged since") << true << false << kChangedButton;
        QTest::newRow("repainted by someone else") << true << true << QColor(Qt::red);
        QTest::newRow("no skin: the desktop's base colour") << false << false << kChangedBase;
        QTest::newRow("no skin, repainted by someone else") << false << true << QColor(Qt::red);
    }

    void backgroundFollowsTheSystemColour()
    {
        QFETCH(bool, skinned);
        QFETCH(bool, paintedSince);
        QFETCH(QColor, expected);
        FakePlatform fakes;
        if (skinned)
            makeEntry(Entry::File, skinPath(fakes.platform()));
        Form1 window(fakes.platform());
        window.Form_Load();
        if (paintedSince) {
            QPalette red = window.palette();
            red.setColor(QPalette::Window, Qt::red);
            window.setPalette(red);
        }

        const QPalette system = QApplication::palette();
        QPalette changed = system;
        changed.setColor(QPalette::Button, kChangedButton);
        changed.setColor(QPalette::Base, kChangedBase);
        // Widgets hear of a new application palette through posted events.
        QApplication::setPalette(changed);
        QCoreApplication::sendPostedEvents();
        const QColor seen = background(window);
        QApplication::setPalette(system);
        QCoreApplication::sendPostedEvents();

        QCOMPARE(seen, expected);
    }

    void realEngineStylesTheWindow_data()
    {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<bool>("skinned");
        QTest::addColumn<QColor>("windowColour"); // invalid: the button face
        QTest::addColumn<QColor>("buttonColour"); // invalid: not looked at

        static constexpr char kBinarySkin[] = "PK\x03\x04\x14\x00\x00\x00\x08\x00skin.ini\xff\xfe";
        QFile example(QStringLiteral(QUILL_SOURCE_DIR "/data/skins/harbour.qss"));
        QVERIFY(example.open(QIODevice::ReadOnly));
        QTest::newRow("example skin") << example.readAll() << true << QColor(0x1e, 0x3a, 0x4c)
                                      << QColor(0xe0, 0xa4, 0x31);
        QTest::newRow("buttons only") << QByteArray("QPushButton { background-color: #654321; border: none; }")
                                      << true << QColor() << QColor(0x65, 0x43, 0x21);
        QTest::newRow("plain words") << QByteArray("hello world") << false << QColor() << QColor();
        QTest::newRow("another engine's binary skin")
            << QByteArray::fromRawData(kBinarySkin, sizeof kBinarySkin - 1) << false << QColor() << QColor();
    }

    void realEngineStylesTheWindow()
    {
        QFETCH(QByteArray, sheet);
        QFETCH(bool, skinned);
        QFETCH(QColor, windowColour);
        QFETCH(QColor, buttonColour);
        FakePlatform fakes;
        SkinFramework1 engine;
        const Platform platform{fakes.boxes,  fakes.boxes, fakes.launcher, fakes.events,
                                fakes.chance, fakes.inet,  engine,         fakes.announcer, fakes.installFolder()};
        makeEntry(Entry::File, skinPath(platform), sheet);

        Form1 window(platform);
        window.Form_Load();

        QCOMPARE(window.styleSheet(), skinned ? QString::fromUtf8(sheet) : QString());
        QVERIFY(engine.applyOptions() & SkinFramework1::StyleWindowSurface);
        const QImage look = window.grab().toImage();
        QCOMPARE(look.pixelColor(4, 4), windowColour.isValid() ? windowColour : buttonFace());
        if (buttonColour.isValid()) {
            const QRect start = controls(window).PushButton4->geometry();
            QCOMPARE(look.pixelColor(start.left() + 8, start.center().y()), buttonColour);
        }
        QVERIFY(fakes.boxes.shown().isEmpty());
    }
};

QTEST_MAIN(SkinStepTest)
#include "tst_skin_step.moc"
