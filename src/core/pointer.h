#pragma once

#include <QObject>

namespace quill {

// What the window's pointer shows. Busy doubles as the sign that a long
// command is at work.
enum class Pointer { Default, Hand, Busy };

// The window's pointer setting. Long commands can run inside one another (a
// load or a save started from the event pass of a waiting check run or of
// a save), so busy is counted: each long command's end takes one count away,
// and only the outermost one's brings the arrow back. The hand and the arrow
// of the pointer rule are never asked for while busy.
class PointerSetting final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    Pointer current() const noexcept { return m_pointer; }
    bool isBusy() const noexcept { return m_busyCount > 0; }
    void set(Pointer pointer);

Q_SIGNALS:
    // The shown pointer is to become `pointer`.
    void changed(quill::Pointer pointer);

private:
    Pointer m_pointer = Pointer::Default;
    int m_busyCount = 0;
};

} // namespace quill
