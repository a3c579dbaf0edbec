#pragma once

#include <QObject>

namespace quill {

// Whether the window is at a long command (a check run, a load, a save): the
// one record of it, which the pointer follows. Long commands can run inside
// one another (a load started from the event pass of a waiting check run),
// so each holds a BusyScope for as long as it works, and the window is busy
// until the outermost one ends.
class BusyRecord final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool isBusy() const noexcept { return m_depth > 0; }

Q_SIGNALS:
    // The window has become busy, or is no longer.
    void busyChanged(bool busy);

private:
    friend class BusyScope;
    int m_depth = 0;
};

// One long command's share of the busy record, from its start until end()
// or the scope's own end, whichever comes first.
class BusyScope final {
public:
    explicit BusyScope(BusyRecord &record);
    ~BusyScope() { end(); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

    void end();

private:
    BusyRecord *m_record;
};

} // namespace quill
