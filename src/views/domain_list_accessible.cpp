#include "domain_list_accessible.h"

#include "accessible_row_registry.h"
#include "domain_list_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHeaderView>
#include <QPointer>
#include <QWindow>

namespace quill {

namespace {

// What the column header and the rows share: they belong to a view and are
// no widgets of their own. A row, which its view deletes with itself, holds
// the view by a plain pointer: there are as many rows as a reader read.
template <typename Interface, typename ViewPointer = QPointer<DomainListView>>
class ViewPart : public Interface {
public:
    explicit ViewPart(DomainListView *view) : m_view(view) {}

    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}

protected:
    ViewPointer m_view;
};

class HeaderCell final : public ViewPart<QAccessibleInterface> {
public:
    using ViewPart::ViewPart;

    bool isValid() const override { return m_view; }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QString text(QAccessible::Text t) const override
    {
        if (!m_view || t != QAccessible::Name)
            return {};
        return m_view->model()->headerData(0, Qt::Horizontal).toString();
    }
    QRect rect() const override
    {
        if (!m_view || m_view->isHeaderHidden())
            return {};
        const QHeaderView *header = m_view->header();
        const QRect section(header->sectionViewportPosition(0), 0, header->sectionSize(0), header->height());
        return QRect(header->viewport()->mapToGlobal(section.topLeft()), section.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !m_view || m_view->isHeaderHidden();
        return s;
    }
};

QAccessibleInterface *headerCellOf(QAccessibleInterface *list);

QList<int> selectedRowsOf(const DomainListView &view)
{
    QList<int> rows;
    for (const QItemSelectionRange &range : view.selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    return rows;
}

// One row of the list, a cell of its one column. Its registry, which the
// view owns, keeps it at its row's place and deletes it with its row, so it
// never outlives its view nor reads another row.
class RowItem final : public ViewPart<AccessibleRowItem, DomainListView *>,
                      public QAccessibleTableCellInterface,
                      public QAccessibleActionInterface {
public:
    using ViewPart::ViewPart;

    bool isValid() const override { return row() >= 0; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return {};
        return index().data(Qt::AccessibleTextRole).toString();
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect place = m_view->visualRect(index());
        // The part on the screen when the row is there: the last row may
        // stand out below the list's edge, and a wide column beyond its side.
        if (place.intersects(m_view->viewport()->rect()))
            place &= m_view->viewport()->rect();
        return QRect(m_view->viewport()->mapToGlobal(place.topLeft()), place.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QModelIndex index = this->index();
        const bool current = m_view->currentIndex() == index;
        s.selectable = true;
        s.focusable = true;
        s.selected = isSelected();
        s.active = current;
        s.focused = current && m_view->hasFocus();
        s.invisible = !m_view->visualRect(index).intersects(m_view->viewport()->rect());
        s.offscreen = s.invisible;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    // As Qt's own cells: one action, which selects the row or lets it go.
    QStringList actionNames() const override { return isValid() ? QStringList{toggleAction()} : QStringList{}; }
    void doAction(const QString &actionName) override
    {
        if (!isValid() || actionName != toggleAction())
            return;
        QAccessibleTableInterface *list = table()->tableInterface();
        if (isSelected())
            list->unselectRow(row());
        else
            list->selectRow(row());
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // As a cell of the list's table.
    bool isSelected() const override { return isValid() && m_view->selectionModel()->isSelected(index()); }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        QAccessibleInterface *list = parent();
        if (!isValid() || m_view->isHeaderHidden() || !list)
            return {};
        return {headerCellOf(list)};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return isValid() ? 0 : -1; }
    int rowIndex() const override { return row(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QModelIndex index() const { return m_view->model()->index(row(), 0); }
};

// The list: role, name and state as any widget, its rows as its children,
// and a table of one column for readers that ask by row. The column header
// belongs to the table but is no child: a screen reader counts a list's
// children to tell a row's place, and row i of n must be heard as such
// whether the header is shown or not.
class ListAccessible final : public QAccessibleWidget,
                             public QAccessibleTableInterface
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    ,
                             public QAccessibleSelectionInterface
#endif
{
public:
    explicit ListAccessible(DomainListView *view) : QAccessibleWidget(view, QAccessible::List) {}

    ~ListAccessible() override
    {
        if (m_headerId && QAccessible::accessibleInterface(m_headerId))
            QAccessible::deleteAccessibleInterface(m_headerId);
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        if (type == QAccessible::SelectionInterface)
            return static_cast<QAccessibleSelectionInterface *>(this);
#endif
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return rowCount(); }

    QAccessibleInterface *child(int index) const override
    {
        return index >= 0 && index < rowCount() ? rowItem(index) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *row = dynamic_cast<const RowItem *>(child);
        return row && row->parent() == this ? row->row() : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint global(x, y);
        DomainListView *v = view();
        if (!v->isHeaderHidden() && headerCell()->rect().contains(global))
            return headerCell();
        const QPoint local = v->viewport()->mapFromGlobal(global);
        if (!v->viewport()->rect().contains(local))
            return nullptr;
        const QModelIndex index = v->indexAt(local);
        return index.isValid() ? rowItem(index.row()) : nullptr;
    }

    // The current row, as in Qt's own views, whether or not it is selected.
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return current.isValid() ? rowItem(current.row()) : nullptr;
    }

    // The table of one column.
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        return column == 0 ? child(row) : nullptr;
    }
    int selectedCellCount() const override { return selectedRowCount(); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (const int row : selectedRows())
            cells.append(rowItem(row));
        return cells;
    }
    QString columnDescription(int column) const override
    {
        return column == 0 ? view()->model()->headerData(0, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return selectedColumns().size(); }
    int selectedRowCount() const override { return selectedRows().size(); }
    int columnCount() const override { return 1; }
    int rowCount() const override { return view()->model()->rowCount(); }
    QList<int> selectedColumns() const override
    {
        // The column counts as selected when every row is.
        const int rows = rowCount();
        return rows > 0 && selectedRowCount() == rows ? QList<int>{0} : QList<int>{};
    }
    QList<int> selectedRows() const override { return selectedRowsOf(*view()); }
    bool isColumnSelected(int column) const override { return column == 0 && !selectedColumns().isEmpty(); }
    bool isRowSelected(int row) const override { return view()->selectionModel()->isRowSelected(row, QModelIndex()); }
    bool selectRow(int row) override
    {
        if (row < 0 || row >= rowCount())
            return false;
        // One entry at a time: the row asked for becomes the current one,
        // scrolled into sight, as a click would make it.
        view()->setCurrentIndex(view()->model()->index(row, 0));
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override
    {
        // As in Qt's own views: in single selection, once a row is
        // selected the user has no way to leave none selected, and a
        // current row with no selection would take no Delete or double-click.
        if (!isRowSelected(row) || (view()->selectionMode() == QAbstractItemView::SingleSelection
                                    && selectedRowCount() == 1))
            return false;
        view()->selectionModel()->select(view()->model()->index(row, 0),
                                         QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        return true;
    }
    bool unselectColumn(int) override { return false; }
    // Rows follow the model by themselves (AccessibleRowRegistry).
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    // The selection: at most one row.
    int selectedItemCount() const override { return selectedRowCount(); }
    QList<QAccessibleInterface *> selectedItems() const override { return selectedCells(); }
    QAccessibleInterface *selectedItem(int selectionIndex) const override
    {
        const QList<int> rows = selectedRows();
        return selectionIndex >= 0 && selectionIndex < rows.size() ? rowItem(rows[selectionIndex]) : nullptr;
    }
    bool isSelected(QAccessibleInterface *childItem) const override
    {
        const int row = indexOfChild(childItem);
        return row >= 0 && isRowSelected(row);
    }
    bool select(QAccessibleInterface *childItem) override
    {
        const int row = indexOfChild(childItem);
        return row >= 0 && selectRow(row);
    }
    bool unselect(QAccessibleInterface *childItem) override
    {
        const int row = indexOfChild(childItem);
        return row >= 0 && unselectRow(row);
    }
    bool selectAll() override { return rowCount() == 1 && selectRow(0); }
    bool clear() override
    {
        view()->selectionModel()->clearSelection();
        return true;
    }
#endif

    QAccessibleInterface *headerCell() const
    {
        if (!m_headerId || !QAccessible::accessibleInterface(m_headerId))
            m_headerId = QAccessible::registerAccessibleInterface(new HeaderCell(view()));
        return QAccessible::accessibleInterface(m_headerId);
    }

private:
    DomainListView *view() const { return static_cast<DomainListView *>(widget()); }

    QAccessibleInterface *rowItem(int row) const
    {
        AccessibleRowRegistry &rows = view()->accessibleRows();
        if (QAccessibleInterface *kept = rows.find(row))
            return kept;
        return rows.keep(row, new RowItem(view()));
    }

    mutable QAccessible::Id m_headerId = 0;
};

QAccessibleInterface *headerCellOf(QAccessibleInterface *list)
{
    auto *ours = dynamic_cast<ListAccessible *>(list);
    return ours ? ours->headerCell() : nullptr;
}

QAccessibleInterface *domainListFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(DomainListView::staticMetaObject.className()))
        if (auto *view = qobject_cast<DomainListView *>(object))
            return new ListAccessible(view);
    return nullptr;
}

} // namespace

void installDomainListAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(&domainListFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace quill
