#include "skin_step.h"

#include "core/platform.h"
#include "ordinary_file.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QWidget>

namespace quill {

namespace {

constexpr std::uint32_t kSkinOptionBit = 0x1;

// The window's background is the system's button-face colour, not a copy of
// it: when the desktop's palette changes, the background follows, unless
// someone else (a skin, say) has painted the window since.
class ButtonFaceBackground final : public QObject {
public:
    explicit ButtonFaceBackground(QWidget &window) : QObject(&window), m_window(window)
    {
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
            palette.setColor(group, QPalette::Window, system.color(group, QPalette::Button));
        m_window.setPalette(palette);
        m_applied = palette.color(QPalette::Active, QPalette::Window);
    }

    QWidget &m_window;
    QColor m_applied;
};

} // namespace

void SkinStep(QWidget &window, SkinEngine &engine, const QString &installFolder)
{
    const QString skinFile = installFolder + QStringLiteral("/x/o.cjs");
    if (!OrdinaryFileExists(skinFile))
        return;
    new ButtonFaceBackground(window);
    engine.LoadSkin(skinFile, QString());
    engine.setApplyOptions(engine.applyOptions() | kSkinOptionBit);
    engine.setApplyToNewWindows(true);
    engine.setFollowSkinFile(true);
    engine.ApplyWindow(&window);
}

} // namespace quill
