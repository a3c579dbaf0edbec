#pragma once

#include "core/platform.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace quill {

// Announcements through Qt's accessibility bridge, on behalf of the window.
// From Qt 6.8 as announcement events; before, as a notification that starts
// showing, which screen readers speak as news the user did not move to
// (a widget of no size: nothing shows on the screen).
class QtAnnouncer final : public Announcer {
public:
    QtAnnouncer();
    void setWindow(QWidget *window);
    void announce(const QString &words) noexcept override;

private:
    void tellWaiting();
    void tell(const QString &words);

    // A dialog that just closed leaves the window to get the keyboard back
    // a moment later, and a reader then says where the keyboard is, cutting
    // short what it was saying: words wait until the window has it, for as
    // long as a window manager takes to hand it over.
    static constexpr int kWaitForWindowMs = 2000;
    static constexpr int kLookAgainMs = 50;

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_notice;
    QStringList m_waiting;
    QElapsedTimer m_waitingSince;
    QTimer m_lookAgain;
};

} // namespace quill
