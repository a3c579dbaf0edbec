#pragma once

#include <QAccessible>
#include <QHash>
#include <QList>
#include <QMetaObject>

class QAbstractItemModel;

namespace quill {

// An accessible item that stands for one row of a list; the registry that
// keeps it tells it which row that is as rows come and go.
class AccessibleRowItem : public QAccessibleInterface {
public:
    int row() const noexcept { return m_row; }

private:
    friend class AccessibleRowRegistry;
    int m_row = -1;
};

// The accessible items of a list's rows that assistive technology has asked
// for, one per row, registered with QAccessible. A row keeps its item, and so
// its id and its path on the accessibility bus, for as long as the row is
// there: rows that move up as earlier ones go keep theirs at their new
// places. Only a removed row's item is given up, at once, and every item when
// the list is reset. Nothing is held for rows no one asked for.
//
// Made with the model's view, before the view hears of the model: rows are
// placed anew before any view reacts to a change and asks for a row.
class AccessibleRowRegistry final {
public:
    explicit AccessibleRowRegistry(const QAbstractItemModel *model);
    ~AccessibleRowRegistry();
    AccessibleRowRegistry(const AccessibleRowRegistry &) = delete;
    AccessibleRowRegistry &operator=(const AccessibleRowRegistry &) = delete;

    // The item registered for `row`, or null.
    AccessibleRowItem *find(int row) const;
    // Registers `item`, made for a row that find() did not know.
    AccessibleRowItem *keep(int row, AccessibleRowItem *item);
    void clear();
    qsizetype size() const noexcept { return m_ids.size(); }

private:
    // Moves the rows from `first` on by `by` places; rows that a negative
    // `by` passes over have gone.
    void shift(int first, int by);

    QHash<int, QAccessible::Id> m_ids;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace quill
