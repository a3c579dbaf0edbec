#pragma once

#include "core/platform.h"

#include <QPointer>
#include <QWidget>

namespace quill {

// Announcements through Qt's accessibility bridge, on behalf of the window.
// From Qt 6.8 as announcement events; before, as a notification that starts
// showing, which screen readers speak as news the user did not move to
// (a widget of no size: nothing shows on the screen).
class QtAnnouncer final : public Announcer {
public:
    void setWindow(QWidget *window);
    void announce(const QString &words) noexcept override;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_notice;
};

} // namespace quill
