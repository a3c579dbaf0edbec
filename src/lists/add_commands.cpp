// "Add Domain" and "Load Sample/Example Data".

#include "app/form1.h"
#include "app/procedure.h"
#include "domain_list.h"
#include "domain_list_view.h"
#include "sample_names.h"

namespace quill {

void Form1::PushButton5_Click()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton5_Click")));
    QString name;
    proc.step(100, [&] {
        name = m_platform.boxes.input(applicationTitle(), QStringLiteral("Enter website address to add: "));
    });
    if (proc.test(102, [&] { return name.isEmpty(); }))
        return;
    proc.step(104, [&] { ListView1->ListItems().Add(name); });
}

void Form1::PushButton7_Click()
{
    Procedure proc(m_platform.boxes, procedurePath(QStringLiteral("Form1"), QStringLiteral("PushButton7_Click")));
    DomainList &pending = ListView1->ListItems();
    proc.step(100, [&] { pending.Add(QByteArrayView(kSampleNames[0])); });
    proc.step(102, [&] { pending.Add(QByteArrayView(kSampleNames[1])); });
    proc.step(104, [&] { pending.Add(QByteArrayView(kSampleNames[2])); });
}

} // namespace quill
