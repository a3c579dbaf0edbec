#pragma once

class QString;

namespace quill {

class DomainList;
class BusyRecord;
struct Platform;

// What the check run works with, and all it sees of the window.
struct CheckRunContext {
    const Platform &platform;
    // The title every box without a title of its own shows.
    const QString &applicationTitle;
    // Whether the window is at a long command; a run holds it.
    BusyRecord &busy;
    const DomainList &pending;
    DomainList &taken;
    DomainList &available;
    // True while a run is at work: clicks reach the window while a request
    // waits, and a second run must not start inside the first.
    bool &CheckRunning;
    // How often a run tells how far it has come: seldom enough for a
    // listener to follow.
    int progressIntervalMs = kProgressIntervalMs;

    static constexpr int kProgressIntervalMs = 5000;
};

namespace check {

void PushButton4_Click(const CheckRunContext &context); // Start Checking

} // namespace check

} // namespace quill
