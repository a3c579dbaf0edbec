// Qt's own QTreeView over a DomainList: what a screen reader says over the
// stock view is the reference for what it must say over the program's list.
// Usage: stock_list_window NAMES_FILE (one name a line). Delete removes the
// current row, as the program's Delete removes the selected one.
#include "data/domain_list.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s NAMES_FILE\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Stock List Reference"));
    window.setFixedSize(536, 170);

    // Something to Shift+Tab from, so the list is arrived at as in the program.
    auto *after = new QPushButton(QStringLiteral("After the list"), &window);
    after->setGeometry(8, 130, 200, 30);

    quill::DomainList names;
    names.setHeaderText(QStringLiteral("Domain(s)"));
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty())
            names.Add(QByteArrayView(line));
    }
    names.publish();

    auto *view = new QTreeView(&window);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAccessibleName(QStringLiteral("Domain(s)"));
    view->setModel(&names);
    // The program's pending list's place and size, so a page is as long.
    view->setGeometry(8, 8, 520, 105);
    QWidget::setTabOrder(view, after);

    auto *remove = new QShortcut(QKeySequence(Qt::Key_Delete), view);
    remove->setContext(Qt::WidgetShortcut);
    QObject::connect(remove, &QShortcut::activated, view, [&names, view] {
        const QModelIndex current = view->currentIndex();
        if (current.isValid())
            names.Remove(current.row() + 1);
    });

    window.show();
    after->setFocus();
    return app.exec();
}
