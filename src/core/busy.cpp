#include "busy.h"

#include <utility>

namespace quill {

BusyScope::BusyScope(BusyRecord &record) : m_record(&record)
{
    if (record.m_depth++ == 0)
        Q_EMIT record.busyChanged(true);
}

void BusyScope::end()
{
    BusyRecord *record = std::exchange(m_record, nullptr);
    if (record && --record->m_depth == 0)
        Q_EMIT record->busyChanged(false);
}

} // namespace quill
