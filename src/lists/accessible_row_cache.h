#pragma once

#include <QAccessible>

#include <functional>
#include <vector>

namespace quill {

// The accessible interfaces of a list's rows that are in use: at most
// kCapacity at a time, the least recently asked for given up first. Every
// interface kept is registered with QAccessible, so assistive technology
// can name it by its id; one given up is unregistered and deleted, and a
// reader that still names it finds nothing instead of another row.
class AccessibleRowCache final {
public:
    static constexpr size_t kCapacity = 256;
    // The row an interface stands for now, or -1 once its row has gone.
    using RowOf = std::function<int(QAccessibleInterface *)>;

    explicit AccessibleRowCache(RowOf rowOf) : m_rowOf(std::move(rowOf)) {}
    ~AccessibleRowCache() { clear(); }
    AccessibleRowCache(const AccessibleRowCache &) = delete;
    AccessibleRowCache &operator=(const AccessibleRowCache &) = delete;

    // The interface kept for `row`, or null.
    QAccessibleInterface *find(int row);
    // Keeps `item`, made for a row find() did not know, giving up the least
    // recently used one when full.
    QAccessibleInterface *keep(QAccessibleInterface *item);
    // Gives up the interfaces whose rows have gone.
    void dropGone();
    void clear();
    size_t size() const noexcept { return m_entries.size(); }

private:
    struct Entry {
        QAccessible::Id id;
        quint64 used;
    };
    void drop(size_t at);

    RowOf m_rowOf;
    std::vector<Entry> m_entries;
    quint64 m_clock = 0;
};

} // namespace quill
