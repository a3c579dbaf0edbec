#include "system_colour_background.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace quill {

namespace {

// Found again by name: a later call replaces it.
const QString kFollowerName = QStringLiteral("systemColourBackground");

class SystemColourBackground final : public QObject {
public:
    SystemColourBackground(QWidget &window, QPalette::ColorRole role) : QObject(&window), m_window(window), m_role(role)
    {
        setObjectName(kFollowerName);
        apply();
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_window && event->type() == QEvent::ApplicationPaletteChange
            && m_window.palette().color(QPalette::Active, QPalette::Window) == m_applied)
            apply();
        return QObject::eventFilter(watched, event);
    }

private:
    void apply()
    {
        const QPalette system = QApplication::palette();
        QPalette palette = m_window.palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Window, system.color(group, m_role));
        m_window.setPalette(palette);
        m_applied = palette.color(QPalette::Active, QPalette::Window);
    }

    QWidget &m_window;
    QPalette::ColorRole m_role;
    QColor m_applied;
};

} // namespace

void followSystemColour(QWidget &window, QPalette::ColorRole role)
{
    delete window.findChild<QObject *>(kFollowerName, Qt::FindDirectChildrenOnly);
    new SystemColourBackground(window, role);
}

} // namespace quill
