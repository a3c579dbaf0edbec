#pragma once

#include <QAccessible>
#include <QHash>
#include <QMetaObject>

#include <functional>

class QAbstractItemModel;

namespace quill {

// The accessible interfaces of a list's rows that assistive technology has
// asked for, one per row, registered with QAccessible. A row keeps its
// interface, and so its id and its path on the accessibility bus, for as
// long as the row is there: rows that move up as earlier ones go are
// found again at their new places, and only the interface of a row that
// has gone (or of every row, when the list is reset) is given up.
// Nothing is held for rows no one asked for.
class AccessibleRowRegistry final {
public:
    // The row an interface stands for now, or -1 once its row has gone.
    using RowOf = std::function<int(QAccessibleInterface *)>;

    AccessibleRowRegistry(const QAbstractItemModel *model, RowOf rowOf);
    ~AccessibleRowRegistry();
    AccessibleRowRegistry(const AccessibleRowRegistry &) = delete;
    AccessibleRowRegistry &operator=(const AccessibleRowRegistry &) = delete;

    // The interface registered for `row`, or null.
    QAccessibleInterface *find(int row);
    // Registers `item`, made for a row that find() did not know.
    QAccessibleInterface *keep(QAccessibleInterface *item);
    void clear();
    qsizetype size() const noexcept { return m_ids.size(); }

private:
    // Places rows at the rows they stand for now, after the model moved or
    // removed some, and gives up those whose rows have gone.
    void replace();

    RowOf m_rowOf;
    QHash<int, QAccessible::Id> m_ids;
    // Set when rows other than new last ones came or went: the places above
    // are then out of date until the next look-up.
    bool m_moved = false;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace quill
