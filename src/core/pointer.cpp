#include "pointer.h"

namespace quill {

void PointerSetting::set(Pointer pointer)
{
    if (pointer == Pointer::Busy)
        ++m_busyCount;
    else if (m_busyCount > 0 && --m_busyCount > 0)
        return; // an outer long command is still at work
    m_pointer = pointer;
    Q_EMIT changed(pointer);
}

} // namespace quill
