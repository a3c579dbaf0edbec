#pragma once

#include <QPointer>
#include <QWidget>

namespace quill {

class TitleBar;

// A frameless top-level window around a client widget, with a title bar of
// the program's own, for desktops that leave a window's decoration to the
// window. The client keeps its fixed size below the bar; the frame bears
// the client's title and icon and hands every request to close on to it.
// The frame does not own the client: it gives it back when it goes.
class WindowFrame final : public QWidget {
    Q_OBJECT

public:
    explicit WindowFrame(QWidget *client);
    ~WindowFrame() override;

    TitleBar *titleBar() const noexcept { return m_bar; }

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QWidget> m_client;
    TitleBar *m_bar;
};

} // namespace quill
