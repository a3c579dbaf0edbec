#include "data/domain_list.h"
#include "list_view_keys.h"
#include "lists/remove_selected.h"
#include "views/domain_list_view.h"

#include <QAccessible>
#include <QTest>

// Run where the platform's accessibility bridge is active (a display and an
// accessibility bus: tests/window/accessibility_window.sh): only then does
// Qt tell assistive technology anything.

using namespace quill;
using namespace quill::test;

namespace {

// One thing told to assistive technology: the event, the child it names,
// for table changes their kind and rows, and for an announcement its words.
struct Heard {
    int event;
    int child;
    int change;
    int firstRow;
    int lastRow;
    QString words = {};
    bool operator==(const Heard &) const = default;
};

char *toString(const Heard &h)
{
    return qstrdup(qPrintable(QStringLiteral("{event 0x%1, child %2, change %3, rows %4..%5%6}")
                                  .arg(h.event, 0, 16).arg(h.child).arg(h.change).arg(h.firstRow).arg(h.lastRow)
                                  .arg(h.words.isEmpty() ? QString() : QStringLiteral(", \"%1\"").arg(h.words))));
}

// Hears what the view tells assistive technology, as the platform's bridge
// would, and notes a row told of while it is off the screen.
class Listener final {
public:
    explicit Listener(DomainListView &view) : m_view(view)
    {
        s_current = this;
        m_previous = QAccessible::installUpdateHandler(&handle);
    }
    ~Listener()
    {
        QAccessible::installUpdateHandler(m_previous);
        s_current = nullptr;
    }

    QList<Heard> heard;
    QStringList offScreen;

private:
    static void handle(QAccessibleEvent *event)
    {
        Listener *self = s_current;
        if (!self || event->object() != &self->m_view)
            return;
        const int type = event->type();
        Heard h{type, event->child(), -1, -1, -1};
        if (type == QAccessible::TableModelChanged) {
            const auto *change = static_cast<QAccessibleTableModelChangeEvent *>(event);
            h = {type, -1, change->modelChangeType(), change->firstRow(), change->lastRow()};
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        } else if (type == QAccessible::Announcement) {
            h.words = static_cast<QAccessibleAnnouncementEvent *>(event)->message();
#endif
        } else if (type != QAccessible::Focus && type != QAccessible::Selection
                   && type != QAccessible::SelectionRemove) {
            return;
        }
        // Qt releases differ in how often they announce one reset or one
        // focus on the list itself; a reader takes such a repeat as nothing
        // new, so it is heard once. A row told twice is a fault, and heard.
        const bool ofList = h.child < 0 || type == QAccessible::TableModelChanged;
        if (ofList && !self->heard.isEmpty() && self->heard.constLast() == h)
            return;
        self->heard.append(h);
        const int first = self->m_view.firstShownRow();
        if (type != QAccessible::TableModelChanged && type != QAccessible::SelectionRemove && h.child >= 0
            && (h.child < first || h.child >= first + self->m_view.shownRowCount()))
            self->offScreen.append(QStringLiteral("row %1 above %2").arg(h.child).arg(first));
    }

    static inline Listener *s_current = nullptr;
    DomainListView &m_view;
    QAccessible::UpdateHandler m_previous = nullptr;
};
} // namespace

Q_DECLARE_METATYPE(Heard)

class ListAccessibleEventsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QTRY_VERIFY2(QAccessible::isActive(), "no accessibility bridge: run under accessibility_window.sh");
    }

    // What a screen reader hears: Focus and Selection for a row once the
    // view shows it, the row let go, and table changes with the rows
    // appended, removed or cleared. A key that leaves the current row where
    // it is, and the focus coming in, tell of the list and then of the row.
    void accessibleEvents_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QList<Key>>("keys");
        QTest::addColumn<QList<Heard>>("heard");
        const auto selected = [](int row) { return Heard{QAccessible::Selection, row, -1, -1, -1}; };
        const auto focused = [](int row) { return Heard{QAccessible::Focus, row, -1, -1, -1}; };
        const auto letGo = [](int row) { return Heard{QAccessible::SelectionRemove, row, -1, -1, -1}; };
        const auto change = [](QAccessibleTableModelChangeEvent::ModelChangeType type, int first, int last) {
            return Heard{QAccessible::TableModelChanged, -1, type, first, last};
        };
        QTest::newRow("End") << 5000 << QList<Key>{Key::End} << QList<Heard>{letGo(5), selected(4999), focused(4999)};
        QTest::newRow("PageDown") << 5000 << QList<Key>{Key::PageDown} << QList<Heard>{letGo(5), selected(15), focused(15)};
        QTest::newRow("Home") << 5000 << QList<Key>{Key::Home} << QList<Heard>{letGo(5), selected(0), focused(0)};
        QTest::newRow("type-ahead") << 5000 << QList<Key>{Key::Type} << QList<Heard>{letGo(5), selected(4999), focused(4999)};
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        // The row and its place, told in words.
        const auto retold = [](const char *name, int place, int count) {
            return QList<Heard>{{QAccessible::Announcement, -1, -1, -1, -1,
                                 QStringLiteral("%1, %2 of %3").arg(QLatin1String(name)).arg(place).arg(count)}};
        };
