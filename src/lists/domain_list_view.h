#pragma once

#include <QTreeView>

#include <optional>

namespace quill {

class DomainList;

// A one-column report view of a DomainList. It owns its list, reports the
// gestures the window acts on, and tells which entry is selected.
class DomainListView final : public QTreeView {
    Q_OBJECT

public:
    explicit DomainListView(QWidget *parent = nullptr);

    DomainList &ListItems() const noexcept { return *m_items; }
    // The selected entry's position, counted from 1.
    std::optional<int> SelectedItemIndex() const;
    // Adds the one column: its header text, also the view's accessible name.
    void addColumn(const QString &header);

Q_SIGNALS:
    void doubleClickedAnywhere();
    void deleteKeyPressed();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;

private:
    DomainList *m_items;
    int m_reselectRow = -1;
};

} // namespace quill
