#pragma once

class QString;

namespace quill {

class CommonDialog;
class DomainList;
class BusyRecord;
class UnloadNotice;
struct Platform;

// What the list commands work with, and all they see of the window.
struct ListCommandContext {
    const Platform &platform;
    // The title every box without a title of its own shows.
    const QString &applicationTitle;
    // Whether the window is at a long command; a load or a save holds it.
    BusyRecord &busy;
    // The open and save dialog that loading and saving share.
    CommonDialog &dialog;
    UnloadNotice &unload;
    DomainList &pending;
    DomainList &taken;
    DomainList &available;
};

namespace lists {

void PushButton5_Click(const ListCommandContext &context);  // Add Domain
void PushButton7_Click(const ListCommandContext &context);  // Load Sample/Example Data
void PushButton3_Click(const ListCommandContext &context);  // Load Domains From File
void PushButton1_Click(const ListCommandContext &context);  // Save List (taken)
void PushButton6_Click(const ListCommandContext &context);  // Save List (available)
void PushButton11_Click(const ListCommandContext &context); // Clear List (pending)
void PushButton2_Click(const ListCommandContext &context);  // Clear List (taken)
void PushButton9_Click(const ListCommandContext &context);  // Clear List (available)

} // namespace lists

} // namespace quill
