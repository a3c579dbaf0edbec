#pragma once

#include <QObject>

namespace quill {

class BusyRecord;

// What the window's pointer shows.
enum class Pointer { Default, Hand, Busy };

// The window's pointer setting. It shows Busy while the window is busy, and
// when the window is no longer busy, the arrow. Otherwise it shows what the
// pointer rule asks for, the hand or the arrow, which the rule never asks for
// while the window is busy.
class PointerSetting final : public QObject {
    Q_OBJECT

public:
    explicit PointerSetting(const BusyRecord &busy, QObject *parent = nullptr);

    Pointer current() const noexcept;
    // The hand or the arrow, when the window is not busy.
    void set(Pointer pointer);

Q_SIGNALS:
    // The shown pointer is to become `pointer`.
    void changed(quill::Pointer pointer);

private:
    const BusyRecord &m_busy;
    Pointer m_chosen = Pointer::Default;
};

} // namespace quill
