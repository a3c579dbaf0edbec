#pragma once

#include <QWidget>

class QAbstractButton;

namespace quill {

// A title bar for a window that must draw its own: the window's icon and
// title, a minimise and a close button, and a press anywhere else that lets
// the desktop move the window. There is no maximise button: the window
// keeps one size.
class TitleBar final : public QWidget {
    Q_OBJECT

public:
    explicit TitleBar(QWidget *parent);

    QAbstractButton *minimiseButton() const noexcept { return m_minimise; }
    QAbstractButton *closeButton() const noexcept { return m_close; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QAbstractButton *m_minimise;
    QAbstractButton *m_close;
};

} // namespace quill
