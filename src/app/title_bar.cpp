#include "title_bar.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace quill {
namespace {

constexpr int kButtonSide = 24;
constexpr int kGlyphSide = 10;
constexpr int kEdgeGap = 6;
constexpr int kButtonGap = 4;
constexpr int kIconSide = 18;

QColor titleColour(const QWidget &bar)
{
    const QPalette::ColorGroup group = bar.isActiveWindow() ? QPalette::Active : QPalette::Disabled;
    return bar.palette().color(group, QPalette::WindowText);
}

// One of the bar's buttons: a glyph that lights up under the pointer. It
// never takes the keyboard focus from the window's own controls.
class TitleButton final : public QAbstractButton {
public:
    enum class Glyph { Minimise, Close };

    TitleButton(Glyph glyph, QWidget *parent) : QAbstractButton(parent), m_glyph(glyph)
    {
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(kButtonSide, kButtonSide);
        const QString name = glyph == Glyph::Minimise ? QStringLiteral("Minimise") : QStringLiteral("Close");
        setToolTip(name);
        // A drawn glyph has no text: assistive tools would find the words
        // only in the tooltip, which they read as a description.
        setAccessibleName(name);
    }

protected:
    void enterEvent(QEnterEvent *event) override
    {
        update();
        QAbstractButton::enterEvent(event);
    }

    void leaveEvent(QEvent *event) override
    {
        update();
        QAbstractButton::leaveEvent(event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool lit = underMouse() || isDown();
        QColor ink = titleColour(*parentWidget());
        if (lit) {
            QColor fill = m_glyph == Glyph::Close ? QColor(0xc4, 0x2b, 0x1c) : palette().color(QPalette::Mid);
            if (isDown())
                fill = fill.darker(120);
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            p.drawRoundedRect(rect(), 4, 4);
            if (m_glyph == Glyph::Close)
                ink = Qt::white;
        }
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
        const QRectF glyph(QPointF(0, 0), QSizeF(kGlyphSide, kGlyphSide));
        const QRectF box = glyph.translated(QRectF(rect()).center() - glyph.center());
        if (m_glyph == Glyph::Minimise) {
            p.drawLine(QPointF(box.left(), box.bottom() - 1), QPointF(box.right(), box.bottom() - 1));
        } else {
            p.drawLine(box.topLeft(), box.bottomRight());
            p.drawLine(box.bottomLeft(), box.topRight());
        }
    }

private:
    Glyph m_glyph;
};

} // namespace

TitleBar::TitleBar(QWidget *parent)
    : QWidget(parent),
      m_minimise(new TitleButton(TitleButton::Glyph::Minimise, this)),
      m_close(new TitleButton(TitleButton::Glyph::Close, this))
{
    setObjectName(QStringLiteral("TitleBar"));
    setAutoFillBackground(true);
    connect(m_minimise, &QAbstractButton::clicked, this, [this] { window()->showMinimized(); });
    connect(m_close, &QAbstractButton::clicked, this, [this] { window()->close(); });
}

void TitleBar::resizeEvent(QResizeEvent *)
{
    const int top = (height() - kButtonSide) / 2;
    m_close->move(width() - kEdgeGap - kButtonSide, top);
    m_minimise->move(m_close->x() - kButtonGap - kButtonSide, top);
}

void TitleBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QWidget *frame = window();
    const QIcon icon = frame->windowIcon();
    if (!icon.isNull())
        icon.paint(&p, QRect(kEdgeGap, (height() - kIconSide) / 2, kIconSide, kIconSide));

    // Centred on the whole bar, as desktops centre titles, so it is kept
    // clear of the buttons on both sides.
    const int reserve = width() - m_minimise->x() + kEdgeGap;
    const QRect room = rect().adjusted(reserve, 0, -reserve, 0);
    if (room.width() <= 0)
        return;
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(titleColour(*this));
    const QString title = p.fontMetrics().elidedText(frame->windowTitle(), Qt::ElideRight, room.width());
    p.drawText(room, Qt::AlignCenter | Qt::TextSingleLine, title);
}

void TitleBar::mousePressEvent(QMouseEvent *event)
{
    // The compositor moves the window: a Wayland client cannot place itself.
    if (event->button() == Qt::LeftButton && window()->windowHandle())
        window()->windowHandle()->startSystemMove();
    event->accept();
}

} // namespace quill
