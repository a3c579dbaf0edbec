// "Start Checking".

#include "check_run.h"
#include "core/busy.h"
#include "core/platform.h"
#include "core/procedure.h"
#include "data/domain_list.h"
#include "valid.h"

#include <optional>

namespace quill::check {

void PushButton4_Click(const CheckRunContext &context)
{
    Procedure proc(context.platform.boxes,
                   procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton4_Click")));
    // Clicks reach the window while a request waits: one run at a time.
    if (proc.metOrFailed(100, [&] { return context.CheckRunning; }))
        return;
    proc.step(102, [&] { context.CheckRunning = true; });
    const DomainList &pending = context.pending;
    if (proc.metOrFailed(104, [&] { return pending.Count() > 0; })) {
        std::optional<BusyScope> busy;
        proc.step(106, [&] { busy.emplace(context.busy); });
        // Names added during the run wait for the next one.
        int count = 0;
        proc.step(108, [&] { count = pending.Count(); });
        QByteArray name;
        for (int position = 1; position <= count; ++position) {
            proc.step(110, [&] { name = pending.Item(position); });
            const auto taken = [&] {
                return Valid::IsURLValid(context.platform.inet, context.platform.boxes, name) == true;
            };
            if (proc.metOrFailed(112, taken))
                proc.step(114, [&] { context.taken.Add(QByteArrayView(name)); });
            else
                proc.step(116, [&] { context.available.Add(QByteArrayView(name)); });
        }
        proc.step(120, [&] { busy.reset(); });
    } else {
        proc.step(122, [&] {
            context.platform.boxes.message(context.applicationTitle, QStringLiteral("No domain(s) added."),
                                           Buttons::Ok, Icon::None);
        });
    }
    proc.step(124, [&] { context.CheckRunning = false; });
}

} // namespace quill::check
