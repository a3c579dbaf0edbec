// "Start Checking".

#include "check_run.h"
#include "core/busy.h"
#include "core/name_count.h"
#include "core/platform.h"
#include "core/procedure.h"
#include "data/domain_list.h"
#include "valid.h"

#include <QTimer>

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
        Announcer &announcer = context.platform.announcer;
        announcer.announce(QStringLiteral("Checking ") + nameCount(count) + u'.');
        // This run's verdicts: a list may be cleared while a request waits.
        int takenNow = 0;
        int availableNow = 0;
        // How far the run has come, told while requests wait.
        int checked = 0;
        QTimer progress;
        progress.setInterval(context.progressIntervalMs);
        QObject::connect(&progress, &QTimer::timeout, [&] {
            announcer.announce(QStringLiteral("%1 of %2 checked.").arg(checked).arg(count));
        });
        progress.start();
        QByteArray name;
        for (int position = 1; position <= count; ++position, ++checked) {
            proc.step(110, [&] { name = pending.Item(position); });
            const auto taken = [&] {
                return Valid::IsURLValid(context.platform.inet, context.platform.boxes, name) == true;
            };
            if (proc.metOrFailed(112, taken))
                proc.step(114, [&] {
                    context.taken.Add(QByteArrayView(name));
                    ++takenNow;
                });
            else
                proc.step(116, [&] {
                    context.available.Add(QByteArrayView(name));
                    ++availableNow;
                });
        }
        progress.stop();
        proc.step(120, [&] { busy.reset(); });
        announcer.announce(QStringLiteral("Check done: %1 taken, %2 available.").arg(takenNow).arg(availableNow));
    } else {
        proc.step(122, [&] {
            context.platform.boxes.message(context.applicationTitle, QStringLiteral("No domain(s) added."),
                                           Buttons::Ok, Icon::None);
        });
    }
    proc.step(124, [&] { context.CheckRunning = false; });
}

} // namespace quill::check
