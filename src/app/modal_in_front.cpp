#include "modal_in_front.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace quill {

namespace {

const char *const kShownAnew = "quill-modal-shown-anew";

// How long a window manager may take to hand over an activation before the
// dialog is shown anew.
constexpr int kActivationGraceMs = 250;

// Whether the modal window keeps input from the window: not when the window
// is the modal one or one of its own (a popup, a box it opened), and for a
// window-modal dialog only from its parents.
bool blockedBy(const QWindow &window, const QWindow &modal)
{
    for (const QWindow *own = &window; own; own = own->transientParent())
        if (own == &modal)
            return false;
    if (modal.modality() == Qt::ApplicationModal)
        return true;
    for (const QWindow *parent = modal.transientParent(); parent; parent = parent->transientParent())
        if (parent == &window)
            return true;
    return false;
}

bool hiddenBehind(const QWidget &dialog)
{
    const QWindow *focused = QGuiApplication::focusWindow();
    return dialog.isVisible() && dialog.windowHandle() && focused && blockedBy(*focused, *dialog.windowHandle());
}

void bringToFront(QWidget *widget)
{
    const QPointer<QWidget> dialog(widget);
    // Queued: the window manager's activation of the other window is still
    // being handled, and would undo one asked for from within it.
    QTimer::singleShot(0, widget, [dialog] {
        if (!dialog || !hiddenBehind(*dialog))
            return;
        dialog->raise();
        dialog->activateWindow();
        if (!dialog->property(kShownAnew).toBool())
            return;
        QTimer::singleShot(kActivationGraceMs, dialog, [dialog] {
            if (dialog && hiddenBehind(*dialog)) {
                dialog->hide();
                dialog->show();
            }
        });
    });
}

// Installed once per application, as a child that ends the connection with it.
void watchActivations()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    const auto name = QStringLiteral("quill-modal-in-front");
    if (!app || app->findChild<QObject *>(name, Qt::FindDirectChildrenOnly))
        return;
    auto *watch = new QObject(app);
    watch->setObjectName(name);
    QObject::connect(app, &QGuiApplication::focusWindowChanged, watch, [](QWindow *focused) {
        // A menu or list that pops up takes the focus for a while; it is
        // the dialog's own, or closes before anything else can be done.
        if (QApplication::activePopupWidget())
            return;
        QWidget *dialog = QApplication::activeModalWidget();
        if (focused && dialog && dialog->windowHandle() && blockedBy(*focused, *dialog->windowHandle()))
            bringToFront(dialog);
    });
}

// Ends a wait on a dialog once the dialog is hidden for good: a hide that
// the showing anew undoes at once leaves the wait as it was.
class HideWatch final : public QObject {
public:
    HideWatch(QDialog &dialog, QEventLoop &loop) : m_dialog(&dialog), m_loop(loop) { dialog.installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched == m_dialog)
            QTimer::singleShot(0, &m_loop, [this] {
                if (!m_dialog || !m_dialog->isVisible())
                    m_loop.quit();
            });
        return false;
    }

private:
    QPointer<QDialog> m_dialog;
    QEventLoop &m_loop;
};

} // namespace

int execInFront(QDialog &dialog)
{
    watchActivations();
    // QDialog::exec() ends when its dialog is hidden, so the dialog could not
    // be shown anew: the wait here ends when the dialog is done, hidden for
    // good, or destroyed, and touches a destroyed dialog no more.
    const QPointer<QDialog> guard(&dialog);
    dialog.setProperty(kShownAnew, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setResult(0);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(&dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    const HideWatch watch(dialog, loop);
    dialog.show();
    loop.exec(QEventLoop::DialogExec);
    if (!guard)
        return QDialog::Rejected;
    dialog.setProperty(kShownAnew, QVariant());
    return dialog.result();
}

} // namespace quill
