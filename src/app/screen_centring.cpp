#include "screen_centring.h"

#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quill {

namespace {

// How often and how long to look for the frame after showing: a window
// manager frames a new window within a few event passes, and on a bare
// X server no frame ever comes.
constexpr int kLookEveryMs = 25;
constexpr int kLooks = 80;

QMargins frameMargins(const QWidget &window)
{
    const QWindow *handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

class FrameCentring final : public QObject {
public:
    explicit FrameCentring(QWidget &window) : QObject(&window), m_window(window)
    {
        window.installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, &FrameCentring::look);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Looked at once the showing is over and the window has its size.
        if (watched == &m_window && event->type() == QEvent::Show) {
            m_looks = 0;
            m_timer.start(0);
        }
        return false;
    }

private:
    void look()
    {
        const bool framed = !frameMargins(m_window).isNull();
        if (m_looks == 0 || framed)
            centreFrameOnScreen(m_window);
        m_timer.setInterval(kLookEveryMs);
        if (framed || ++m_looks >= kLooks) {
            m_timer.stop();
            m_window.removeEventFilter(this);
            deleteLater();
        }
    }

    QWidget &m_window;
    QTimer m_timer;
    int m_looks = 0;
};

} // namespace

void centreFrameOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins margins = frameMargins(window);
    const QSize frame = window.size().grownBy(margins);
    const QPoint frameTopLeft = area.center() - QPoint(frame.width() / 2, frame.height() / 2);
    // A shown window is placed by its client area, with the frame as the
    // window system knows it now; before showing, by its frame.
    if (QWindow *handle = window.windowHandle(); handle && window.isVisible())
        handle->setPosition(frameTopLeft + QPoint(margins.left(), margins.top()));
    else
        window.move(frameTopLeft);
}

void keepCentredOnScreen(QWidget &window)
{
    centreFrameOnScreen(window);
    new FrameCentring(window);
}

} // namespace quill
