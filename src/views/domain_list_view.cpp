#include "domain_list_view.h"

#include "data/domain_list.h"
#include "domain_list_accessible.h"
#include "list_header.h"
#include "whole_frame.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <limits>
#include <utility>

namespace quill {

DomainListView::DomainListView(QWidget *parent)
    : QAbstractItemView(parent), m_items(new DomainList(this)), m_accessibleRows(m_items),
      m_header(new ListHeader(this))
{
    installDomainListAccessible();
    drawFrameWhole(*this);
    // The entry that moves up into a removed selected entry's place (or the
    // new last one) is selected in its stead, so a held Delete key goes on
    // removing, one entry per repeat, for as long as entries remain. Qt does
    // so itself when the removed entry is the current one; a selection made
    // by the program alone leaves the current entry elsewhere. Connected
    // before the selection model exists, to see the selection before it does.
    connect(m_items, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int) {
                const bool selected = selectionModel()->isRowSelected(first, QModelIndex());
                m_reselectRow = selected && currentIndex().row() != first ? first : -1;
            });
    connect(m_items, &QAbstractItemModel::rowsRemoved, this, [this] {
        m_retell.stop(); // the row it would tell may be gone or moved
        const int rows = m_items->rowCount();
        if (m_reselectRow >= 0 && rows > 0)
            selectionModel()->setCurrentIndex(m_items->index(qMin(m_reselectRow, rows - 1), 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_reselectRow = -1;
        rowsChanged();
    });
    connect(m_items, &QAbstractItemModel::modelReset, this, [this] {
        m_retell.stop();
        rowsChanged();
    });
    setModel(m_items);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    m_header->setModel(m_items);
    m_header->setStretchLastSection(false);
    m_header->setSectionsMovable(false);
    m_header->setSectionsClickable(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_header->setFocusPolicy(Qt::NoFocus);
    // A wider column scrolls sideways, a narrower one gives the room back.
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    m_header->hide(); // no column until one is added
    measureRows();
    m_retell.setSingleShot(true);
    m_retell.setInterval(kRetellDelayMs);
    connect(&m_retell, &QTimer::timeout, this, &DomainListView::tellCurrentRow);
}

void DomainListView::addColumn(const QString &header)
{
    m_items->setHeaderText(header);
    setHeaderHidden(false);
    setAccessibleName(header);
}

bool DomainListView::isHeaderHidden() const
{
    return m_header->isHidden();
}

void DomainListView::setHeaderHidden(bool hide)
{
    m_header->setHidden(hide);
    updateGeometries();
}

int DomainListView::columnWidth(int column) const
{
    return m_header->sectionSize(column);
}

void DomainListView::setColumnWidth(int column, int width)
{
    m_header->resizeSection(column, width);
}

std::optional<int> DomainListView::SelectedItemIndex() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().row() + 1;
}

int DomainListView::rowCount() const
{
    return m_items->rowCount();
}

int DomainListView::firstShownRow() const
{
    return verticalScrollBar()->value();
}

int DomainListView::rowAt(int y) const
{
    return firstShownRow() + y / m_rowHeight;
}

int DomainListView::shownRowCount() const
{
    const int first = firstShownRow();
    const int last = std::min(rowCount() - 1, rowAt(std::max(0, viewport()->height() - 1)));
    return std::max(0, last - first + 1);
}

int DomainListView::wholeRowsShown() const
{
    return std::max(1, viewport()->height() / m_rowHeight);
}

void DomainListView::measureRows()
{
    // One line of text in the item's own frame: what the style asks for any
    // entry, since an entry never holds more than one line.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Wg");
    const QSize size = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    m_rowHeight = std::max({1, size.height(), fontMetrics().height()});
}

void DomainListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        measureRows();
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}

void DomainListView::updateGeometries()
{
    const int headerHeight = m_header->isHidden() ? 0 : m_header->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);

    QScrollBar *down = verticalScrollBar();
    down->setRange(0, std::max(0, rowCount() - wholeRowsShown()));
    down->setSingleStep(1);
    down->setPageStep(wholeRowsShown());

    QScrollBar *sideways = horizontalScrollBar();
    const int width = m_header->isHidden() ? 0 : m_header->length();
    sideways->setRange(0, std::max(0, width - area.width()));
    sideways->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
    sideways->setPageStep(area.width());
    m_header->setOffset(sideways->value());

    QAbstractItemView::updateGeometries();
}

void DomainListView::rowsChanged()
{
    // Assistive technology hears of the rows from QAbstractItemView itself,
    // as a table change.
    updateGeometries();
    viewport()->update();
}

void DomainListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    // Appends: only rows that come into sight need drawing.
    updateGeometries();
    if (start <= rowAt(viewport()->height()))
        rowsChanged();
}

