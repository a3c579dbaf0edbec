#include "own_title_bar.h"

#include <QGuiApplication>
#include <QString>
#include <QtWaylandClient/QWaylandClientExtension>

#include <wayland-util.h>

namespace quill {
namespace {

// The compositor's offer of server-side decorations, the global Qt binds to
// ask for them. Only its presence is wanted, so it is never bound here.
const wl_interface kDecorationManager{"zxdg_decoration_manager_v1", 1, 0, nullptr, 0, nullptr};

class DecorationOffer final : public QWaylandClientExtension {
public:
    DecorationOffer() : QWaylandClientExtension(kDecorationManager.version)
    {
        // Looks through the globals Qt's connection already knows, now
        // rather than at the next pass of the event loop.
        initialize();
    }

    const wl_interface *extensionInterface() const override { return &kDecorationManager; }
    void bind(wl_registry *, int, int) override {}
};

} // namespace

bool windowDrawsItsOwnTitleBar()
{
    using namespace Qt::Literals::StringLiterals;
    if (!QGuiApplication::platformName().startsWith(u"wayland"_s))
        return false;
    if (qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION"))
        return false;
    return !DecorationOffer().isActive();
}

} // namespace quill