#else
        // The list, then the row a moment later.
        const auto retold = [&](const char *, int place, int) { return QList<Heard>{focused(-1), focused(place - 1)}; };
#endif
        QTest::newRow("Home on the first row") << 1 << QList<Key>{Key::Home} << retold("zulu.example", 1, 1);
        QTest::newRow("Down on the last row") << 1 << QList<Key>{Key::Down} << retold("zulu.example", 1, 1);
        QTest::newRow("type-ahead on the only row") << 1 << QList<Key>{Key::Type} << retold("zulu.example", 1, 1);
        QTest::newRow("arriving by Tab") << 20 << QList<Key>{Key::Arrive} << QList<Heard>{focused(-1), focused(5)};
        // Qt tells of the list as the focus leaves it, before the row is let go.
        QTest::newRow("arriving by Tab on a row not selected")
            << 20 << QList<Key>{Key::ArriveUnselected}
            << QList<Heard>{focused(-1), letGo(5), focused(-1), selected(5), focused(5)};
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        // Told to be empty, where a reader names it alone.
        QTest::newRow("arriving by Tab in an empty list")
            << 0 << QList<Key>{Key::Arrive}
            << QList<Heard>{focused(-1), {QAccessible::Announcement, -1, -1, -1, -1, QStringLiteral("Empty list.")}};
#else
        QTest::newRow("arriving by Tab in an empty list") << 0 << QList<Key>{Key::Arrive} << QList<Heard>{focused(-1)};
#endif
        QTest::newRow("Ctrl+click on the selected row") << 20 << QList<Key>{Key::CtrlClick} << QList<Heard>{letGo(5)};
        QTest::newRow("a check run appends")
            << 20 << QList<Key>{Key::Append} << QList<Heard>{change(QAccessibleTableModelChangeEvent::RowsInserted, 20, 22)};
        QTest::newRow("Delete") << 20 << QList<Key>{Key::Delete}
                                << QList<Heard>{letGo(7), selected(8), focused(8),
                                                change(QAccessibleTableModelChangeEvent::RowsRemoved, 7, 7)};
        // A key that stayed on the row, then one that moves or removes
        // before the row is told again: the row told is never a stale one.
        QTest::newRow("Down on the last row, then Up")
            << 2 << QList<Key>{Key::Down, Key::Up}
            << retold("zulu.example", 2, 2).sliced(0, 1) + QList<Heard>{letGo(1), selected(0), focused(0)};
        QTest::newRow("Down on the last row, then Delete")
            << 2 << QList<Key>{Key::Down, Key::Delete}
            << retold("zulu.example", 2, 2).sliced(0, 1)
                   + QList<Heard>{letGo(1), selected(0), focused(0),
                                  change(QAccessibleTableModelChangeEvent::RowsRemoved, 1, 1)};
        QTest::newRow("cleared") << 20 << QList<Key>{Key::Clear}
                                 << QList<Heard>{change(QAccessibleTableModelChangeEvent::ModelReset, -1, -1)};
    }

    void accessibleEvents()
    {
        QFETCH(int, entries);
        QFETCH(QList<Key>, keys);
        const Key key = keys.constFirst();
        QFETCH(QList<Heard>, heard);
        DomainListView v;
        pageOfTen(v);
        fill(v.ListItems(), entries);
        connect(&v, &DomainListView::deleteKeyPressed, &v,
                [&v] { removeSelectedEntry(v.ListItems(), v.SelectedItemIndex(), false); });
        v.setCurrentIndex(v.model()->index(std::min(entries - 1, key == Key::Delete ? 6 : 5), 0));
        v.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v));
        v.setFocus();
        QVERIFY(v.hasFocus());
        QCoreApplication::processEvents();
        Listener listener(v);

        switch (key) {
        case Key::Append:
            for (const char *name : {"one.example", "two.example", "three.example"})
                v.ListItems().Add(QByteArrayView(name));
            QTRY_COMPARE(v.model()->rowCount(), entries + 3);
            break;
        case Key::Clear:
            v.ListItems().Clear();
            break;
        case Key::Delete:
            // The current row is the selected one: Qt moves the selection on
            // to the next row before the row goes, and that row moves up.
            press(v, Key::Down, {});
            listener.heard.clear();
            press(v, key, {});
            break;
        default:
            for (const Key each : std::as_const(keys))
                press(v, each, QStringLiteral("z"));
        }
        QTRY_COMPARE(listener.heard, heard);
        // Nothing more comes once the view is quiet: no row told again late,
        // after the ones expected.
        QTest::qWait(3 * DomainListView::kRetellDelayMs);
        QCOMPARE(listener.heard, heard);
        QVERIFY2(listener.offScreen.isEmpty(), qPrintable(listener.offScreen.join(", ")));
    }

};

QTEST_MAIN(ListAccessibleEventsTest)
#include "tst_list_accessible_events.moc"