void DomainListView::scrollContentsBy(int, int)
{
    m_header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
    if (QAccessible::isActive())
        tellAccessibility(QAccessible::VisibleDataChanged, -1);
}

void DomainListView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const int rows = rowCount();
    const int first = firstShownRow();
    const int last = std::min(rows - 1, rowAt(event->rect().bottom()));
    const QModelIndex current = currentIndex();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (int row = std::max(first, rowAt(event->rect().top())); row <= last; ++row) {
        const QModelIndex index = m_items->index(row, 0);
        QStyleOptionViewItem rowOption = option;
        rowOption.rect = visualRect(index);
        rowOption.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        rowOption.state.setFlag(QStyle::State_HasFocus, hasFocus() && index == current);
        rowOption.state.setFlag(QStyle::State_MouseOver, false);
        itemDelegateForIndex(index)->paint(&painter, rowOption, index);
    }
}

int DomainListView::columnLeft() const
{
    if (isRightToLeft())
        return viewport()->width() + horizontalOffset() - columnWidth(0);
    return -horizontalOffset();
}

namespace {

// Pixel places of rows far from the screen pass the range of int: they are
// worked out in 64 bits and held to a range that no place on the screen
// reaches and no sum of two such places overflows.
constexpr qint64 kFarPixels = std::numeric_limits<int>::max() / 4;

int heldPixels(qint64 pixels)
{
    return static_cast<int>(std::clamp(pixels, -kFarPixels, kFarPixels));
}

} // namespace

QRect DomainListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_items)
        return {};
    const qint64 top = qint64(index.row() - firstShownRow()) * m_rowHeight;
    return QRect(columnLeft(), heldPixels(top), columnWidth(0), m_rowHeight);
}

QModelIndex DomainListView::indexAt(const QPoint &point) const
{
    const int x = point.x() - columnLeft();
    const int row = point.y() < 0 ? -1 : rowAt(point.y());
    if (x < 0 || x >= columnWidth(0) || row < 0 || row >= rowCount())
        return {};
    return m_items->index(row, 0);
}

void DomainListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != m_items)
        return;
    QScrollBar *down = verticalScrollBar();
    const int row = index.row();
    const int whole = wholeRowsShown();
    switch (hint) {
    case PositionAtTop:
        down->setValue(row);
        break;
    case PositionAtBottom:
        down->setValue(row - whole + 1);
        break;
    case PositionAtCenter:
        down->setValue(row - whole / 2);
        break;
    case EnsureVisible:
        if (row < down->value())
            down->setValue(row);
        else if (row >= down->value() + whole)
            down->setValue(row - whole + 1);
        break;
    }
}

QModelIndex DomainListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int rows = rowCount();
    if (rows == 0)
        return {};
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    int to = row;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        to = row < 0 ? 0 : row - 1;
        break;
    case MoveDown:
    case MoveNext:
        to = row + 1;
        break;
    case MovePageUp:
        to = row - wholeRowsShown();
        break;
    case MovePageDown:
        to = row + wholeRowsShown();
        break;
    case MoveHome:
        to = 0;
        break;
    case MoveEnd:
        to = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        // One column: the arrows move the view sideways, the entry stays.
        horizontalScrollBar()->triggerAction(cursorAction == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                      : QAbstractSlider::SliderSingleStepAdd);
        return current;
    }
    return m_items->index(std::clamp(to, 0, rows - 1), 0);
}

int DomainListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int DomainListView::verticalOffset() const
{
    return heldPixels(qint64(firstShownRow()) * m_rowHeight);
}

bool DomainListView::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void DomainListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect shown = rect.normalized();
    const int rows = rowCount();
    const int first = std::max(0, rowAt(std::max(0, shown.top())));
    const int last = std::min(rows - 1, rowAt(std::max(0, shown.bottom())));
    if (rows == 0 || first > last || shown.bottom() < 0) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    selectionModel()->select(QItemSelection(m_items->index(first, 0), m_items->index(last, 0)), command);
}

QRegion DomainListView::visualRegionForSelection(const QItemSelection &selection) const
{
    const int first = firstShownRow();
    const int last = first + shownRowCount() - 1;
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top <= bottom)
            region += QRect(columnLeft(), (top - first) * m_rowHeight, columnWidth(0),
                            (bottom - top + 1) * m_rowHeight);
    }
    return region;
}

void DomainListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QAbstractItemView::currentChanged(current, previous); // scrolls to it
    // The new row is told now: a retelling still to come would tell it twice.
    m_retell.stop();
    tellSelection();
    if (QAccessible::isActive() && current.isValid() && hasFocus())
        tellAccessibility(QAccessible::Focus, current.row());
}

void DomainListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    if (!QAccessible::isActive())
        return;
    // A row let go is told of at once, as Qt's own views tell it, also when
    // nothing else is selected in its stead.
    if (!deselected.isEmpty() && deselected.first().top() < rowCount())
        tellAccessibility(QAccessible::SelectionRemove, deselected.first().top());
    if (selected.isEmpty())
        return;
    // A key or a click selects before it makes the row current and the view
    // scrolls there: the row is told of after that. A selection the current
    // row does not follow is told of on the next pass.
    const bool untold = m_untoldSelection >= 0;
    m_untoldSelection = selected.first().top();
    if (!untold)
        QMetaObject::invokeMethod(this, &DomainListView::tellSelection, Qt::QueuedConnection);
}

void DomainListView::tellSelection()
{
    const int row = std::exchange(m_untoldSelection, -1);
    if (row >= 0 && row < rowCount() && QAccessible::isActive())
        tellAccessibility(QAccessible::Selection, row);
}

void DomainListView::tellCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && hasFocus() && QAccessible::isActive())
        tellAccessibility(QAccessible::Focus, current.row());
}

void DomainListView::tellAccessibility(int event, int row)
{
    QAccessibleEvent note(this, QAccessible::Event(event));
    if (row >= 0)
        note.setChild(row);
    QAccessible::updateAccessibility(&note);
}

void DomainListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QAbstractItemView::mouseDoubleClickEvent(event);
    Q_EMIT doubleClickedAnywhere();
}

void DomainListView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete) {
        event->accept();
        Q_EMIT deleteKeyPressed();
        return;
    }
    const QModelIndex before = currentIndex();
    QAbstractItemView::keyPressEvent(event);
    // A key that moves to the row already current (Home on the first row,
    // any arrow or type-ahead in a list of one) moves no focus, and a screen
    // reader would say nothing.
    static constexpr Qt::Key kMoves[] = {Qt::Key_Up,     Qt::Key_Down,     Qt::Key_Home,
                                         Qt::Key_End,    Qt::Key_PageUp,   Qt::Key_PageDown};
    const bool moves = std::find(std::begin(kMoves), std::end(kMoves), event->key()) != std::end(kMoves)
                       || (!event->text().isEmpty() && event->text().at(0).isPrint());
    if (moves && before.isValid() && currentIndex() == before && QAccessible::isActive())
        retellCurrentRow();
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
namespace {

// What a reader says of a row it arrives on: "name, 3 of 10". One pass of
// arg(), so that a name holding "%2" stays as it is.
QString rowAndPlace(const QString &name, int place, int count)
{
    return QStringLiteral("%1, %2 of %3").arg(name, QString::number(place), QString::number(count));
}

void tellInWords(QObject *view, const QString &words)
{
    QAccessibleAnnouncementEvent note(view, words);
    QAccessible::updateAccessibility(&note);
}

} // namespace
#endif

void DomainListView::tellArrival()
{
    if (currentIndex().isValid()) {
        tellCurrentRow();
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Readers of these releases name a list by its name alone, its role and
    // size only when it has rows: an empty one is told to be so.
    if (rowCount() == 0 && hasFocus())
        tellInWords(this, QStringLiteral("Empty list."));
#endif
}

void DomainListView::retellCurrentRow()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // The row and its place, as words of their own: a reader that is handed
    // the list's focus takes its selected row instead, the one it is on, and
    // so says nothing when the row is selected.
    const QModelIndex current = currentIndex();
    tellInWords(this, rowAndPlace(current.data().toString(), current.row() + 1, rowCount()));
#else
    // The focus goes to the list and back, so that the row is heard again
    // with its place. Back a moment later: a reader that finds the row's
    // focus already waiting takes the list's as outdated, and then the row's
    // as no change.
    tellAccessibility(QAccessible::Focus, -1);
    m_retell.start();
#endif
}

void DomainListView::focusInEvent(QFocusEvent *event)
{
    QAbstractItemView::focusInEvent(event);
    // Arriving by the keyboard reaches the current row as a key does, and
    // a key selects the row it reaches: so the row a reader names on arrival
    // is the one Delete removes, and no "not selected" follows its name.
    const bool byKeyboard = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (byKeyboard && currentIndex().isValid() && !selectionModel()->hasSelection())
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // Qt tells of the list itself once this returns: the current row is told
    // of after that, so that a reader arriving here hears where it stands.
    if (QAccessible::isActive())
        QMetaObject::invokeMethod(this, &DomainListView::tellArrival, Qt::QueuedConnection);
}

QItemSelectionModel::SelectionFlags DomainListView::selectionCommand(const QModelIndex &index,
                                                                    const QEvent *event) const
{
    // A click on the empty area below the last entry keeps the selection, so
    // a double-click there still removes the selected entry.
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    return QAbstractItemView::selectionCommand(index, event);
}

} // namespace quill
