#include "home_page.h"

#include "core/platform.h"

namespace quill {

void HomePageDraw(Chance &chance, Launcher &launcher)
{
    constexpr int kLuckyNumber = 7;
    chance.seed(static_cast<std::uint32_t>(chance.secondsSinceMidnight()));
    const int n = static_cast<int>(chance.draw() * 100) + 1;
    if (n == kLuckyNumber)
        launcher.openInBrowser(QString::fromUtf16(kHomePage));
}

} // namespace quill
