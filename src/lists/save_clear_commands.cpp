// The "Save List" and "Clear List" buttons.

#include "app/common_dialog.h"
#include "app/file_exists.h"
#include "app/form1.h"
#include "app/procedure.h"
#include "domain_list.h"
#include "domain_list_view.h"
#include "list_file_writer.h"

#include <QScopeGuard>

namespace quill {

namespace {

// The save shared by both "Save List" buttons. The window's event pass runs
// once per entry, so other commands may run in the middle of it; the file
// belongs to this run alone.
void saveList(Form1 &window, DomainList &list, const QString &procedure)
{
    const Platform &platform = window.platform();
    CommonDialog &dialog = window.CommonDialog1;
    Procedure proc(platform.boxes, procedurePath(QStringLiteral("Form1"), procedure));

    proc.step(106, [&] { dialog.setFileName(QString()); });
    proc.step(108, [&] { dialog.setFlags(CommonDialog::kListFileFlags); });
    proc.step(110, [&] { dialog.setDialogTitle(QStringLiteral("Save")); });
    proc.step(112, [&] { dialog.setFilter(QString::fromUtf16(CommonDialog::kListFileFilter)); });
    proc.step(114, [&] { dialog.ShowSave(); });
    QString name;
    proc.step(116, [&] { name = dialog.FileName(); });
    if (proc.test(118, [&] { return name.isEmpty(); }))
        return;
    Answer answer = Answer::No;
    if (proc.test(120, [&] { return FileExists(name); })) {
        proc.step(122, [&] {
            answer = platform.boxes.message(window.applicationTitle(),
                                            QStringLiteral("Are you sure you wish to overwrite ") + name
                                                + QStringLiteral(" ?"),
                                            Buttons::YesNo, Icon::None);
        });
    } else {
        proc.step(124, [&] { answer = Answer::Yes; });
    }
    if (proc.test(126, [&] { return answer != Answer::Yes; }))
        return;
    proc.step(128, [&] { window.setMousePointer(Pointer::Busy); });
    ListFileWriter file;
    // Closing the window ends the program inside an event pass. Where the
    // file system has no unnamed temporary files, the half-written one would
    // stay behind beside the old file.
    const QMetaObject::Connection unload =
        QObject::connect(&window, &Form1::aboutToUnload, &window, [&file] { file.discard(); });
    const auto disconnect = qScopeGuard([&] { QObject::disconnect(unload); });
    proc.step(130, [&] { file.open(name); });
    int count = 0;
    proc.step(132, [&] { count = list.Count(); });
    for (int i = 1; i <= count; ++i) {
        proc.step(134, [&] { platform.events.processEvents(); });
        proc.step(136, [&] { file.writeLine(list.ItemView(i)); });
    }
    proc.step(140, [&] { file.close(); });
    proc.step(142, [&] { window.setMousePointer(Pointer::Default); });
}

} // namespace

void Form1::PushButton1_Click()
{
    saveList(*this, ListView2->ListItems(), QStringLiteral("PushButton1_Click"));
}

void Form1::PushButton6_Click()
{
    saveList(*this, ListView3->ListItems(), QStringLiteral("PushButton6_Click"));
}

void Form1::PushButton11_Click()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton11_Click")));
    proc.step(100, [&] {
        if (!isBusy())
            ListView1->ListItems().Clear();
    });
}

void Form1::PushButton2_Click()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton2_Click")));
    proc.step(100, [&] { ListView2->ListItems().Clear(); });
}

void Form1::PushButton9_Click()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton9_Click")));
    proc.step(100, [&] { ListView3->ListItems().Clear(); });
}

} // namespace quill
