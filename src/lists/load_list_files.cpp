// "Load Domains From File".

#include "app/common_dialog.h"
#include "app/form1.h"
#include "app/procedure.h"
#include "domain_list.h"
#include "domain_list_view.h"
#include "fix_path_slashes.h"
#include "list_file_reader.h"

namespace quill {

void Form1::PushButton3_Click()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton3_Click")));
    DomainList &pending = ListView1->ListItems();
    const auto load = [&](const QString &path) {
        LoadListFile(m_platform.boxes, applicationTitle(), pending, path);
    };

    proc.step(100, [&] { CommonDialog1.setFileName(QString()); });
    proc.step(102, [&] { CommonDialog1.setFlags(CommonDialog::kListFileFlags); });
    proc.step(104, [&] {
        CommonDialog1.setDialogTitle(QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
    });
    proc.step(106, [&] { CommonDialog1.setFilter(QString::fromUtf16(CommonDialog::kListFileFilter)); });
    bool tooManyFiles = false;
    proc.step(108, [&] {
        try {
            CommonDialog1.ShowOpen();
        } catch (const Failure &failure) {
            if (failure.number() != CommonDialog::kBufferTooSmall)
                throw;
            tooManyFiles = true;
        }
    });
    if (tooManyFiles) {
        // Its own message instead of a report, and nothing is loaded.
        proc.step(108, [&] {
            m_platform.boxes.message(applicationTitle(),
                                     QStringLiteral("You've selected too many files to add.") + QStringLiteral("\r\r")
                                         + QStringLiteral("Please try adding via the \"Add All\" button."),
                                     Buttons::Ok, Icon::None);
        });
        return;
    }
    QStringList parts;
    proc.step(110, [&] { parts = openResultParts(CommonDialog1.FileName()); });
    proc.step(112, [&] { setMousePointer(Pointer::Busy); });
    if (proc.test(114, [&] { return parts.size() == 1; })) {
        QString path;
        proc.step(116, [&] { path = parts.at(0); });
        proc.step(118, [&] { load(path); });
    } else if (proc.test(120, [&] { return parts.size() >= 2; })) {
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
    proc.step(136, [&] { setMousePointer(Pointer::Default); });
}

} // namespace quill
