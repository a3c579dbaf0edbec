#pragma once

#include "accessible_row_registry.h"

#include <QAbstractItemView>
#include <QTimer>

#include <optional>

class QHeaderView;

namespace quill {

class DomainList;

// A one-column report view of a DomainList. It owns its list, reports the
// gestures the window acts on, and tells which entry is selected.
//
// Every row is one line high, so the view keeps nothing per row: it works
// out which entries lie on the screen from the scroll position and draws
// those alone. A list of a million names costs the view no more than a list
// of ten, and shows as soon as the names are in. Its accessible interface
// (domain_list_accessible.h) offers the header and every row.
class DomainListView final : public QAbstractItemView {
    Q_OBJECT

public:
    // Before Qt 6.8, a key that stays on the current row tells the list,
    // then the row this long after, so that a screen reader takes both: it
    // must have taken the list's focus before the list gives it up, also
    // on a loaded machine, where it takes a quarter of a second.
    static constexpr int kRetellDelayMs = 400;

    explicit DomainListView(QWidget *parent = nullptr);

    DomainList &ListItems() const noexcept { return *m_items; }
    // The selected entry's position, counted from 1.
    std::optional<int> SelectedItemIndex() const;
    // Adds the one column: its header text, also the view's accessible name.
    void addColumn(const QString &header);

    // The column's header, whose divider the user drags to widen the column.
    QHeaderView *header() const noexcept { return m_header; }
    bool isHeaderHidden() const;
    void setHeaderHidden(bool hide);
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    bool uniformRowHeights() const noexcept { return true; }
    int rowHeight() const noexcept { return m_rowHeight; }
    // The rows on the screen, whole or in part: the first and how many.
    int firstShownRow() const;
    int shownRowCount() const;

    // The accessible items of the rows that assistive technology has read.
    AccessibleRowRegistry &accessibleRows() noexcept { return m_accessibleRows; }

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;

Q_SIGNALS:
    void doubleClickedAnywhere();
    void deleteKeyPressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;

private:
    int rowCount() const;
    int rowAt(int y) const; // a row that may lie past the last one
    int wholeRowsShown() const;
    // Where the column starts across the rows area, mirrored as the header
    // mirrors itself in a right-to-left layout.
    int columnLeft() const;
    void measureRows();
    void rowsChanged();
    void tellAccessibility(int event, int row);
    void tellSelection();
    void tellCurrentRow();
    void tellArrival();
    void retellCurrentRow();

    DomainList *m_items;
    // Before anything else hears of the list, so that rows read while the
    // view reacts to a change are already at their new places.
    AccessibleRowRegistry m_accessibleRows;
    QHeaderView *m_header;
    int m_rowHeight = 1;
    int m_reselectRow = -1;
    // A newly selected row not told yet: told once the view has scrolled to
    // it, as the current row follows the selection.
    int m_untoldSelection = -1;
    QTimer m_retell;
};

} // namespace quill
