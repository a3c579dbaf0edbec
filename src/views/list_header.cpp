#include "list_header.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace quill {

ListHeader::ListHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

void ListHeader::paintEvent(QPaintEvent *event)
{
    QHeaderView::paintEvent(event);
    const int used = length() - offset();
    const int free = viewport()->width() - used;
    if (free <= 0)
        return;
    // Right to left, the sections stand at the right edge and the rest lies left of them.
    const QRect rest = QStyle::visualRect(layoutDirection(), viewport()->rect(),
                                          QRect(used, 0, free, viewport()->height()));
    QPainter painter(viewport());
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rest;
    option.section = count();
    option.position = QStyleOptionHeader::End;
    option.state |= QStyle::State_Raised;
    style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
}

} // namespace quill
