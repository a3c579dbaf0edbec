#pragma once

#include "app/form1.h"
#include "fake_platform.h"
#include "form1_controls.h"

#include <QTest>

#include <memory>
#include <optional>

namespace quill::test {

// The main window started on fakes, as the program starts it.
struct WindowUnderTest {
    WindowUnderTest() : window(std::make_unique<Form1>(fakes.platform())) { window->Form_Load(); }

    FakePlatform fakes;
    std::unique_ptr<Form1> window;
};

// The pointer a test starts from: Busy stands for a long command at work,
// held by the returned scope for as long as it lives.
[[nodiscard]] inline std::optional<BusyScope> startFrom(Form1 &window, Pointer pointer)
{
    if (pointer == Pointer::Busy)
        return std::optional<BusyScope>(std::in_place, window.busyRecord());
    window.setMousePointer(pointer);
    return std::nullopt;
}

} // namespace quill::test

// Every dialog the test expected was shown, and no other.
#define QUILL_VERIFY_DIALOGS_SETTLED(boxes)                                                                          \
    do {                                                                                                             \
        QVERIFY2((boxes).unexpected().isEmpty(), qPrintable((boxes).unexpected().join(u'\n')));                      \
        QCOMPARE((boxes).pendingAnswers(), 0);                                                                       \
    } while (false)
