#include "skin_step.h"

#include "platform.h"

namespace quill {

void SkinStep(QWidget &window, SkinEngine &engine, const QString &installFolder)
{
    Q_UNUSED(window);
    Q_UNUSED(engine);
    Q_UNUSED(installFolder);
}

} // namespace quill
