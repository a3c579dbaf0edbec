#include "domain_list_accessible.h"

#include "domain_list_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScrollBar>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace quill {

namespace {

// What the column header and the rows share: they belong to a view and are
// no widgets of their own.
class ViewPart : public QAccessibleInterface {
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
    QPointer<DomainListView> m_view;
};

class HeaderCell final : public ViewPart {
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

class RowItem final : public ViewPart {
public:
    RowItem(DomainListView *view, const QModelIndex &index) : ViewPart(view), m_index(index) {}

    int row() const { return m_index.isValid() ? m_index.row() : -1; }
    bool isValid() const override { return m_view && m_index.isValid(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return {};
        return m_index.data(Qt::AccessibleTextRole).toString();
    }
    QRect rect() const override
    {
        if (!onScreen())
            return {};
        // The part on the screen: the last row may stand out below the
        // list's edge, and a wide column beyond its side.
        const QRect shown = m_view->visualRect(m_index) & m_view->viewport()->rect();
        return QRect(m_view->viewport()->mapToGlobal(shown.topLeft()), shown.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = m_view->selectionModel()->isSelected(m_index);
        s.focused = m_view->hasFocus() && m_view->currentIndex() == QModelIndex(m_index);
        s.invisible = !onScreen();
        s.offscreen = s.invisible;
        return s;
    }

private:
    bool onScreen() const { return isValid() && accessibleChildOfRow(*m_view, m_index.row()) >= 0; }

    QPersistentModelIndex m_index;
};

// The list: role, name and state as any widget, children of its own.
class ListAccessible final : public QAccessibleWidget {
public:
    explicit ListAccessible(DomainListView *view) : QAccessibleWidget(view, QAccessible::List) {}

    ~ListAccessible() override
    {
        if (m_headerId)
            QAccessible::deleteAccessibleInterface(m_headerId);
        for (const QAccessible::Id id : m_rowIds)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return headerChildren() + view()->shownRowCount(); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (index < headerChildren())
            return headerCell();
        return rowItem(view()->firstShownRow() + index - headerChildren());
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (m_headerId && child == QAccessible::accessibleInterface(m_headerId))
            return headerChildren() - 1;
        for (const QAccessible::Id id : m_rowIds)
            if (QAccessible::accessibleInterface(id) == child)
                return accessibleChildOfRow(*view(), static_cast<const RowItem *>(child)->row());
        return -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint global(x, y);
        DomainListView *v = view();
        if (headerChildren() && headerCell()->rect().contains(global))
            return headerCell();
        const QPoint local = v->viewport()->mapFromGlobal(global);
        if (!v->viewport()->rect().contains(local))
            return nullptr;
        const QModelIndex index = v->indexAt(local);
        return index.isValid() ? rowItem(index.row()) : nullptr;
    }

private:
    DomainListView *view() const { return static_cast<DomainListView *>(widget()); }
    int headerChildren() const { return view()->isHeaderHidden() ? 0 : 1; }

    QAccessibleInterface *headerCell() const
    {
        if (!m_headerId)
            m_headerId = QAccessible::registerAccessibleInterface(new HeaderCell(view()));
        return QAccessible::accessibleInterface(m_headerId);
    }

    // One interface per row while it is wanted: rows that left the screen or
    // the list give theirs up once a few screens' worth have gathered.
    QAccessibleInterface *rowItem(int row) const
    {
        for (const QAccessible::Id id : m_rowIds) {
            auto *item = static_cast<RowItem *>(QAccessible::accessibleInterface(id));
            if (item && item->row() == row)
                return item;
        }
        constexpr size_t kKept = 256;
        if (m_rowIds.size() >= kKept) {
            const auto gone = std::stable_partition(m_rowIds.begin(), m_rowIds.end(), [this](QAccessible::Id id) {
                const auto *item = static_cast<RowItem *>(QAccessible::accessibleInterface(id));
                return item && accessibleChildOfRow(*view(), item->row()) >= 0;
            });
            for (auto it = gone; it != m_rowIds.end(); ++it)
                QAccessible::deleteAccessibleInterface(*it);
            m_rowIds.erase(gone, m_rowIds.end());
        }
        auto *item = new RowItem(view(), view()->model()->index(row, 0));
        m_rowIds.push_back(QAccessible::registerAccessibleInterface(item));
        return item;
    }

    mutable QAccessible::Id m_headerId = 0;
    mutable std::vector<QAccessible::Id> m_rowIds;
};

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

int accessibleChildOfRow(const DomainListView &view, int row)
{
    const int first = view.firstShownRow();
    if (row < first || row >= first + view.shownRowCount())
        return -1;
    return (view.isHeaderHidden() ? 0 : 1) + row - first;
}

} // namespace quill
