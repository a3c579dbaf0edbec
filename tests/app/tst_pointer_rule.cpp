#include "cursor_bytes.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace quill;
using namespace quill::test;

Q_DECLARE_METATYPE(quill::Pointer)

namespace {

// A mouse move as the windowing system delivers it, so that moves the
// control ignores travel on to its parents as they would for real.
void moveOver(QWidget *target)
{
    const QPointF local(target->width() / 2.0, target->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

QWidget *target(Form1 &w, const QString &name)
{
    if (name == QLatin1String("window"))
        return &w;
    if (name.startsWith(QLatin1String("ListView"))) {
        // "ListView2" is its rows; ".header" and ".scrollbar" its other parts.
        auto *view = w.findChild<DomainListView *>(name.section(u'.', 0, 0));
        const QString part = name.section(u'.', 1);
        if (part == QLatin1String("header"))
            return view->header();
        if (part == QLatin1String("scrollbar"))
            return view->verticalScrollBar();
        if (part == QLatin1String("sideways"))
            return view->horizontalScrollBar();
        return view->viewport();
    }
    return w.findChild<QWidget *>(name);
}

} // namespace

class PointerRuleTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pointerRule_data()
    {
        QTest::addColumn<QString>("over");
        QTest::addColumn<Pointer>("before");
        QTest::addColumn<Pointer>("after");
        QTest::newRow("button sets the hand") << "PushButton4" << Pointer::Default << Pointer::Hand;
        QTest::newRow("another button") << "PushButton7" << Pointer::Default << Pointer::Hand;
        QTest::newRow("button keeps busy") << "PushButton5" << Pointer::Busy << Pointer::Busy;
        QTest::newRow("background after a button") << "window" << Pointer::Hand << Pointer::Default;
        QTest::newRow("background keeps busy") << "window" << Pointer::Busy << Pointer::Busy;
        QTest::newRow("pending list after a button") << "ListView1" << Pointer::Hand << Pointer::Default;
        QTest::newRow("taken list") << "ListView2" << Pointer::Hand << Pointer::Default;
        QTest::newRow("available list keeps busy") << "ListView3" << Pointer::Busy << Pointer::Busy;
        QTest::newRow("a list's header after a button") << "ListView1.header" << Pointer::Hand << Pointer::Default;
        QTest::newRow("a list's scroll bar after a button")
            << "ListView2.scrollbar" << Pointer::Hand << Pointer::Default;
        QTest::newRow("a list's sideways scroll bar") << "ListView3.sideways" << Pointer::Hand << Pointer::Default;
        QTest::newRow("a list's header keeps busy") << "ListView3.header" << Pointer::Busy << Pointer::Busy;
        QTest::newRow("a list's scroll bar keeps busy") << "ListView1.scrollbar" << Pointer::Busy << Pointer::Busy;
        QTest::newRow("progress bar leaves the hand") << "ProgressBar1" << Pointer::Hand << Pointer::Hand;
        QTest::newRow("progress bar leaves default") << "ProgressBar1" << Pointer::Default << Pointer::Default;
    }

    void pointerRule()
    {
        QFETCH(QString, over);
        QFETCH(Pointer, before);
        QFETCH(Pointer, after);
        WindowUnderTest t;
        const auto busy = startFrom(*t.window, before);
        moveOver(target(*t.window, over));
        QCOMPARE(t.window->MousePointer(), after);
    }

    void cursorShapeFollowsTheSetting()
    {
        FakePlatform fakes;
        QFile file(fakes.installFolder() + QStringLiteral("/HAND-M.CUR"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cursorFileBytes(32, 4, 1));
        file.close();
        Form1 window(fakes.platform());
        window.Form_Load();
        moveOver(controls(window).PushButton1);
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        // Children show the window's pointer.
        QVERIFY(!controls(window).PushButton1->testAttribute(Qt::WA_SetCursor));
        {
            const BusyScope busy(window.busyRecord());
            QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
            moveOver(controls(window).ListView2->viewport());
            QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        }
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void withoutCursorFileTheHandLooksLikeTheArrow()
    {
        WindowUnderTest t;
        moveOver(controls(*t.window).PushButton3);
        QCOMPARE(t.window->MousePointer(), Pointer::Hand);
        QCOMPARE(t.window->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(t.fakes.boxes.shown().isEmpty());
    }
};

QTEST_MAIN(PointerRuleTest)
#include "tst_pointer_rule.moc"
