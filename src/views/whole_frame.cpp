#include "whole_frame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QStyleOptionFrame>

#include <cmath>

namespace quill {

namespace {

class WholeFrame final : public QObject {
public:
    explicit WholeFrame(QFrame &frame) : QObject(&frame), m_frame(frame) { frame.installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &m_frame || event->type() != QEvent::Paint || m_painting)
            return false;
        // The frame's own painting first, then the lines over it.
        m_painting = true;
        QCoreApplication::sendEvent(&m_frame, event);
        m_painting = false;
        drawEdges();
        return true;
    }

private:
    QStyleOptionFrame frameOption() const
    {
        QStyleOptionFrame option;
        option.initFrom(&m_frame);
        option.frameShape = m_frame.frameShape();
        option.lineWidth = m_frame.lineWidth();
        option.midLineWidth = m_frame.midLineWidth();
        if (m_frame.frameShadow() == QFrame::Sunken)
            option.state |= QStyle::State_Sunken;
        else if (m_frame.frameShadow() == QFrame::Raised)
            option.state |= QStyle::State_Raised;
        return option;
    }

    // The colour of the style's outermost line, halfway down its left side.
    QColor lineColour() const
    {
        QImage sample(16, 16, QImage::Format_ARGB32_Premultiplied);
        sample.fill(Qt::transparent);
        QStyleOptionFrame option = frameOption();
        option.rect = sample.rect();
        {
            QPainter painter(&sample);
            m_frame.style()->drawControl(QStyle::CE_ShapedFrame, &option, &painter, &m_frame);
        }
        return sample.pixelColor(0, sample.height() / 2);
    }

    void drawEdges()
    {
        const qreal scale = m_frame.devicePixelRatioF();
        if (m_frame.frameShape() == QFrame::NoFrame || scale == std::floor(scale))
            return;
        const QColor colour = lineColour();
        if (colour.alpha() == 0)
            return;
        QPainter painter(&m_frame);
        // Where the widget lies in device pixels; it may start between two,
        // and then owns the pixels from the rounded edge on.
        const QPointF origin = painter.deviceTransform().map(QPointF(0, 0));
        const QRectF rect = m_frame.frameRect();
        const auto firstPixel = [](qreal from) { return std::floor(from + 0.5); };
        const qreal left = firstPixel(origin.x() + rect.left() * scale);
        const qreal top = firstPixel(origin.y() + rect.top() * scale);
        const qreal right = firstPixel(origin.x() + (rect.left() + rect.width()) * scale) - 1;
        const qreal bottom = firstPixel(origin.y() + (rect.top() + rect.height()) * scale) - 1;
        // Whole device pixels of the window from here on.
        painter.resetTransform();
        painter.scale(1 / scale, 1 / scale);
        painter.translate(-origin);
        const auto pixels = [](qreal x, qreal y, qreal w, qreal h) { return QRectF(x, y, w, h); };
        painter.fillRect(pixels(left, top, right - left + 1, 1), colour);
        painter.fillRect(pixels(left, bottom, right - left + 1, 1), colour);
        painter.fillRect(pixels(left, top, 1, bottom - top + 1), colour);
        painter.fillRect(pixels(right, top, 1, bottom - top + 1), colour);
    }

    QFrame &m_frame;
    bool m_painting = false;
};

} // namespace

void drawFrameWhole(QFrame &frame)
{
    new WholeFrame(frame);
}

} // namespace quill
