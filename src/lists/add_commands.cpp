// "Add Domain" and "Load Sample/Example Data".

#include "core/name_count.h"
#include "core/platform.h"
#include "core/procedure.h"
#include "data/domain_list.h"
#include "data/sample_names.h"
#include "list_commands.h"

namespace quill::lists {

void PushButton5_Click(const ListCommandContext &context)
{
    Procedure proc(context.platform.boxes,
                   procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton5_Click")));
    QString name;
    proc.step(100, [&] {
        name = context.platform.boxes.input(context.applicationTitle, QStringLiteral("Enter website address to add: "));
    });
    if (proc.metOrFailed(102, [&] { return name.isEmpty(); }))
        return;
    proc.step(104, [&] { context.pending.Add(name); });
    if (!proc.anyFailed())
        context.platform.announcer.announce(name + QStringLiteral(" added to the pending list."));
}

void PushButton7_Click(const ListCommandContext &context)
{
    Procedure proc(context.platform.boxes,
                   procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton7_Click")));
    DomainList &pending = context.pending;
    proc.step(100, [&] { pending.Add(QByteArrayView(kSampleNames[0])); });
    proc.step(102, [&] { pending.Add(QByteArrayView(kSampleNames[1])); });
    proc.step(104, [&] { pending.Add(QByteArrayView(kSampleNames[2])); });
    if (!proc.anyFailed())
        context.platform.announcer.announce(QStringLiteral("3 example names added to the pending list."));
}

} // namespace quill::lists
