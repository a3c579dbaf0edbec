// "Start Checking".

#include "valid.h"
#include "app/form1.h"
#include "app/procedure.h"
#include "lists/domain_list.h"
#include "lists/domain_list_view.h"

namespace quill {

void Form1::PushButton4_Click()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton4_Click")));
    // Clicks reach the window while a request waits: one run at a time.
    if (proc.test(100, [&] { return CheckRunning; }))
        return;
    proc.step(102, [&] { CheckRunning = true; });
    DomainList &pending = ListView1->ListItems();
    if (proc.test(104, [&] { return pending.Count() > 0; })) {
        proc.step(106, [&] { setMousePointer(Pointer::Busy); });
        // Names added during the run wait for the next one.
        int count = 0;
        proc.step(108, [&] { count = pending.Count(); });
        QByteArray name;
        for (int position = 1; position <= count; ++position) {
            proc.step(110, [&] { name = pending.Item(position); });
            if (proc.test(112, [&] { return Valid::IsURLValid(m_platform.inet, m_platform.boxes, name) == true; }))
                proc.step(114, [&] { ListView2->ListItems().Add(QByteArrayView(name)); });
            else
                proc.step(116, [&] { ListView3->ListItems().Add(QByteArrayView(name)); });
        }
        proc.step(120, [&] { setMousePointer(Pointer::Default); });
    } else {
        proc.step(122, [&] {
            m_platform.boxes.message(applicationTitle(), QStringLiteral("No domain(s) added."), Buttons::Ok,
                                     Icon::None);
        });
    }
    proc.step(124, [&] { CheckRunning = false; });
}

} // namespace quill
