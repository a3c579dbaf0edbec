// The "Save List" and "Clear List" buttons.

#include "common_dialog.h"
#include "core/busy.h"
#include "core/file_exists.h"
#include "core/name_count.h"
#include "core/platform.h"
#include "core/procedure.h"
#include "core/unload_notice.h"
#include "data/domain_list.h"
#include "data/list_file_writer.h"
#include "list_commands.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <optional>

namespace quill::lists {

namespace {

// The save shared by both "Save List" buttons. The window's event pass runs
// once per entry, so other commands may run in the middle of it; the file
// belongs to this run alone.
void saveList(const ListCommandContext &context, DomainList &list, const QString &procedure)
{
    const Platform &platform = context.platform;
    CommonDialog &dialog = context.dialog;
    Procedure proc(platform.boxes, procedurePath(QStringLiteral("Form1"), procedure));

    proc.step(106, [&] { dialog.setFileName(QString()); });
    proc.step(108, [&] { dialog.setFlags(CommonDialog::kListFileFlags); });
    proc.step(110, [&] { dialog.setDialogTitle(QStringLiteral("Save")); });
    proc.step(112, [&] { dialog.setFilter(QString::fromUtf16(CommonDialog::kListFileFilter)); });
    proc.step(114, [&] { dialog.ShowSave(); });
    QString name;
    proc.step(116, [&] { name = dialog.FileName(); });
    if (proc.metOrFailed(118, [&] { return name.isEmpty(); }))
        return;
    Answer answer = Answer::No;
    if (proc.metOrFailed(120, [&] { return FileExists(name); })) {
        proc.step(122, [&] {
            answer = platform.boxes.message(context.applicationTitle,
                                            QStringLiteral("Are you sure you wish to overwrite ") + name
                                                + QStringLiteral(" ?"),
                                            Buttons::YesNo, Icon::None);
        });
    } else {
        proc.step(124, [&] { answer = Answer::Yes; });
    }
    if (proc.metOrFailed(126, [&] { return answer != Answer::Yes; }))
        return;
    std::optional<BusyScope> busy;
    proc.step(128, [&] { busy.emplace(context.busy); });
    ListFileWriter file;
    // Closing the window ends the program inside an event pass. Where the
    // file system has no unnamed temporary files, the half-written one would
    // stay behind beside the old file.
    const QMetaObject::Connection unload =
        QObject::connect(&context.unload, &UnloadNotice::aboutToUnload, [&file] { file.discard(); });
    const auto disconnect = qScopeGuard([&] { QObject::disconnect(unload); });
    proc.step(130, [&] { file.open(name); });
    int count = 0;
    proc.step(132, [&] { count = list.Count(); });
    for (int i = 1; i <= count; ++i) {
        proc.step(134, [&] { platform.events.processEvents(); });
        proc.step(136, [&] { file.writeLine(list.ItemView(i)); });
    }
    proc.step(140, [&] { file.close(); });
    proc.step(142, [&] { busy.reset(); });
    if (!proc.anyFailed())
        platform.announcer.announce(nameCount(count) + QStringLiteral(" saved to ") + QFileInfo(name).fileName()
                                    + u'.');
}

// Tells which list a clear left empty.
void tellCleared(const Procedure &proc, const ListCommandContext &context, const DomainList &list, const char *which)
{
    if (!proc.anyFailed() && list.Count() == 0)
        context.platform.announcer.announce(QStringLiteral("The %1 list is empty.").arg(QLatin1String(which)));
}

} // namespace

void PushButton1_Click(const ListCommandContext &context)
{
    saveList(context, context.taken, QStringLiteral("PushButton1_Click"));
}

void PushButton6_Click(const ListCommandContext &context)
{
    saveList(context, context.available, QStringLiteral("PushButton6_Click"));
}

void PushButton11_Click(const ListCommandContext &context)
{
    Procedure proc(context.platform.boxes,
                   procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton11_Click")));
    proc.step(100, [&] {
        if (!context.busy.isBusy())
            context.pending.Clear();
    });
    tellCleared(proc, context, context.pending, "pending");
}

void PushButton2_Click(const ListCommandContext &context)
{
    Procedure proc(context.platform.boxes,
                   procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton2_Click")));
    proc.step(100, [&] { context.taken.Clear(); });
    tellCleared(proc, context, context.taken, "taken");
}

void PushButton9_Click(const ListCommandContext &context)
{
    Procedure proc(context.platform.boxes,
                   procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton9_Click")));
    proc.step(100, [&] { context.available.Clear(); });
    tellCleared(proc, context, context.available, "available");
}

} // namespace quill::lists
