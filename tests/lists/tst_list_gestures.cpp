#include "lists/domain_list.h"
#include "lists/domain_list_view.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

using namespace quill;
using namespace quill::test;

Q_DECLARE_METATYPE(quill::Pointer)

namespace {

enum class Gesture { Delete, ShiftDelete, CtrlDelete, AltDelete, Backspace, DoubleClickRow, DoubleClickBelow };

QStringList texts(const DomainList &list)
{
    QStringList result;
    for (int i = 1; i <= list.Count(); ++i)
        result.append(QString::fromUtf8(list.Item(i)));
    return result;
}

DomainListView *view(Form1 &w, int number)
{
    return number == 1 ? controls(w).ListView1 : number == 2 ? controls(w).ListView2 : controls(w).ListView3;
}

void perform(DomainListView *v, Gesture gesture, int selectedRow)
{
    switch (gesture) {
    case Gesture::Delete:
        return QTest::keyClick(v, Qt::Key_Delete);
    case Gesture::ShiftDelete:
        return QTest::keyClick(v, Qt::Key_Delete, Qt::ShiftModifier);
    case Gesture::CtrlDelete:
        return QTest::keyClick(v, Qt::Key_Delete, Qt::ControlModifier);
    case Gesture::AltDelete:
        return QTest::keyClick(v, Qt::Key_Delete, Qt::AltModifier);
    case Gesture::Backspace:
        return QTest::keyClick(v, Qt::Key_Backspace);
    case Gesture::DoubleClickRow: {
        const QRect row = v->visualRect(v->model()->index(qMax(selectedRow, 0), 0));
        return QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, row.center());
    }
    case Gesture::DoubleClickBelow:
        return QTest::mouseDClick(v->viewport(), Qt::LeftButton, {},
                                  QPoint(10, v->viewport()->height() - 3));
    }
}

// Presses on the column's divider, moves by `dx` and lets go, as a user's
// drag sends it.
void dragDivider(QHeaderView *header, int dx)
{
    QWidget *area = header->viewport();
    const QPoint from(header->sectionViewportPosition(0) + header->sectionSize(0) - 1, header->height() / 2);
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, area->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(area, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(dx / 2, 0), Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(dx, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + QPoint(dx, 0), Qt::NoButton);
}

} // namespace

Q_DECLARE_METATYPE(Gesture)

class ListGesturesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void removal_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("selected"); // row from 0, -1 for none
        QTest::addColumn<Pointer>("pointer");
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<QStringList>("left");
        const QStringList five = {"a", "b", "c", "d", "e"};
        QTest::newRow("Delete removes the selected entry") << 1 << five << 1 << Pointer::Default << Gesture::Delete
                                                           << QStringList{"a", "c", "d", "e"};
        QTest::newRow("Shift+Delete") << 2 << five << 0 << Pointer::Default << Gesture::ShiftDelete
                                      << QStringList{"b", "c", "d", "e"};
        QTest::newRow("Ctrl+Delete") << 3 << five << 4 << Pointer::Default << Gesture::CtrlDelete
                                     << QStringList{"a", "b", "c", "d"};
        QTest::newRow("Alt+Delete") << 3 << five << 2 << Pointer::Hand << Gesture::AltDelete
                                    << QStringList{"a", "b", "d", "e"};
        QTest::newRow("Backspace removes nothing") << 1 << five << 1 << Pointer::Default << Gesture::Backspace << five;
        QTest::newRow("double-click on an entry") << 2 << five << 3 << Pointer::Default << Gesture::DoubleClickRow
                                                  << QStringList{"a", "b", "c", "e"};
        QTest::newRow("double-click below the last entry acts on the selection")
            << 1 << QStringList{"a", "b"} << 0 << Pointer::Default << Gesture::DoubleClickBelow << QStringList{"b"};
        QTest::newRow("no selection, Delete") << 1 << five << -1 << Pointer::Default << Gesture::Delete << five;
        QTest::newRow("no selection, double-click below")
            << 3 << five << -1 << Pointer::Default << Gesture::DoubleClickBelow << five;
        QTest::newRow("empty list, Delete") << 2 << QStringList{} << -1 << Pointer::Default << Gesture::Delete
                                            << QStringList{};
        QTest::newRow("empty list, double-click") << 3 << QStringList{} << -1 << Pointer::Default
                                                  << Gesture::DoubleClickBelow << QStringList{};
        QTest::newRow("busy refuses Delete") << 1 << five << 1 << Pointer::Busy << Gesture::Delete << five;
        QTest::newRow("busy refuses double-click") << 2 << five << 1 << Pointer::Busy << Gesture::DoubleClickRow << five;
        QTest::newRow("only the selected twin goes")
            << 1 << QStringList{"x", "dup", "dup", "dup"} << 2 << Pointer::Default << Gesture::Delete
            << QStringList{"x", "dup", "dup"};
    }

    void removal()
    {
        QFETCH(int, list);
        QFETCH(QStringList, entries);
        QFETCH(int, selected);
        QFETCH(Pointer, pointer);
        QFETCH(Gesture, gesture);
        QFETCH(QStringList, left);

        WindowUnderTest t;
        Form1 &w = *t.window;
        w.show();
        for (int n = 1; n <= 3; ++n)
            for (const QString &name : entries)
                view(w, n)->ListItems().Add(name);
        QCoreApplication::processEvents();
        DomainListView *v = view(w, list);
        if (selected >= 0)
            v->selectionModel()->select(v->model()->index(selected, 0), QItemSelectionModel::ClearAndSelect);
        w.setMousePointer(pointer);

        perform(v, gesture, selected);

        QCOMPARE(texts(v->ListItems()), left);
        for (int other = 1; other <= 3; ++other)
            if (other != list)
                QCOMPARE(texts(view(w, other)->ListItems()), entries);
        QCOMPARE(w.MousePointer(), pointer);
        QVERIFY(t.fakes.boxes.shown().isEmpty());
    }

    // A held key sends one press and then auto-repeats: each removes one
    // entry for as long as an entry is selected, and no more.
    void heldDeleteRemovesOneEntryPerRepeat()
    {
        WindowUnderTest t;
        Form1 &w = *t.window;
        w.show();
        for (const char *name : {"a", "b", "c", "d"})
            controls(w).ListView2->ListItems().Add(QByteArrayView(name));
        QCoreApplication::processEvents();
        DomainListView *taken = controls(w).ListView2;
        taken->selectionModel()->select(taken->model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
        QList<int> counts;
        for (int press = 0; press < 5; ++press) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(), press > 0);
            QApplication::sendEvent(controls(w).ListView2, &key);
            QCoreApplication::processEvents();
            counts.append(controls(w).ListView2->ListItems().Count());
        }
        QCOMPARE(counts, (QList<int>{3, 2, 1, 0, 0}));
        QVERIFY(t.fakes.boxes.shown().isEmpty());
    }

    // Widening the column past the list's edge makes the list scroll
    // sideways, header and rows together; narrowing it gives the room back.
    void dividerDragScrollsSideways_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("drag");
        QTest::addColumn<bool>("sideways");
        QTest::newRow("pending, widened past the edge") << 1 << 300 << true;
        QTest::newRow("taken, widened past the edge") << 2 << 200 << true;
        QTest::newRow("available, narrowed") << 3 << -100 << false;
    }

    void dividerDragScrollsSideways()
    {
        QFETCH(int, list);
        QFETCH(int, drag);
        QFETCH(bool, sideways);
        WindowUnderTest t;
        t.window->show();
        DomainListView *v = view(*t.window, list);
        v->ListItems().Add(QStringLiteral("example.com"));
        v->ListItems().publish();
        const int before = v->columnWidth(0);

        dragDivider(v->header(), drag);

        QCOMPARE(v->columnWidth(0), before + drag);
        QScrollBar *bar = v->horizontalScrollBar();
        QCOMPARE(bar->maximum(), qMax(0, before + drag - v->viewport()->width()));
        QCOMPARE(bar->maximum() > 0, sideways);
        bar->setValue(bar->maximum());
        QCOMPARE(v->header()->offset(), bar->maximum());
        QCOMPARE(v->visualRect(v->model()->index(0, 0)).right(), before + drag - 1 - bar->maximum());
    }

    // A screen reader finds the header and then the rows on the screen, each
    // by its entry's text, wherever the list is scrolled to.
    void accessibleRows_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("top");      // row scrolled to the top
        QTest::addColumn<int>("selected"); // row, -1 for none
        QTest::newRow("empty list: the header alone") << 0 << 0 << -1;
        QTest::newRow("a few entries, all on the screen") << 3 << 0 << 1;
        QTest::newRow("a long list at its top") << 5000 << 0 << 0;
        QTest::newRow("a long list scrolled far down") << 5000 << 4321 << 4322;
    }

    void accessibleRows()
    {
        QFETCH(int, entries);
        QFETCH(int, top);
        QFETCH(int, selected);
        WindowUnderTest t;
        t.window->show();
        DomainListView *v = controls(*t.window).ListView1;
        for (int i = 0; i < entries; ++i)
            v->ListItems().Add(QStringLiteral("name%1.example").arg(i));
        v->ListItems().publish();
        v->verticalScrollBar()->setValue(top);
        if (selected >= 0)
            v->selectionModel()->select(v->model()->index(selected, 0), QItemSelectionModel::ClearAndSelect);

        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(v);
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Domain(s)"));
        const int shown = qMin(entries - top, (v->viewport()->height() + v->rowHeight() - 1) / v->rowHeight());
        QCOMPARE(list->childCount(), 1 + shown);
        QAccessibleInterface *header = list->child(0);
        QCOMPARE(header->role(), QAccessible::ColumnHeader);
        QCOMPARE(header->text(QAccessible::Name), QStringLiteral("Domain(s)"));
        for (int i = 1; i <= shown; ++i) {
            QAccessibleInterface *row = list->child(i);
            QCOMPARE(row->role(), QAccessible::ListItem);
            QCOMPARE(row->text(QAccessible::Name), QStringLiteral("name%1.example").arg(top + i - 1));
            QCOMPARE(row->state().selected, top + i - 1 == selected);
            QCOMPARE(list->indexOfChild(row), i);
            QCOMPARE(list->childAt(row->rect().center().x(), row->rect().center().y()), row);
        }
    }
};

QTEST_MAIN(ListGesturesTest)
#include "tst_list_gestures.moc"
