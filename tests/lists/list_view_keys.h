#pragma once

// What the list view tests share: a view of its own with a page of ten
// rows, entries to fill it, and the keys and wheel turns a user gives it.

#include "data/domain_list.h"
#include "views/domain_list_view.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

namespace quill::test {

// CtrlClick: Ctrl and a click on the current row; Arrive: the focus comes in
// by Tab; ArriveUnselected: the same, with the current row not selected.
enum class Key { Down, Up, PageDown, PageUp, Home, End, WheelDown, WheelUp, Type, Delete, Append, Clear, CtrlClick, Arrive,
                 ArriveUnselected };

// Entries "n0000000.example" and on, the last "zulu.example", published.
inline void fill(DomainList &list, int entries)
{
    list.reserve(entries, qsizetype(entries) * 16);
    for (int i = 0; i + 1 < entries; ++i)
        list.Add(QByteArrayView(QByteArray("n") + QByteArray::number(i).rightJustified(7, '0') + ".example"));
    if (entries > 0)
        list.Add(QByteArrayView("zulu.example"));
    list.publish();
}

// A view of its own, shown with room for ten whole rows.
inline void pageOfTen(DomainListView &v)
{
    v.addColumn(QStringLiteral("Domain(s)"));
    v.setColumnWidth(0, 150);
    v.resize(300, 200);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.resize(300, v.height() + 10 * v.rowHeight() - v.viewport()->height());
    QCoreApplication::processEvents();
    QCOMPARE(v.viewport()->height(), 10 * v.rowHeight());
}

inline void press(DomainListView &v, Key key, const QString &typed)
{
    const auto wheel = [&](int delta) {
        const QPoint at = v.viewport()->rect().center();
        QWheelEvent event(at, v.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(v.viewport(), &event);
    };
    switch (key) {
    case Key::Down:
        return QTest::keyClick(&v, Qt::Key_Down);
    case Key::Up:
        return QTest::keyClick(&v, Qt::Key_Up);
    case Key::PageDown:
        return QTest::keyClick(&v, Qt::Key_PageDown);
    case Key::PageUp:
        return QTest::keyClick(&v, Qt::Key_PageUp);
    case Key::Home:
        return QTest::keyClick(&v, Qt::Key_Home);
    case Key::End:
        return QTest::keyClick(&v, Qt::Key_End);
    case Key::WheelDown:
        return wheel(-120);
    case Key::WheelUp:
        return wheel(120);
    case Key::Type:
        return QTest::keyClicks(&v, typed);
    case Key::Delete:
        return QTest::keyClick(&v, Qt::Key_Delete);
    case Key::CtrlClick:
        return QTest::mouseClick(v.viewport(), Qt::LeftButton, Qt::ControlModifier,
                                 v.visualRect(v.currentIndex()).center());
    case Key::ArriveUnselected:
        v.clearFocus();
        v.selectionModel()->clearSelection();
        return v.setFocus(Qt::TabFocusReason);
    case Key::Arrive:
        v.clearFocus();
        return v.setFocus(Qt::TabFocusReason);
    case Key::Append:
    case Key::Clear:
        return;
    }
}

} // namespace quill::test

Q_DECLARE_METATYPE(quill::test::Key)
