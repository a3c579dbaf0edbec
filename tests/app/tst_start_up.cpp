#include "app/application_title.h"
#include "app/home_page.h"
#include "core/error_report.h"
#include "core/failure.h"
#include "cursor_bytes.h"
#include "data/domain_list.h"
#include "data/sample_names.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QProgressBar>
#include <QScopeGuard>
#include <QPushButton>
#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QUrl>

#include <sys/stat.h>

using namespace quill;
using namespace quill::test;

namespace {

const QString kFormLoad = QStringLiteral("in Tavrelle2021/08/31.Form1.Form_Load ");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class StartUpTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titleRule_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("product name") << QString::fromUtf16(kProductName) << QStringLiteral("Quillmere");
        QTest::newRow("short name still loses its last word")
            << QStringLiteral("Alpha Beta Gamma Delta Epsilon") << QStringLiteral("Alpha Beta Gamma Delta");
        // 40 characters left after the first cut: no second cut.
        QTest::newRow("exactly 40 after one cut")
            << (QString(40, u'a') + QStringLiteral(" tail")) << QString(40, u'a');
        QTest::newRow("41 after one cut loses further words")
            << (QString(20, u'a') + u' ' + QString(20, u'b') + QStringLiteral(" tail")) << QString(20, u'a');
        QTest::newRow("several words until 40 or fewer")
            << (QString(30, u'a') + QStringLiteral(" bbbbb ccccc ddddd eeeee")) << (QString(30, u'a') + QStringLiteral(" bbbbb"));
        QTest::newRow("leading blank leaves an empty title") << QStringLiteral(" Name") << QString();
    }

    void titleRule()
    {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitle(product), title);
    }

    void titleRuleFailsWhenNoBlankIsLeftToCut()
    {
        QVERIFY_THROWS_EXCEPTION(Failure, ApplicationTitle(QStringLiteral("Quillmere")));
        QVERIFY_THROWS_EXCEPTION(Failure, ApplicationTitle(QString(41, u'x') + QStringLiteral(" y")));
    }

    void homePageDraw_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<bool>("launched");
        QTest::newRow("n = 6") << 0.05 << false;
        QTest::newRow("n = 7") << 0.06 << true;
        QTest::newRow("n = 7, top of the band") << 0.0699 << true;
        QTest::newRow("n = 8") << 0.07 << false;
        QTest::newRow("n = 1") << 0.0 << false;
        QTest::newRow("n = 100") << 0.9999 << false;
    }

    void homePageDraw()
    {
        QFETCH(double, draw);
        QFETCH(bool, launched);
        FakeChance chance;
        chance.seconds = 45296;
        chance.draws = {draw};
        FakeLauncher launcher;
        HomePageDraw(chance, launcher);
        QCOMPARE(chance.seeds, QList<std::uint32_t>{45296});
        QCOMPARE(launcher.opened, launched ? QStringList{QString::fromUtf16(kHomePage)} : QStringList());
    }

    void homePageAddressIsTheFirstSampleNamesHost()
    {
        const QUrl page(QString::fromUtf16(kHomePage));
        QVERIFY(page.isValid());
        QVERIFY(page.scheme() == QLatin1String("http") || page.scheme() == QLatin1String("https"));
        QCOMPARE(page.host(), QString::fromLatin1(kSampleNames[0]));
    }

    void windowAfterStartUp()
    {
        WindowUnderTest t;
        Form1 &w = *t.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Quillmere Tandrovel"));
        QCOMPARE(w.applicationTitle(), QStringLiteral("Quillmere"));
        QCOMPARE(w.size(), QSize(536, 459));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(w.MousePointer(), Pointer::Default);
        QVERIFY(!w.hasHandCursor());
        QCOMPARE(controls(w).ProgressBar1->value(), 0);
        QCOMPARE(controls(w).ProgressBar1->accessibleName(), QStringLiteral("Progress"));
        QVERIFY(t.fakes.boxes.shown().isEmpty());
        QVERIFY(t.fakes.launcher.opened.isEmpty());
    }

    // The header beside a list's only column is drawn as header, in the
    // header's colours, whatever the desktop's palette.
    void headerBesideTheColumnIsHeader_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("list");
        QTest::newRow("light desktop, pending list") << false << 1;
        QTest::newRow("dark desktop, pending list") << true << 1;
        QTest::newRow("dark desktop, taken list") << true << 2;
    }

    void headerBesideTheColumnIsHeader()
    {
        QFETCH(bool, dark);
        QFETCH(int, list);
        const QPalette system = QApplication::palette();
        if (dark) {
            QPalette darkPalette = system;
            for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
                darkPalette.setColor(role, QColor(0x30, 0x30, 0x30));
            for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
                darkPalette.setColor(role, QColor(0xee, 0xee, 0xee));
            QApplication::setPalette(darkPalette);
        }
        const auto restore = qScopeGuard([&] { QApplication::setPalette(system); });
        WindowUnderTest t;
        DomainListView *view = list == 1 ? controls(*t.window).ListView1 : controls(*t.window).ListView2;
        QHeaderView *header = view->header();
        const QImage image = header->grab().toImage();
        const int y = header->height() / 2;
        const QColor column = image.pixelColor(view->columnWidth(0) - 8, y);
        const QColor beside = image.pixelColor(header->width() - 4, y);
        QVERIFY(view->columnWidth(0) + 8 < header->width());
        QCOMPARE(beside, column);
        QCOMPARE(t.window->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Base));
    }

    void listColumns_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("columnWidth");
        QTest::newRow("pending") << QStringLiteral("ListView1") << QStringLiteral("Domain(s)") << 467;
        QTest::newRow("taken") << QStringLiteral("ListView2") << QStringLiteral("Taken Domain(s)") << 233;
        QTest::newRow("available") << QStringLiteral("ListView3") << QStringLiteral("Available Domain(s)") << 233;
    }

    void listColumns()
    {
        QFETCH(QString, name);
        QFETCH(QString, header);
        QFETCH(int, columnWidth);
        WindowUnderTest t;
        auto *view = t.window->findChild<DomainListView *>(name);
        QVERIFY(view);
        QCOMPARE(view->model()->columnCount(), 1);
        QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), header);
        QVERIFY(!view->isHeaderHidden());
        QCOMPARE(view->columnWidth(0), columnWidth);
        QCOMPARE(view->accessibleName(), header);
        QCOMPARE(view->ListItems().Count(), 0);
        QCOMPARE(view->font().family(), QStringLiteral("Arial"));
        QCOMPARE(view->font().pointSizeF(), 9.0);
        QVERIFY(view->font().bold());
        // Every row has the one height, whatever its text holds.
        view->ListItems().Add(QStringLiteral("a"));
        view->ListItems().Add(QStringLiteral("www.\u00c9t\u00e9-\u4e2d\u6587-\u0416gjy.example"));
        view->ListItems().publish();
        QVERIFY(view->rowHeight() > 0);
        for (int row : {0, 1}) {
            const QRect rect = view->visualRect(view->ListItems().index(row, 0));
            QCOMPARE(rect.height(), view->rowHeight());
            QCOMPARE(rect.top(), row * view->rowHeight());
            QCOMPARE(view->indexAt(QPoint(1, rect.bottom())).row(), row);
        }
    }

    void onlyThePendingListHasATooltip()
    {
        WindowUnderTest t;
        QCOMPARE(controls(*t.window).ListView1->toolTip(),
                 QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal "
                                "full names."));
        QVERIFY(controls(*t.window).ListView2->toolTip().isEmpty());
        QVERIFY(controls(*t.window).ListView3->toolTip().isEmpty());
    }

    void listTooltipShowsOverTheEntriesToo_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("overAnEntry");
        QTest::addColumn<bool>("shown");
        QTest::newRow("pending, over an entry") << QStringLiteral("ListView1") << true << true;
        QTest::newRow("pending, below the entries") << QStringLiteral("ListView1") << false << true;
        QTest::newRow("taken list has none") << QStringLiteral("ListView2") << true << false;
    }

    void listTooltipShowsOverTheEntriesToo()
    {
        QFETCH(QString, list);
        QFETCH(bool, overAnEntry);
        QFETCH(bool, shown);
        WindowUnderTest t;
        t.window->show();
        auto *view = t.window->findChild<DomainListView *>(list);
        view->ListItems().Add(QStringLiteral("example.com"));
        view->ListItems().publish();
        QToolTip::hideText();
        const QPoint at = overAnEntry ? view->visualRect(view->model()->index(0, 0)).center()
                                      : QPoint(5, view->viewport()->height() - 5);
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
        QCOMPARE(QToolTip::isVisible(), shown);
        QCOMPARE(QToolTip::text(), shown ? view->toolTip() : QString());
    }

    void controlGeometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QRect>("twipRect");
        const auto row = [](const char *name, const char *caption, const char *description, int l, int t, int w,
                            int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption)
                                << QString::fromLatin1(description) << QRect(l, t, w, h);
        };
        // What a screen reader adds to the caption: a list button names its list.
        const char *pendingHint = "Double-click item to remove it. Move | line to right and out of window to reveal "
                                  "full names. The Delete key removes the selected item.";
        row("ListView1", "", pendingHint, 120, 120, 7800, 1575);
        row("ListView2", "", "", 4080, 3315, 3840, 1935);
        row("ListView3", "", "", 120, 3315, 3840, 1935);
        row("PushButton5", "Add Domain", "", 120, 1790, 3840, 400);
        row("PushButton3", "Load Domains From File", "", 4080, 1785, 3840, 405);
        row("PushButton11", "Clear List", "Domain(s)", 120, 2290, 3840, 405);
        row("PushButton4", "Start Checking", "", 120, 2810, 7800, 405);
        row("PushButton6", "Save List", "Available Domain(s)", 120, 5340, 3840, 405);
        row("PushButton9", "Clear List", "Available Domain(s)", 120, 5850, 3840, 405);
        row("PushButton1", "Save List", "Taken Domain(s)", 4080, 5340, 3840, 405);
        row("PushButton2", "Clear List", "Taken Domain(s)", 4080, 5850, 3840, 405);
        row("PushButton7", "Load Sample/Example Data", "", 4080, 2310, 3840, 405);
        row("ProgressBar1", "", "", 120, 6360, 7800, 405);
    }

    void controlGeometry()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, description);
        QFETCH(QRect, twipRect);
        WindowUnderTest t;
        auto *control = t.window->findChild<QWidget *>(name);
        QVERIFY(control);
        const auto px = [](int twipValue) { return qRound(twipValue / 15.0); };
        QCOMPARE(control->geometry(),
                 QRect(px(twipRect.x()), px(twipRect.y()), px(twipRect.width()), px(twipRect.height())));
        QCOMPARE(control->accessibleDescription(), description);
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->font().family(), QStringLiteral("Arial"));
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QVERIFY(button->font().bold());
            QVERIFY(button->toolTip().isEmpty());
        }
    }

    void tabOrderFollowsTheTable()
    {
        WindowUnderTest t;
        const QStringList expected = {"ListView1",   "ListView2",   "ListView3",   "PushButton5",  "PushButton3",
                                      "PushButton11", "PushButton4", "PushButton6", "PushButton9",  "PushButton1",
                                      "PushButton2", "PushButton7", "ProgressBar1"};
        QWidget *w = controls(*t.window).ListView1;
        for (qsizetype i = 1; i < expected.size(); ++i) {
            // Skip the children a control keeps in the chain (headers, scroll bars).
            do
                w = w->nextInFocusChain();
            while (w->objectName().isEmpty() || !expected.contains(w->objectName()));
            QCOMPARE(w->objectName(), expected[i]);
        }
    }

    void drawOfSevenOpensTheHomePageAndTheWindowStillOpens()
    {
        FakePlatform fakes;
        fakes.chance.draws = {0.06};
        Form1 window(fakes.platform());
        window.Form_Load();
        QCOMPARE(fakes.launcher.opened, QStringList{QString::fromUtf16(kHomePage)});
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillmere Tandrovel"));
    }

    void failedLaunchIsReportedAtStep108()
    {
        FakePlatform fakes;
        fakes.chance.draws = {0.06};
        fakes.launcher.failWith = QStringLiteral("No web browser");
        fakes.boxes.answerMessage(Answer::Ok);
        Form1 window(fakes.platform());
        window.Form_Load();
        QCOMPARE(fakes.boxes.reports(), QStringList{errorReportText(kFormLoad, 108, QStringLiteral("No web browser"))});
        QCOMPARE(window.applicationTitle(), QStringLiteral("Quillmere"));
        QUILL_VERIFY_DIALOGS_SETTLED(fakes.boxes);
    }

    void handCursorFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QPoint>("hotSpot");
        QTest::newRow("cursor") << cursorFileBytes(32, 9, 3) << true << QPoint(9, 3);
        QTest::newRow("hotspot clamped into the image") << cursorFileBytes(16, 40, 2) << true << QPoint(15, 2);
        QTest::newRow("an icon, not a cursor") << cursorFileBytes(32, 0, 0).replace(2, 1, "\x01") << false << QPoint();
        QTest::newRow("truncated") << cursorFileBytes(32, 1, 1).left(30) << false << QPoint();
        QTest::newRow("empty file") << QByteArray() << false << QPoint();
        QTest::newRow("text") << QByteArray("not a cursor at all, just text\r\n") << false << QPoint();
    }

    void handCursorFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loaded);
        QFETCH(QPoint, hotSpot);
        FakePlatform fakes;
        writeFile(fakes.installFolder() + QStringLiteral("/HAND-M.CUR"), bytes);
        if (!loaded)
            fakes.boxes.answerMessage(Answer::Ok);
        Form1 window(fakes.platform());
        window.Form_Load();
        QCOMPARE(window.hasHandCursor(), loaded);
        if (loaded) {
            QVERIFY(fakes.boxes.shown().isEmpty());
            window.setMousePointer(Pointer::Hand);
            QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(window.cursor().hotSpot(), hotSpot);
        } else {
            QCOMPARE(fakes.boxes.reports().size(), 1);
            QVERIFY(fakes.boxes.reports().first().contains(kFormLoad + QStringLiteral("at line 106\r\r")));
            window.setMousePointer(Pointer::Hand);
            QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        }
        // Start-up went on after the cursor either way.
        QCOMPARE(controls(window).ListView3->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Available Domain(s)"));
        QUILL_VERIFY_DIALOGS_SETTLED(fakes.boxes);
    }

    // Whatever stands in the cursor's place, start-up reports it at step 106
    // and goes on: it never blocks on a pipe or reads a device without end.
    void unreadableCursorIsReportedAtStep106_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("file to open is a directory");
        QTest::newRow("pipe without a writer") << QStringLiteral("pipe") << QStringLiteral("Invalid picture");
        QTest::newRow("link to an endless device") << QStringLiteral("zero") << QStringLiteral("Invalid picture");
        QTest::newRow("cursor followed by megabytes")
            << QStringLiteral("large") << QStringLiteral("Invalid picture");
    }

    void unreadableCursorIsReportedAtStep106()
    {
        QFETCH(QString, kind);
        QFETCH(QString, description);
        FakePlatform fakes;
        const QString path = fakes.installFolder() + QStringLiteral("/HAND-M.CUR");
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir(fakes.installFolder()).mkdir(QStringLiteral("HAND-M.CUR")));
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("zero"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else
            writeFile(path, cursorFileBytes(32, 1, 1) + QByteArray(2 * 1024 * 1024, '\0'));
        fakes.boxes.answerMessage(Answer::Ok);
        Form1 window(fakes.platform());
        window.Form_Load();
        QCOMPARE(fakes.boxes.reports().size(), 1);
        const QString report = fakes.boxes.reports().first();
        QVERIFY2(report.contains(kFormLoad + QStringLiteral("at line 106\r\r")), qPrintable(report));
        QVERIFY2(report.startsWith(description + QStringLiteral("\r\n")), qPrintable(report));
        QVERIFY(!window.hasHandCursor());
        QUILL_VERIFY_DIALOGS_SETTLED(fakes.boxes);
    }
};

QTEST_MAIN(StartUpTest)
#include "tst_start_up.moc"
