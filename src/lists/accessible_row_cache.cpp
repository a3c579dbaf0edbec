#include "accessible_row_cache.h"

#include <algorithm>

namespace quill {

QAccessibleInterface *AccessibleRowCache::find(int row)
{
    for (Entry &entry : m_entries) {
        QAccessibleInterface *item = QAccessible::accessibleInterface(entry.id);
        if (item && m_rowOf(item) == row) {
            entry.used = ++m_clock;
            return item;
        }
    }
    return nullptr;
}

QAccessibleInterface *AccessibleRowCache::keep(QAccessibleInterface *item)
{
    if (m_entries.size() >= kCapacity) {
        dropGone();
        if (m_entries.size() >= kCapacity) {
            const auto oldest = std::min_element(m_entries.begin(), m_entries.end(),
                                                 [](const Entry &a, const Entry &b) { return a.used < b.used; });
            drop(size_t(oldest - m_entries.begin()));
        }
    }
    m_entries.push_back({QAccessible::registerAccessibleInterface(item), ++m_clock});
    return item;
}

void AccessibleRowCache::dropGone()
{
    for (size_t at = m_entries.size(); at-- > 0;) {
        QAccessibleInterface *item = QAccessible::accessibleInterface(m_entries[at].id);
        if (!item || m_rowOf(item) < 0)
            drop(at);
    }
}

void AccessibleRowCache::clear()
{
    while (!m_entries.empty())
        drop(m_entries.size() - 1);
}

void AccessibleRowCache::drop(size_t at)
{
    const QAccessible::Id id = m_entries[at].id;
    m_entries[at] = m_entries.back();
    m_entries.pop_back();
    if (QAccessible::accessibleInterface(id))
        QAccessible::deleteAccessibleInterface(id);
}

} // namespace quill
