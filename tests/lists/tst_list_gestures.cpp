#include "data/domain_list.h"
#include "list_view_keys.h"
#include "lists/remove_selected.h"
#include "views/domain_list_view.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSet>
#include <QTest>

#include <limits>

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

// The colours of one column of an image, top to bottom.
QList<QRgb> pixelColumn(const QImage &image, int x)
{
    QList<QRgb> column;
    for (int y = 0; y < image.height(); ++y)
        column.append(image.pixel(x, y));
    return column;
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
        const auto busy = startFrom(w, pointer);

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

    // The keys, the wheel and type-ahead on a list of its own with a page of
    // ten rows: where each leaves the current row, the selection and the
    // scroll position, on short lists and on a million names. The accessible
    // list reads the same selection.
    void keys_data()
    {
        QTest::addColumn<int>("entries"); // the last is "zulu.example"
        QTest::addColumn<int>("current"); // before, -1 for none
        QTest::addColumn<int>("top");     // before
        QTest::addColumn<Key>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("toCurrent");
        QTest::addColumn<int>("toSelected");
        QTest::addColumn<int>("toTop");
        QTest::addColumn<int>("toEntries");
        const QString none;
        constexpr int M = 1'000'000;
        QTest::newRow("Down, nothing current yet") << 25 << -1 << 0 << Key::Down << none << 0 << 0 << 0 << 25;
        QTest::newRow("Down within the page") << 25 << 4 << 0 << Key::Down << none << 5 << 5 << 0 << 25;
        QTest::newRow("Down past the page") << 25 << 9 << 0 << Key::Down << none << 10 << 10 << 1 << 25;
        QTest::newRow("Down at the last") << 25 << 24 << 15 << Key::Down << none << 24 << 24 << 15 << 25;
        QTest::newRow("Up at the first") << 25 << 0 << 0 << Key::Up << none << 0 << 0 << 0 << 25;
        QTest::newRow("Up above the top") << 25 << 12 << 12 << Key::Up << none << 11 << 11 << 11 << 25;
        QTest::newRow("PageDown") << 25 << 0 << 0 << Key::PageDown << none << 10 << 10 << 1 << 25;
        QTest::newRow("PageDown near the end") << 25 << 20 << 15 << Key::PageDown << none << 24 << 24 << 15 << 25;
        QTest::newRow("PageUp") << 25 << 24 << 15 << Key::PageUp << none << 14 << 14 << 14 << 25;
        QTest::newRow("PageUp near the top") << 25 << 5 << 0 << Key::PageUp << none << 0 << 0 << 0 << 25;
        QTest::newRow("Home") << 25 << 17 << 15 << Key::Home << none << 0 << 0 << 0 << 25;
        QTest::newRow("End") << 25 << 0 << 0 << Key::End << none << 24 << 24 << 15 << 25;
        QTest::newRow("End, all on one page") << 3 << 0 << 0 << Key::End << none << 2 << 2 << 0 << 3;
        QTest::newRow("PageDown, all on one page") << 3 << 0 << 0 << Key::PageDown << none << 2 << 2 << 0 << 3;
        QTest::newRow("Down in an empty list") << 0 << -1 << 0 << Key::Down << none << -1 << -1 << 0 << 0;
        QTest::newRow("wheel down") << 25 << 3 << 0 << Key::WheelDown << none << 3 << 3 << 3 << 25;
        QTest::newRow("wheel up at the top") << 25 << 3 << 0 << Key::WheelUp << none << 3 << 3 << 0 << 25;
        QTest::newRow("wheel down at the bottom") << 25 << 20 << 15 << Key::WheelDown << none << 20 << 20 << 15
                                                  << 25;
        QTest::newRow("type-ahead, the next match") << 25 << 3 << 0 << Key::Type << "n" << 4 << 4 << 0 << 25;
        QTest::newRow("type-ahead, any case") << 25 << 3 << 0 << Key::Type << "Z" << 24 << 24 << 15 << 25;
        QTest::newRow("type-ahead, no match") << 25 << 3 << 0 << Key::Type << "q" << 3 << 3 << 0 << 25;
        QTest::newRow("Delete, the next moves up") << 25 << 5 << 0 << Key::Delete << none << 5 << 5 << 0 << 24;
        QTest::newRow("Delete the last") << 25 << 24 << 15 << Key::Delete << none << 23 << 23 << 14 << 24;
        QTest::newRow("Delete the only") << 1 << 0 << 0 << Key::Delete << none << -1 << -1 << 0 << 0;
        QTest::newRow("a million: End") << M << 0 << 0 << Key::End << none << M - 1 << M - 1 << M - 10 << M;
        QTest::newRow("a million: Down at the last")
            << M << M - 1 << M - 10 << Key::Down << none << M - 1 << M - 1 << M - 10 << M;
        QTest::newRow("a million: PageUp from the last")
            << M << M - 1 << M - 10 << Key::PageUp << none << M - 11 << M - 11 << M - 11 << M;
        QTest::newRow("a million: PageDown in the middle")
            << M << M / 2 << M / 2 << Key::PageDown << none << M / 2 + 10 << M / 2 + 10 << M / 2 + 1 << M;
        QTest::newRow("a million: Home from the last")
            << M << M - 1 << M - 10 << Key::Home << none << 0 << 0 << 0 << M;
        QTest::newRow("a million: wheel down in the middle")
            << M << M / 2 << M / 2 << Key::WheelDown << none << M / 2 << M / 2 << M / 2 + 3 << M;
        QTest::newRow("a million: type-ahead to the last")
            << M << 0 << 0 << Key::Type << "z" << M - 1 << M - 1 << M - 10 << M;
        QTest::newRow("a million: type-ahead, no match") << M << 7 << 0 << Key::Type << "q" << 7 << 7 << 0 << M;
        QTest::newRow("a million: Delete in the middle")
            << M << M / 2 << M / 2 << Key::Delete << none << M / 2 << M / 2 << M / 2 << M - 1;
    }

    void keys()
    {
        QFETCH(int, entries);
        QFETCH(int, current);
        QFETCH(int, top);
        QFETCH(Key, key);
        QFETCH(QString, typed);
        QFETCH(int, toCurrent);
        QFETCH(int, toSelected);
        QFETCH(int, toTop);
        QFETCH(int, toEntries);
        DomainListView v;
        pageOfTen(v);
        fill(v.ListItems(), entries);
        connect(&v, &DomainListView::deleteKeyPressed, &v,
                [&v] { removeSelectedEntry(v.ListItems(), v.SelectedItemIndex(), false); });
        if (current >= 0)
            v.setCurrentIndex(v.model()->index(current, 0));
        v.verticalScrollBar()->setValue(top);

        press(v, key, typed);

        QCOMPARE(v.ListItems().Count(), toEntries);
        QCOMPARE(v.currentIndex().row(), toCurrent);
        QCOMPARE(v.SelectedItemIndex().value_or(0) - 1, toSelected);
        QCOMPARE(v.verticalScrollBar()->value(), toTop);
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&v);
        QCOMPARE(list->tableInterface()->rowCount(), toEntries);
        QCOMPARE(list->tableInterface()->selectedRows(), toSelected < 0 ? QList<int>{} : QList<int>{toSelected});
        if (toSelected >= 0) {
            QAccessibleInterface *row = list->tableInterface()->cellAt(toSelected, 0);
            QVERIFY(row->state().selected);
            QCOMPARE(row->state().offscreen, toSelected < toTop || toSelected >= toTop + 10);
            QCOMPARE(list->indexOfChild(row), toSelected);
            QCOMPARE(list->focusChild(), list->child(toCurrent));
        }
    }

    // A screen reader finds every row at its position, each by its entry's
    // text, wherever the list is scrolled to; rows off the screen read as
    // such. The header is the table's, outside the rows' count, shown or not.
    void accessibleRows_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("top");      // row scrolled to the top
        QTest::addColumn<int>("selected"); // row, -1 for none
        QTest::addColumn<bool>("headerShown");
        QTest::newRow("empty list: no rows") << 0 << 0 << -1 << true;
        QTest::newRow("one entry") << 1 << 0 << 0 << true;
        QTest::newRow("a few entries, all on the screen") << 3 << 0 << 1 << true;
        QTest::newRow("a few entries, the header hidden") << 3 << 0 << 2 << false;
        QTest::newRow("a long list at its top") << 5000 << 0 << 0 << true;
        QTest::newRow("a long list scrolled far down") << 5000 << 4321 << 4322 << true;
        QTest::newRow("a long list, the selection off the screen") << 5000 << 10 << 4999 << true;
    }

    void accessibleRows()
    {
        QFETCH(int, entries);
        QFETCH(int, top);
        QFETCH(int, selected);
        QFETCH(bool, headerShown);
        WindowUnderTest t;
        t.window->show();
        DomainListView *v = controls(*t.window).ListView1;
        v->setHeaderHidden(!headerShown);
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
        QCOMPARE(list->childCount(), entries);
        QAccessibleTableInterface *table = list->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), entries);
        QCOMPARE(table->columnCount(), 1);
        QCOMPARE(table->selectedRows(), selected < 0 ? QList<int>{} : QList<int>{selected});
        QCOMPARE(table->selectedCellCount(), selected < 0 ? 0 : 1);
        QVERIFY(!list->child(entries));
        QVERIFY(!table->cellAt(entries, 0));
        const int onScreen = v->shownRowCount();
        for (const int at : {0, top, top + onScreen - 1, top + onScreen, entries / 2, entries - 1}) {
            if (at < 0 || at >= entries)
                continue;
            QAccessibleInterface *row = list->child(at);
            QCOMPARE(row->role(), QAccessible::ListItem);
            QCOMPARE(row->text(QAccessible::Name), QStringLiteral("name%1.example").arg(at));
            QCOMPARE(table->cellAt(at, 0), row);
            QCOMPARE(list->indexOfChild(row), at);
            QCOMPARE(row->tableCellInterface()->rowIndex(), at);
            const QList<QAccessibleInterface *> headers = row->tableCellInterface()->columnHeaderCells();
            QCOMPARE(headers.size(), headerShown ? 1 : 0);
            if (headerShown) {
                QCOMPARE(headers.first()->role(), QAccessible::ColumnHeader);
                QCOMPARE(headers.first()->text(QAccessible::Name), QStringLiteral("Domain(s)"));
                QCOMPARE(list->indexOfChild(headers.first()), -1);
            }
            QCOMPARE(row->state().selected, at == selected);
            QCOMPARE(table->isRowSelected(at), at == selected);
            const bool shown = at >= top && at < top + onScreen;
            QCOMPARE(row->state().offscreen, !shown);
            if (shown)
                QCOMPARE(list->childAt(row->rect().center().x(), row->rect().center().y()), row);
        }
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        QAccessibleSelectionInterface *selection = list->selectionInterface();
        QVERIFY(selection);
        QCOMPARE(selection->selectedItemCount(), selected < 0 ? 0 : 1);
        if (selected >= 0)
            QCOMPARE(selection->selectedItem(0), list->child(selected));
