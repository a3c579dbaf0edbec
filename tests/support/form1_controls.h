#pragma once

#include "app/form1.h"
#include "views/domain_list_view.h"

#include <QProgressBar>
#include <QPushButton>

namespace quill::test {

// The window's controls are its own; tests find them by the names they
// carry, as assistive tools and the window tests do.
struct Form1Controls {
    explicit Form1Controls(const Form1 &window)
        : ListView1(find<DomainListView>(window, "ListView1")), ListView2(find<DomainListView>(window, "ListView2")),
          ListView3(find<DomainListView>(window, "ListView3")),
          PushButton1(find<QPushButton>(window, "PushButton1")), PushButton2(find<QPushButton>(window, "PushButton2")),
          PushButton3(find<QPushButton>(window, "PushButton3")), PushButton4(find<QPushButton>(window, "PushButton4")),
          PushButton5(find<QPushButton>(window, "PushButton5")), PushButton6(find<QPushButton>(window, "PushButton6")),
          PushButton7(find<QPushButton>(window, "PushButton7")), PushButton9(find<QPushButton>(window, "PushButton9")),
          PushButton11(find<QPushButton>(window, "PushButton11")),
          ProgressBar1(find<QProgressBar>(window, "ProgressBar1"))
    {
    }

    DomainListView *ListView1; // pending
    DomainListView *ListView2; // taken
    DomainListView *ListView3; // available
    QPushButton *PushButton1;
    QPushButton *PushButton2;
    QPushButton *PushButton3;
    QPushButton *PushButton4;
    QPushButton *PushButton5;
    QPushButton *PushButton6;
    QPushButton *PushButton7;
    QPushButton *PushButton9;
    QPushButton *PushButton11;
    QProgressBar *ProgressBar1;

private:
    template <typename Control>
    static Control *find(const Form1 &window, const char *name)
    {
        auto *control = window.findChild<Control *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
        Q_ASSERT(control);
        return control;
    }
};

inline Form1Controls controls(const Form1 &window)
{
    return Form1Controls(window);
}

} // namespace quill::test
