// "Load Domains From File".

#include "common_dialog.h"
#include "core/busy.h"
#include "core/name_count.h"
#include "core/platform.h"
#include "core/procedure.h"
#include "data/domain_list.h"
#include "data/fix_path_slashes.h"
#include "data/list_file_reader.h"
#include "list_commands.h"

#include <algorithm>
#include <optional>

namespace quill::lists {

void PushButton3_Click(const ListCommandContext &context)
{
    Procedure proc(context.platform.boxes,
                   procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton3_Click")));
    DomainList &pending = context.pending;
    CommonDialog &dialog = context.dialog;
    const auto load = [&](const QString &path) {
        LoadListFile(context.platform.boxes, context.applicationTitle, pending, path);
    };

    proc.step(100, [&] { dialog.setFileName(QString()); });
    proc.step(102, [&] { dialog.setFlags(CommonDialog::kListFileFlags); });
    proc.step(104, [&] {
        dialog.setDialogTitle(QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
    });
    proc.step(106, [&] { dialog.setFilter(QString::fromUtf16(CommonDialog::kListFileFilter)); });
    bool tooManyFiles = false;
    proc.step(108, [&] {
        try {
            dialog.ShowOpen();
        } catch (const Failure &failure) {
            if (failure.number() != CommonDialog::kBufferTooSmall)
                throw;
            tooManyFiles = true;
        }
    });
    if (tooManyFiles) {
        // Its own message instead of a report, and nothing is loaded.
        proc.step(108, [&] {
            context.platform.boxes.message(context.applicationTitle,
                                     QStringLiteral("You've selected too many files to add.") + QStringLiteral("\r\r")
                                         + QStringLiteral("Please try adding via the \"Add All\" button."),
                                     Buttons::Ok, Icon::None);
        });
        return;
    }
    QStringList parts;
    proc.step(110, [&] { parts = openResultParts(dialog.FileName()); });
    const int before = pending.Count();
    std::optional<BusyScope> busy;
    proc.step(112, [&] { busy.emplace(context.busy); });
    if (proc.metOrFailed(114, [&] { return parts.size() == 1; })) {
        QString path;
        proc.step(116, [&] { path = parts.at(0); });
        proc.step(118, [&] { load(path); });
    } else if (proc.metOrFailed(120, [&] { return parts.size() >= 2; })) {
        qsizetype first = 0;
        qsizetype last = -1;
        proc.step(122, [&] { first = 1; });
        proc.step(124, [&] { last = parts.size() - 1; });
        for (qsizetype i = first; i <= last; ++i) {
            QString path;
            proc.step(128, [&] { path = parts.at(0) + u'/' + parts.at(i); });
            proc.step(130, [&] { path = FixPathSlashes(path); });
            proc.step(132, [&] { load(path); });
        }
    }
    proc.step(136, [&] { busy.reset(); });
    // Told once the files are in, the reports of any that failed answered.
    const qsizetype files = parts.size() == 1 ? 1 : std::max<qsizetype>(0, parts.size() - 1);
    if (files > 0) {
        QString words = nameCount(pending.Count() - before) + QStringLiteral(" added to the pending list");
        if (files > 1)
            words += QStringLiteral(" from %1 files").arg(files);
        context.platform.announcer.announce(words + u'.');
    }
}

} // namespace quill::lists
