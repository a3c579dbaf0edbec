#include "window_frame.h"

#include "title_bar.h"

#include <QCloseEvent>
#include <QPainter>

namespace quill {
namespace {

constexpr int kBorder = 1;
constexpr int kBarHeight = 30;

} // namespace

WindowFrame::WindowFrame(QWidget *client) : m_client(client), m_bar(new TitleBar(this))
{
    setObjectName(QStringLiteral("WindowFrame"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // Taken before the client stops being a window of its own.
    setWindowTitle(client->windowTitle());
    setWindowIcon(client->windowIcon());
    connect(client, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    connect(client, &QWidget::windowIconChanged, this, &QWidget::setWindowIcon);

    client->setParent(this);
    client->move(kBorder, kBarHeight);
    m_bar->setGeometry(kBorder, kBorder, client->width(), kBarHeight - kBorder);
    setFixedSize(client->width() + 2 * kBorder, kBarHeight + client->height() + kBorder);
}

WindowFrame::~WindowFrame()
{
    // Hidden by the move, as every widget given a new parent is.
    if (m_client)
        m_client->setParent(nullptr);
}

void WindowFrame::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
        m_bar->update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void WindowFrame::closeEvent(QCloseEvent *event)
{
    if (m_client && !m_client->close())
        event->ignore();
    else
        event->accept();
}

void WindowFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace quill
