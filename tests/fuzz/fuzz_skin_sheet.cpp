// The skin's style-sheet check on any text: it never fails, gives the same
// answer every time, is not swayed by a comment, and accepts only text that
// holds rules (a rule's block may be empty, as in CSS).
// The input becomes text as textOf says.

#include "fuzz_check.h"
#include "app/style_sheet_check.h"

#include <QApplication>

#include <cstdint>

using namespace quill;
using namespace quill::fuzz;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_skin_sheet";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own parser is asked through a widget, as when a skin loads.
    static QApplication app(argc, argv);
    // Qt warns about every broken input; a run would spend its time and its
    // log on the warnings.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString sheet = textOf(data, size);
    const bool usable = isUsableStyleSheet(sheet);
    checkEqual(int(isUsableStyleSheet(sheet)), int(usable), "the same answer twice");
    checkEqual(int(isUsableStyleSheet(QStringLiteral("/* a skin */\n") + sheet)), int(usable),
               "a comment in front changes nothing");
    if (usable)
        check(sheet.contains(u'{') && sheet.contains(u'}'), "a usable sheet has at least one rule",
              printable(sheet.left(200)));
    return 0;
}
