#pragma once

#include <QString>

namespace quill {

class Chance;
class Launcher;

inline constexpr char16_t kHomePage[] = u"http://www.tavrelle.com/";

// About one start in a hundred hands the maker's home page to the browser.
void HomePageDraw(Chance &chance, Launcher &launcher);

} // namespace quill
