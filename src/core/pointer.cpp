#include "pointer.h"

#include "busy.h"

namespace quill {

PointerSetting::PointerSetting(const BusyRecord &busy, QObject *parent) : QObject(parent), m_busy(busy)
{
    connect(&busy, &BusyRecord::busyChanged, this, [this](bool nowBusy) {
        m_chosen = Pointer::Default;
        Q_EMIT changed(nowBusy ? Pointer::Busy : Pointer::Default);
    });
}

Pointer PointerSetting::current() const noexcept
{
    return m_busy.isBusy() ? Pointer::Busy : m_chosen;
}

void PointerSetting::set(Pointer pointer)
{
    if (m_busy.isBusy() || pointer == Pointer::Busy)
        return; // busy is the record's to show
    m_chosen = pointer;
    Q_EMIT changed(pointer);
}

} // namespace quill
