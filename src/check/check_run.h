#pragma once

class QString;

namespace quill {

class DomainList;
class PointerSetting;
struct Platform;

// What the check run works with, and all it sees of the window.
struct CheckRunContext {
    const Platform &platform;
    // The title every box without a title of its own shows.
    const QString &applicationTitle;
    // The window's pointer setting, which doubles as the busy sign.
    PointerSetting &pointer;
    const DomainList &pending;
    DomainList &taken;
    DomainList &available;
    // True while a run is at work: clicks reach the window while a request
    // waits, and a second run must not start inside the first.
    bool &CheckRunning;
};

namespace check {

void PushButton4_Click(const CheckRunContext &context); // Start Checking

} // namespace check

} // namespace quill
