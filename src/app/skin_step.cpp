#include "skin_step.h"

#include "core/platform.h"
#include "ordinary_file.h"
#include "system_colour_background.h"

#include <QWidget>

namespace quill {

namespace {

constexpr std::uint32_t kSkinOptionBit = 0x1;

} // namespace

void SkinStep(QWidget &window, SkinEngine &engine, const QString &installFolder)
{
    const QString skinFile = installFolder + QStringLiteral("/x/o.cjs");
    if (!OrdinaryFileExists(skinFile))
        return;
    followSystemColour(window, QPalette::Button);
    engine.LoadSkin(skinFile, QString());
    engine.setApplyOptions(engine.applyOptions() | kSkinOptionBit);
    engine.setApplyToNewWindows(true);
    engine.setFollowSkinFile(true);
    engine.ApplyWindow(&window);
}

} // namespace quill