#endif
    }

    // A row keeps its item, and so its id and its path on the accessibility
    // bus, for as long as it is there, however many rows a reader takes and
    // however the entries before it go: a reader that took all the children
    // and then reads them gets every name, and takes the same items again.
    // Every item handed out is alive, also from a selection of many rows;
    // only a removed row's item is given up.
    void accessibleRowsLiveWithTheirRows()
    {
        DomainListView v;
        pageOfTen(v);
        fill(v.ListItems(), 100'000);
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&v);
        QList<QAccessible::Id> ids;
        for (int row = 0; row < list->childCount(); ++row)
            ids.append(QAccessible::uniqueId(list->child(row)));
        for (int row = 0; row < list->childCount(); row += 997) {
            QCOMPARE(QAccessible::uniqueId(list->child(row)), ids[row]);
            QCOMPARE(QAccessible::accessibleInterface(ids[row])->text(QAccessible::Name),
                     v.model()->index(row, 0).data().toString());
        }

        v.selectionModel()->select(QItemSelection(v.model()->index(0, 0), v.model()->index(999, 0)),
                                   QItemSelectionModel::ClearAndSelect);
        const QList<QAccessibleInterface *> cells = list->tableInterface()->selectedCells();
        QCOMPARE(cells.size(), 1000);
        for (int row = 0; row < cells.size(); ++row)
            QCOMPARE(QAccessible::accessibleInterface(ids[row]), cells[row]);

        // The row's one action selects it, as Qt's own cells do; on the only
        // selected row it keeps it selected, as Qt's do in single selection.
        QAccessibleActionInterface *toggle = list->child(5000)->actionInterface();
        QCOMPARE(toggle->actionNames(), QStringList{QAccessibleActionInterface::toggleAction()});
        toggle->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(v.SelectedItemIndex(), 5001);
        QCOMPARE(list->focusChild(), list->child(5000));
        toggle->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(v.SelectedItemIndex(), 5001);
        QVERIFY(!list->tableInterface()->unselectRow(5000));

        v.ListItems().Remove(11); // row 10
        QVERIFY(!QAccessible::accessibleInterface(ids[10]));
        QCOMPARE(list->child(10), QAccessible::accessibleInterface(ids[11]));
        QCOMPARE(list->indexOfChild(list->child(10)), 10);
        QCOMPARE(list->child(10)->text(QAccessible::Name), v.model()->index(10, 0).data().toString());
        QCOMPARE(QAccessible::uniqueId(list->child(99'998)), ids[99'999]);

        v.ListItems().Clear();
        QCOMPARE(list->childCount(), 0);
        QVERIFY(!QAccessible::accessibleInterface(ids[0]));
        QVERIFY(!QAccessible::accessibleInterface(ids[99'999]));
    }

    // Rows so many or so high that their pixel places pass the range of
    // int: the view still finds them and places them past the screen.
    void farRowsKeepTheirPlaces()
    {
        DomainListView v;
        QFont big = v.font();
        big.setPixelSize(3000);
        v.setFont(big);
        v.resize(300, v.rowHeight() * 2 + 100);
        v.show();
        fill(v.ListItems(), 1'000'000);
        QVERIFY(qint64(v.rowHeight()) * 1'000'000 > std::numeric_limits<int>::max());
        const QModelIndex last = v.model()->index(999'999, 0);
        QVERIFY(v.visualRect(last).top() > v.viewport()->height());
        QTest::keyClick(&v, Qt::Key_End);
        QCOMPARE(v.currentIndex(), last);
        const QRect place = v.visualRect(last);
        QVERIFY(v.viewport()->rect().intersects(place));
        QCOMPARE(v.indexAt(place.center()), last);
        QVERIFY(v.visualRect(v.model()->index(0, 0)).bottom() < 0);
    }

    // In a right-to-left layout the rows stand under their header, however
    // the column is scrolled sideways.
    void rightToLeftRowsFollowTheHeader_data()
    {
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::addColumn<int>("width");
        QTest::newRow("left to right, narrow") << Qt::LeftToRight << 120;
        QTest::newRow("left to right, wide") << Qt::LeftToRight << 700;
        QTest::newRow("right to left, narrow") << Qt::RightToLeft << 120;
        QTest::newRow("right to left, wide") << Qt::RightToLeft << 700;
        QTest::newRow("right to left, over half the width") << Qt::RightToLeft << 200;
    }

    void rightToLeftRowsFollowTheHeader()
    {
        QFETCH(Qt::LayoutDirection, direction);
        QFETCH(int, width);
        DomainListView v;
        v.setLayoutDirection(direction);
        v.addColumn(QStringLiteral("Domain(s)"));
        v.setColumnWidth(0, width);
        v.resize(300, 200);
        v.show();
        fill(v.ListItems(), 5);
        QScrollBar *sideways = v.horizontalScrollBar();
        for (const int at : {0, sideways->maximum() / 2, sideways->maximum()}) {
            sideways->setValue(at);
            const QRect row = v.visualRect(v.model()->index(2, 0));
            QCOMPARE(row.left(), v.header()->sectionViewportPosition(0));
            QCOMPARE(row.width(), width);
            const int inside = direction == Qt::RightToLeft ? row.right() - 2 : row.left() + 2;
            QCOMPARE(v.indexAt(QPoint(inside, row.center().y())).row(), 2);
            const int outside = direction == Qt::RightToLeft ? row.left() - 2 : row.right() + 2;
            if (outside >= 0 && outside < v.viewport()->width())
                QVERIFY(!v.indexAt(QPoint(outside, row.center().y())).isValid());
            // Beside a section in full view the header is drawn as the
            // section's plain part, and the section keeps its text.
            const QImage header = v.header()->viewport()->grab().toImage();
            const int left = v.header()->sectionViewportPosition(0);
            if (left < 0 || left + width > header.width())
                continue;
            QList<QList<QRgb>> section;
            for (int x = left + 3; x < left + width - 3; ++x)
                section.append(pixelColumn(header, x));
            const int beside = direction == Qt::RightToLeft ? 4 : header.width() - 5;
            QVERIFY2(section.contains(pixelColumn(header, beside)), "the part beside the section is not header");
            QVERIFY2(section.count(section.constFirst()) < section.size(), "the section is drawn over");
        }
    }
};

QTEST_MAIN(ListGesturesTest)
#include "tst_list_gestures.moc"
