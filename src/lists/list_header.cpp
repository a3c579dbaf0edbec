#include "list_header.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace quill {

ListHeader::ListHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

void ListHeader::paintEvent(QPaintEvent *event)
{
    QHeaderView::paintEvent(event);
    const int used = length() - offset();
    const QRect rest(used, 0, viewport()->width() - used, viewport()->height());
    if (rest.width() <= 0)
        return;
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
