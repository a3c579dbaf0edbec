#include "domain_list_view.h"

#include "domain_list.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace quill {

DomainListView::DomainListView(QWidget *parent) : QTreeView(parent), m_items(new DomainList(this))
{
    // The entry that moves up into a removed selected entry's place (or the
    // new last one) is selected in its stead, so a held Delete key goes on
    // removing, one entry per repeat, for as long as entries remain. Connected
    // before the selection model exists, to see the selection before it does.
    connect(m_items, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int) {
                m_reselectRow = selectionModel()->isRowSelected(first, QModelIndex()) ? first : -1;
            });
    connect(m_items, &QAbstractItemModel::rowsRemoved, this, [this] {
        const int rows = m_items->rowCount();
        if (m_reselectRow >= 0 && rows > 0)
            selectionModel()->setCurrentIndex(m_items->index(qMin(m_reselectRow, rows - 1), 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_reselectRow = -1;
    });
    setModel(m_items);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    setHeaderHidden(true); // no column until one is added
}

void DomainListView::addColumn(const QString &header)
{
    m_items->setHeaderText(header);
    setHeaderHidden(false);
    setAccessibleName(header);
}

std::optional<int> DomainListView::SelectedItemIndex() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().row() + 1;
}

void DomainListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    Q_EMIT doubleClickedAnywhere();
}

void DomainListView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete) {
        event->accept();
        Q_EMIT deleteKeyPressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags DomainListView::selectionCommand(const QModelIndex &index,
                                                                    const QEvent *event) const
{
    // A click on the empty area below the last entry keeps the selection, so
    // a double-click there still removes the selected entry.
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

} // namespace quill
