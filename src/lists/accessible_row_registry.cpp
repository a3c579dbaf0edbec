#include "accessible_row_registry.h"

#include <QAbstractItemModel>

namespace quill {

AccessibleRowRegistry::AccessibleRowRegistry(const QAbstractItemModel *model, RowOf rowOf)
    : m_rowOf(std::move(rowOf))
{
    // Out of date from the moment the model starts a change, so that a
    // look-up made while the model tells its views sees the rows as they
    // stand then; placed anew once it is done, so that a removed row's item
    // is given up at once. New last rows move none.
    const auto moving = [this] { m_moved = !m_ids.isEmpty(); };
    const auto moved = [this] {
        if (!m_ids.isEmpty())
            replace();
    };
    const auto inserting = [this, model](const QModelIndex &, int first) {
        if (first < model->rowCount())
            m_moved = !m_ids.isEmpty();
    };
    const auto inserted = [moved, model](const QModelIndex &, int, int last) {
        if (last + 1 < model->rowCount())
            moved();
    };
    m_connections = {
        QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, moving),
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, moved),
        QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, inserting),
        QObject::connect(model, &QAbstractItemModel::rowsInserted, inserted),
        QObject::connect(model, &QAbstractItemModel::rowsAboutToBeMoved, moving),
        QObject::connect(model, &QAbstractItemModel::rowsMoved, moved),
        QObject::connect(model, &QAbstractItemModel::layoutAboutToBeChanged, moving),
        QObject::connect(model, &QAbstractItemModel::layoutChanged, moved),
        QObject::connect(model, &QAbstractItemModel::modelReset, [this] { clear(); }),
    };
}

AccessibleRowRegistry::~AccessibleRowRegistry()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        QObject::disconnect(connection);
    clear();
}

QAccessibleInterface *AccessibleRowRegistry::find(int row)
{
    if (m_moved)
        replace();
    const auto at = m_ids.constFind(row);
    return at == m_ids.cend() ? nullptr : QAccessible::accessibleInterface(*at);
}

QAccessibleInterface *AccessibleRowRegistry::keep(QAccessibleInterface *item)
{
    const int row = m_rowOf(item);
    m_ids.insert(row, QAccessible::registerAccessibleInterface(item));
    return item;
}

void AccessibleRowRegistry::replace()
{
    m_moved = false;
    QHash<int, QAccessible::Id> placed;
    placed.reserve(m_ids.size());
    for (const QAccessible::Id id : std::as_const(m_ids)) {
        QAccessibleInterface *item = QAccessible::accessibleInterface(id);
        const int row = item ? m_rowOf(item) : -1;
        if (row >= 0)
            placed.insert(row, id);
        else if (item)
            QAccessible::deleteAccessibleInterface(id);
    }
    m_ids = std::move(placed);
}

void AccessibleRowRegistry::clear()
{
    const QHash<int, QAccessible::Id> ids = std::exchange(m_ids, {});
    m_moved = false;
    for (const QAccessible::Id id : ids)
        if (QAccessible::accessibleInterface(id))
            QAccessible::deleteAccessibleInterface(id);
}

} // namespace quill
