#include "enter_presses_button.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>

namespace quill {

namespace {

// Hands Enter to the button as Space, so that the button's own Space
// handling (pressed, released, clicked, and the repeat rule) runs unchanged.
class EnterAsSpace final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
        if (!keyEvent)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        QKeyEvent space(key->type(), Qt::Key_Space, key->modifiers(), QStringLiteral(" "), key->isAutoRepeat());
        QCoreApplication::sendEvent(watched, &space);
        // What the button leaves to others as Space travels on as Enter.
        return space.isAccepted();
    }
};

} // namespace

void pressOnEnter(QAbstractButton &button)
{
    button.installEventFilter(new EnterAsSpace(&button));
}

} // namespace quill
