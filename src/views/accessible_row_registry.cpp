#include "accessible_row_registry.h"

#include <QAbstractItemModel>

namespace quill {

AccessibleRowRegistry::AccessibleRowRegistry(const QAbstractItemModel *model)
{
    const auto removed = [this](const QModelIndex &, int first, int last) { shift(last + 1, first - last - 1); };
    // New last rows move none: a list growing at its end costs nothing here.
    const auto inserted = [this, model](const QModelIndex &, int first, int last) {
        if (last + 1 < model->rowCount())
            shift(first, last - first + 1);
    };
    // Rows moved or laid out anew cannot be followed by their places: their
    // items are given up, as at a reset. A list never does either.
    const auto reset = [this] { clear(); };
    m_connections = {
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, removed),
        QObject::connect(model, &QAbstractItemModel::rowsInserted, inserted),
        QObject::connect(model, &QAbstractItemModel::rowsMoved, reset),
        QObject::connect(model, &QAbstractItemModel::layoutChanged, reset),
        QObject::connect(model, &QAbstractItemModel::modelReset, reset),
    };
}

AccessibleRowRegistry::~AccessibleRowRegistry()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        QObject::disconnect(connection);
    clear();
}

AccessibleRowItem *AccessibleRowRegistry::find(int row) const
{
    const auto at = m_ids.constFind(row);
    return at == m_ids.cend() ? nullptr : static_cast<AccessibleRowItem *>(QAccessible::accessibleInterface(*at));
}

AccessibleRowItem *AccessibleRowRegistry::keep(int row, AccessibleRowItem *item)
{
    item->m_row = row;
    m_ids.insert(row, QAccessible::registerAccessibleInterface(item));
    return item;
}

void AccessibleRowRegistry::shift(int first, int by)
{
    if (m_ids.isEmpty())
        return;
    QHash<int, QAccessible::Id> placed;
    placed.reserve(m_ids.size());
    for (auto at = m_ids.cbegin(); at != m_ids.cend(); ++at) {
        auto *item = static_cast<AccessibleRowItem *>(QAccessible::accessibleInterface(at.value()));
        if (!item)
            continue;
        if (at.key() < first + std::min(by, 0)) {
            placed.insert(at.key(), at.value());
        } else if (at.key() < first) {
            QAccessible::deleteAccessibleInterface(at.value()); // its row has gone
        } else {
            item->m_row = at.key() + by;
            placed.insert(item->m_row, at.value());
        }
    }
    m_ids = std::move(placed);
}

void AccessibleRowRegistry::clear()
{
    const QHash<int, QAccessible::Id> ids = std::exchange(m_ids, {});
    for (const QAccessible::Id id : ids)
        if (QAccessible::accessibleInterface(id))
            QAccessible::deleteAccessibleInterface(id);
}

} // namespace quill
