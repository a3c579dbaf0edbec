#include "lists/domain_list.h"
#include "lists/domain_list_view.h"
#include "window_fixture.h"

#include <QApplication>
#include <QKeyEvent>
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
};

QTEST_MAIN(ListGesturesTest)
#include "tst_list_gestures.moc"
